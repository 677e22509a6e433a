#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# `cpack -G DEB` on any build tree (the test's own, configured for
# /usr/local) makes the package that `make package` makes: the libraries in
# the multiarch folder under /usr and the module in its plug-in folder
# below it, a shlibs file that lists the libraries and leaves out the
# module (a plug-in, never linked), and no warning on the way.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out") >"$work/log" 2>&1 ||
  { cat "$work/log" >&2; fail "cpack"; }
if grep -i -B2 -A4 "warn" "$work/log" >&2; then fail "cpack warned (above)"; fi
deb=$(ls "$work"/out/physprops_*.deb)

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
for file in "./usr/lib/$multiarch/physprops/libphysprops_backend.so" \
            "./usr/lib/$multiarch/libphysprops-core.so.0.2" \
            "./usr/lib/$multiarch/cmake/PhysProps/PhysPropsConfig.cmake" \
            "./usr/lib/$multiarch/pkgconfig/physprops.pc" ./usr/bin/physprops; do
  grep -qxF "$file" "$work/files" || fail "no $file in the package: $(grep /lib/ "$work/files" | head)"
done
grep -v "^\./usr/lib/$multiarch/" "$work/files" | grep -q '\.so' &&
  fail "a shared object outside /usr/lib/$multiarch: $(grep -v "^\./usr/lib/$multiarch/" "$work/files" | grep '\.so')"

dpkg-deb -e "$deb" "$work/control"
for library in core ui harbex ipqc pellium zorvcommon; do
  grep -qxF "libphysprops-$library 0.2 physprops (>= $(dpkg-deb -f "$deb" Version))" "$work/control/shlibs" ||
    fail "shlibs lacks libphysprops-$library: $(cat "$work/control/shlibs")"
done
grep -q backend "$work/control/shlibs" && fail "the module is in shlibs: $(cat "$work/control/shlibs")"
echo "$(basename "$deb"): the package's layout, shlibs without the module, no warning"
