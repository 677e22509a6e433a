# SPDX-License-Identifier: MIT
# How a host finds the installed module and the libraries it builds against:
#   find_package(PhysProps 0.2 REQUIRED)  -> PhysProps::backend (the module,
#       loaded at run time: $<TARGET_FILE:PhysProps::backend> or
#       ${PhysProps_MODULE}), PhysProps::module_face (what a host compiles
#       and links against), PhysProps::core, ::ui, ::harbex, ::ipqc,
#       ::ipqc-listener, ::pellium, ::zorvcommon
#   pkg-config physprops                  -> the module face; the module's
#       path is the variable "module"
# and the Debian package that carries all of it (cpack -G DEB).

include(CMakePackageConfigHelpers)

set(PHYSPROPS_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/PhysProps)
set(PHYSPROPS_MODULE_PATH ${PHYSPROPS_PLUGIN_DIR}/libphysprops_backend.so)
# The package files name their folders relative to where they are installed,
# so they are made in packaging/, where neither find_package nor a reader
# takes them for the build tree's own: the build tree is no installation to
# build a host against. (Earlier builds made them in cmake/ and pkgconfig/.)
set(PHYSPROPS_PACKAGE_FILES ${PROJECT_BINARY_DIR}/packaging)
file(REMOVE ${PROJECT_BINARY_DIR}/cmake/PhysPropsConfig.cmake
  ${PROJECT_BINARY_DIR}/cmake/PhysPropsConfigVersion.cmake ${PROJECT_BINARY_DIR}/pkgconfig/physprops.pc)

install(EXPORT PhysPropsTargets NAMESPACE PhysProps:: DESTINATION ${PHYSPROPS_CMAKE_DIR})
configure_package_config_file(cmake/PhysPropsConfig.cmake.in
  ${PHYSPROPS_PACKAGE_FILES}/PhysPropsConfig.cmake
  INSTALL_DESTINATION ${PHYSPROPS_CMAKE_DIR}
  PATH_VARS PHYSPROPS_MODULE_PATH)
# In a 0.x series the minor number is the one that breaks: 0.2.1 serves a
# request for 0.2, 0.3 does not (SameMajorVersion would call them equal).
write_basic_package_version_file(${PHYSPROPS_PACKAGE_FILES}/PhysPropsConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PHYSPROPS_PACKAGE_FILES}/PhysPropsConfig.cmake
  ${PHYSPROPS_PACKAGE_FILES}/PhysPropsConfigVersion.cmake
  DESTINATION ${PHYSPROPS_CMAKE_DIR})

# The pkg-config file names its folders relative to itself, so it is right
# in whatever prefix the tree is installed (cmake --install --prefix, or a
# package's staging folder).
file(RELATIVE_PATH PHYSPROPS_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
string(REGEX REPLACE "/$" "" PHYSPROPS_PC_TO_PREFIX "${PHYSPROPS_PC_TO_PREFIX}")
configure_file(cmake/physprops.pc.in ${PHYSPROPS_PACKAGE_FILES}/physprops.pc @ONLY)
install(FILES ${PHYSPROPS_PACKAGE_FILES}/physprops.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Documents that every installation carries (and Debian requires of a
# package): the copyright and the change log, compressed as Debian keeps
# them.
set(PHYSPROPS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/physprops)
install(FILES packaging/copyright DESTINATION ${PHYSPROPS_DOC_DIR})
find_program(PHYSPROPS_GZIP gzip REQUIRED)
# -n: no name or time stamp, so the same sources give the same package.
function(physprops_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "${PHYSPROPS_GZIP} -9n -c \"$1\" > \"$2\"" gzip ${source} ${output}
    DEPENDS ${source} VERBATIM)
endfunction()
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
physprops_gzip(${PROJECT_BINARY_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
set(compressed ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${PHYSPROPS_DOC_DIR})
foreach(page physprops brdedit prjsetup)
  if(EXISTS ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
    physprops_gzip(${PROJECT_SOURCE_DIR}/docs/man/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
    list(APPEND compressed ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
    install(FILES ${PROJECT_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
add_custom_target(physprops_compressed_docs ALL DEPENDS ${compressed})

# One package, physprops: the programs, the module, the libraries it needs
# and the files a host builds against. The libraries have no user but the
# module and its hosts, so a separate runtime and -dev package would only
# add a second name to install.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME physprops)
set(CPACK_PACKAGE_VENDOR "PhysProps maintainers")
set(CPACK_PACKAGE_CONTACT "PhysProps maintainers <maintainers@users.noreply.c-seed-4df9d403.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Physical Properties dialog module for a part-library editor")
# (CPack puts the summary above this as the synopsis line.)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A loadable Qt 6 module that shows and edits a part's physical properties
(footprint, alternate symbols, JEDEC type) for the host program that loads
it, with the reference host physprops, the companion stand-ins brdedit and
prjsetup, the demo project, and the headers, CMake package and pkg-config
file a host builds against.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends computed from what the binaries link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The shlibs file names the libraries a program may link, and only those:
# the module is a plug-in, loaded by its file name from its own folder and
# never linked, so as Debian's policy has it for such private objects it
# carries no versioned soname and is not in shlibs. (CPack's own shlibs
# would take every shared object and warn that the module has no version.)
get_property(physprops_libraries GLOBAL PROPERTY PHYSPROPS_LIBRARY_NAMES)
list(SORT physprops_libraries)
set(shlibs "")
foreach(library IN LISTS physprops_libraries)
  string(APPEND shlibs "lib${library} ${PHYSPROPS_SOVERSION} physprops (>= ${PROJECT_VERSION})\n")
endforeach()
file(WRITE ${PROJECT_BINARY_DIR}/packaging/shlibs "${shlibs}")
# Qt's own catalogues translate the standard buttons of message boxes; the
# module's texts are translated without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
# dpkg runs ldconfig once for all packages through this trigger. (CPack also
# writes a postinst and postrm that call it: redundant, harmless.)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers
  ${PROJECT_BINARY_DIR}/packaging/shlibs)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The programs and the module keep their $ORIGIN-relative run paths: under
# /usr they name the system library folder, which the loader searches
# anyway, and Debian's checks accept run paths relative to $ORIGIN.
include(CPack)
