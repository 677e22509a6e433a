#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Long fuzz runs that keep what they learn: each target runs on a copy of its
# checked-in corpus for SECONDS (or until FUZZ_RUNS executions, whichever
# comes first), then only the inputs that reach new coverage edges are merged
# back into fuzz/corpus/<target> (libFuzzer -merge=1, hit counts not counted:
# -use_counters=0), so the corpus stays small.
# FUZZ_PARALLEL=2 runs two targets at a time. Prints executions per target.
#   scripts/fuzz-long.sh BUILD_DIR [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: scripts/fuzz-long.sh BUILD_DIR [SECONDS] [TARGET...]}
seconds=${2:-600}
shift $(( $# >= 2 ? 2 : 1 ))
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi
runs=${FUZZ_RUNS:--1}
parallel=${FUZZ_PARALLEL:-1}

source scripts/fuzz-env.sh

# One target: run, then merge; the result line goes to $work/<target>.result.
run_one() {
  local t=$1 bin=$build/bin/$1 log=$build/fuzz-logs/$1-long.log result=ok
  if [[ ! -x $bin ]]; then
    echo "$t: $bin not built" >&2
    echo "$t ? ? ? ? FAILED" >"$work/$t.result"
    return
  fi
  local before
  before=$(find "fuzz/corpus/$t" -type f | wc -l)
  cp -r "fuzz/corpus/$t" "$work/$t"
  if ! "$bin" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$work/$t" >"$log" 2>&1; then
    result=FAILED
  elif ! "$bin" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=2048 "fuzz/corpus/$t" "$work/$t" \
         >"$build/fuzz-logs/$t-merge.log" 2>&1; then
    result=MERGE-FAILED
  fi
  local execs rate after
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  after=$(find "fuzz/corpus/$t" -type f | wc -l)
  echo "$t ${execs:-?} ${rate:-?} $before $after $result" >"$work/$t.result"
}

pending=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pending+=($!)
  if [[ ${#pending[@]} -ge $parallel ]]; then
    wait "${pending[0]}"
    pending=("${pending[@]:1}")
  fi
done
wait

failed=()
printf '%-18s %12s %8s %8s %8s %12s\n' target executions exec/s corpus merged result
for t in "${targets[@]}"; do
  read -r name execs rate before after result <"$work/$t.result"
  printf '%-18s %12s %8s %8s %8s %12s\n' "$name" "$execs" "$rate" "$before" "$after" "$result"
  [[ $result == ok ]] || failed+=("$t")
done
if [[ ${#failed[@]} -gt 0 ]]; then
  for t in "${failed[@]}"; do
    echo "---- $t (log: $build/fuzz-logs/$t-long.log)" >&2
    tail -n 40 "$build/fuzz-logs/$t-long.log" >&2 || true
  done
  echo "fuzz-long: failed: ${failed[*]}" >&2
  exit 1
fi
