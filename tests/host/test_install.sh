#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a fresh prefix and runs what was installed there,
# with a clean environment: the programs, the module and the libraries must
# find each other relative to the prefix alone.
set -euo pipefail
build=$1
version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The build tree is no installation to build a host against: a host pointed
# at it finds no package, rather than files that name folders outside it.
mkdir "$prefix/probe"
printf '%s\n' 'cmake_minimum_required(VERSION 3.25)' 'project(Probe LANGUAGES NONE)' \
  'find_package(PhysProps QUIET)' 'message("PhysProps_FOUND=${PhysProps_FOUND}")' \
  >"$prefix/probe/CMakeLists.txt"
out=$(cmake -S "$prefix/probe" -B "$prefix/probe/build" -DCMAKE_PREFIX_PATH="$build" 2>&1) ||
  fail "find_package(PhysProps) in the build tree: $out"
grep -q "PhysProps_FOUND=0" <<<"$out" || fail "the build tree offers a package: $out"
PKG_CONFIG_PATH="$build/pkgconfig:$build/lib/pkgconfig" pkg-config --exists physprops &&
  fail "the build tree offers a pkg-config file"
rm -rf "$prefix/probe"

cmake --install "$build" --prefix "$prefix" >/dev/null
run() { env -i PATH=/usr/bin:/bin HOME="$prefix" XDG_RUNTIME_DIR="$prefix" \
          QT_QPA_PLATFORM=offscreen "$@"; }

[[ "$(ls "$prefix/bin")" == $'brdedit\nphysprops\nprjsetup' ]] ||
  fail "bin/ holds $(ls "$prefix/bin" | tr '\n' ' ')"
for program in physprops brdedit prjsetup; do
  out=$(run "$prefix/bin/$program" --version) || fail "$program --version"
  [[ $out == "$program $version" ]] || fail "$program --version printed '$out'"
done

# What a host builds against, the manual pages and the package's documents.
for file in "lib*/cmake/PhysProps/PhysPropsConfig.cmake" "lib*/cmake/PhysProps/PhysPropsTargets.cmake" \
            "lib*/pkgconfig/physprops.pc" share/man/man1/{physprops,brdedit,prjsetup}.1.gz \
            share/doc/physprops/copyright share/doc/physprops/changelog.gz; do
  # (lib* is lib, lib64 or, on Debian, lib/<multiarch>.)
  compgen -G "$prefix/$file" >/dev/null || compgen -G "$prefix/${file/lib\*/lib/*}" >/dev/null ||
    fail "no $file"
done

module=$(find "$prefix" -name libphysprops_backend.so)
[[ $module == "$prefix"/lib*/physprops/libphysprops_backend.so ]] || fail "module at '$module'"
ldd "$module" | grep -q "not found" && fail "the module misses a library: $(ldd "$module")"
ldd "$module" | grep physprops- | grep -vq "$prefix" && fail "a library from outside the prefix"

demo=$prefix/share/physprops/examples/demo
printf 'dialog Physical Properties\npress OK\n' >"$prefix/ok.txt"
out=$(run "$prefix/bin/physprops" --project "$demo/demo.ini" --prop JEDEC_TYPE=SOIC14 \
        --verbose --script "$prefix/ok.txt" 2>"$prefix/err.txt") ||
  fail "the walkthrough failed: $(cat "$prefix/err.txt")"
grep -q "JEDEC_TYPE" <<<"$out" || fail "no values printed: '$out'"
grep -qF "module: $module (version $version)" "$prefix/err.txt" ||
  fail "not the installed module: $(cat "$prefix/err.txt")"

# The installed demo README's command, as a reader pastes it (its /usr being
# this prefix): the whole walkthrough from the installation.
readme=$demo/README.md
command=$(awk '/^    / {print substr($0, 5); found = 1; next} found {exit}' "$readme")
[[ $command == "cd /usr/share/physprops/examples/demo &&"* ]] ||
  fail "no walkthrough command in the installed demo README: '$command'"
command=${command//\/usr\/share/$prefix/share}
command=${command//\/tmp\/physprops-demo/$prefix/shots}
env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$prefix" XDG_RUNTIME_DIR="$prefix" \
  bash -c "$command" >"$prefix/walk.out" 2>"$prefix/walk.err" ||
  fail "the README's walkthrough exited $?: $(tail -n 20 "$prefix/walk.err")"
grep -q "^JEDEC_TYPE=" "$prefix/walk.out" || fail "the README's walkthrough printed '$(cat "$prefix/walk.out")'"
compgen -G "$prefix/shots/*.png" >/dev/null || fail "the README's walkthrough saved no PNG"

# The install root the module's libraries report is the prefix.
zorv=$(find "$prefix" -name 'libphysprops-zorvcommon.so.*' -type f)
# (A sanitized build's runtime has to come first in the interpreter too.)
asan=$(ldd "$zorv" | awk '/libasan/ {print $3}')
root=$(LD_PRELOAD=$asan ASAN_OPTIONS=detect_leaks=0 python3 -c 'import ctypes, sys
f = ctypes.CDLL(sys.argv[1]).zorvGetInstallRoot
f.restype = ctypes.c_char_p
print(f().decode())' "$zorv")
[[ $root == "$(cd "$prefix" && pwd -P)" ]] || fail "install root '$root', not '$prefix'"
# The module stays mapped once loaded: a host that unloads it under an open
# dialog would go on to run code that is gone.
kept=$(LD_PRELOAD=$asan ASAN_OPTIONS=detect_leaks=0 python3 -c 'import ctypes, os, sys
libc = ctypes.CDLL(None)
libc.dlopen.restype = ctypes.c_void_p
libc.dlopen.argtypes = [ctypes.c_char_p, ctypes.c_int]
libc.dlclose.argtypes = [ctypes.c_void_p]
path = sys.argv[1].encode()
libc.dlclose(libc.dlopen(path, os.RTLD_NOW))
print("kept" if libc.dlopen(path, os.RTLD_NOW | os.RTLD_NOLOAD) else "unmapped")' "$module")
[[ $kept == kept ]] || fail "the module was $kept when it was unloaded"
# No run path, built or installed, names the current directory (an empty
# entry) or a folder of the build.
while IFS= read -r -d '' file; do
  runpath=$(readelf -d "$file" 2>/dev/null | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]/\2/p')
  if [[ -z $runpath ]]; then continue; fi
  if [[ ":$runpath:" == *::* ]]; then
    fail "$file: run path '$runpath' has an empty entry (the current directory)"
  fi
  if [[ $runpath == *"$(cd "$build" && pwd -P)"* ]]; then
    fail "$file: run path '$runpath' names the build"
  fi
done < <(find "$build/bin" "$build/lib" "$prefix" -type f \( -perm -u+x -o -name '*.so*' \) -print0)
echo "installed and ran from $prefix"
