#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build into a temporary prefix and uses it as a host team would:
# builds examples/host-consumer against it (find_package through
# CMAKE_PREFIX_PATH, and once more with only pkg-config's flags), runs it
# offscreen on the installed demo project, and checks what it prints.
#   scripts/check-consumer.sh [BUILD_DIR]   (default build/dev, built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
logged() { "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "$*"; }; }

prefix=$work/prefix
logged cmake --install "$build" --prefix "$prefix"

# The version check: a 0.x minor release is another interface.
cat >"$work/version.cmake" <<CMAKE
string(REPLACE "." ";" fields "\${PACKAGE_FIND_VERSION}.0.0")
list(GET fields 0 PACKAGE_FIND_VERSION_MAJOR)
list(GET fields 1 PACKAGE_FIND_VERSION_MINOR)
include("$(find "$prefix" -name PhysPropsConfigVersion.cmake)")
message("\${PACKAGE_VERSION_COMPATIBLE}")
CMAKE
for case in 0.2:TRUE 0.2.0:TRUE 0.1:FALSE 0.3:FALSE 1.0:FALSE; do
  got=$(cmake -DPACKAGE_FIND_VERSION="${case%%:*}" -P "$work/version.cmake" 2>&1) || true
  [[ $got == "${case#*:}" ]] || fail "find_package(PhysProps ${case%%:*}): compatible '$got'"
done

logged cmake -S "$root/examples/host-consumer" -B "$work/build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror"
logged cmake --build "$work/build"

# The same program from pkg-config's flags alone (-fPIC among them: without
# it the program's widget casts fail, and it says so).
pc=$(find "$prefix" -name physprops.pc)
export PKG_CONFIG_PATH=$(dirname "$pc")
module=$(pkg-config --variable=module physprops)
[[ -f $module ]] || fail "pkg-config's module '$module' is not there"
# shellcheck disable=SC2046
logged g++ -std=c++20 -Wall -Wextra -Werror -DPHYSPROPS_MODULE="\"$module\"" \
  "$root/examples/host-consumer/main.cpp" -o "$work/host-consumer-pc" \
  $(pkg-config --cflags --libs physprops) -Wl,-rpath,"$(pkg-config --variable=libdir physprops)"

expected=$'JEDEC_TYPE=SOIC8\nALT_SYMBOLS=(Top:SOIC8;DIP8)'
mkdir -m 700 "$work/run"
for program in "$work/build/host-consumer" "$work/host-consumer-pc"; do
  out=$(env XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen timeout 60 \
          "$program" --ok "$prefix/share/physprops/examples/demo/demo.ini" 2>"$work/err") ||
    fail "$program exited $?: $(cat "$work/err")"
  [[ $out == "$expected" ]] || fail "$program printed '$out'"
done
echo "$out"
echo "host-consumer built against $prefix (find_package and pkg-config) and ran"
