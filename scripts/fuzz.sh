#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every fuzz target for a while on a copy of its checked-in corpus, so
# the runs never grow what is checked in. Fails when any target finds a
# crash, a sanitizer report or a broken check; the input that did it is kept
# under BUILD/artifacts. Prints the executions per target.
#   scripts/fuzz.sh BUILD_DIR [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: scripts/fuzz.sh BUILD_DIR [SECONDS] [TARGET...]}
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : 1 ))
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

source scripts/fuzz-env.sh

failed=()
printf '%-18s %6s %8s %12s %8s %8s\n' target seeds corpus executions exec/s result
for t in "${targets[@]}"; do
  bin=$build/bin/$t
  if [[ ! -x $bin ]]; then
    echo "$t: $bin not built" >&2
    failed+=("$t")
    continue
  fi
  seeds=$(find "fuzz/corpus/$t" -type f | wc -l)
  rm -rf "${work:?}/$t"
  cp -r "fuzz/corpus/$t" "$work/$t"
  log=$build/fuzz-logs/$t.log
  result=ok
  if ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$work/$t" >"$log" 2>&1; then
    result=FAILED
    failed+=("$t")
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  grown=$(find "$work/$t" -type f | wc -l)
  printf '%-18s %6s %8s %12s %8s %8s\n' "$t" "$seeds" "$grown" "${execs:-?}" "${rate:-?}" "$result"
done

if [[ ${#failed[@]} -gt 0 ]]; then
  for t in "${failed[@]}"; do
    echo "---- $t (log: $build/fuzz-logs/$t.log)" >&2
    tail -n 40 "$build/fuzz-logs/$t.log" >&2 || true
  done
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
