# SPDX-License-Identifier: MIT
# Sourced by the fuzz scripts: the sanitizers' settings and the folders a run
# writes to. Expects $build; sets $work, removed when the script ends.
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp

# The runs' corpus copies live in memory when they can: a target that finds
# new inputs often writes a file for each, and on a disk that showed as a
# few per cent of the filter target's time.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts" "$build/fuzz-logs"
