#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command while two busy loops keep both cores of a 2-core machine
# busy, as a loaded CI runner is:
#   scripts/under-load.sh ctest --preset dev -j2 -LE 'soak|load' --repeat until-fail:20
# LOAD_PROCESSES=N starts N loops instead of two. The command's exit status
# is the script's; the loops end with it.
set -uo pipefail
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait "${pids[@]}" 2>/dev/null' EXIT
for ((i = 0; i < ${LOAD_PROCESSES:-2}; i++)); do
  yes >/dev/null &
  pids+=($!)
done
"$@"
