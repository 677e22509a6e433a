#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Prints how many test cases the last ctest run of BUILD_DIR skipped, and
# which: a skip depends on the machine (root, an unprivileged account), never
# on the state of the tree, so CI shows them rather than hiding them in a pass.
set -euo pipefail
log=${1:?usage: scripts/skipped.sh BUILD_DIR}/Testing/Temporary/LastTest.log
[[ -f $log ]] || { echo "skipped: no test log in ${log%/Testing/*}"; exit 0; }
mapfile -t skipped < <(grep -E '^\[  SKIPPED \] [A-Za-z_].*\(' "$log" | sed -E 's/^\[  SKIPPED \] //; s/ \(.*//' | sort -u)
echo "skipped test cases: ${#skipped[@]}"
for name in "${skipped[@]}"; do echo "  $name"; done
