#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Compares the benchmarks of two builds in one run: the two are run in
# turn (before, after, after, before, ...), because on a shared machine the
# order alone moves one build's figures by up to a fifth.
#   scripts/bench-compare.sh BEFORE_BUILD AFTER_BUILD [benchmark flags...]
# BENCH_ROUNDS (default 2) rounds of BENCH_REPETITIONS (default 3) each;
# BENCH_SIZES as for scripts/bench.sh; both builds list the same on-disk
# libraries, made once in BENCH_DATA (default: a folder of the run). Prints
# one Markdown row per benchmark: the medians of every repetition of each
# build, after / before, and "slower" where after's fastest is slower than
# before's slowest and the ratio exceeds 1.10 (beyond what this machine's
# noise explains).
set -euo pipefail

BEFORE=${1:?usage: scripts/bench-compare.sh BEFORE_BUILD AFTER_BUILD [benchmark flags...]}
AFTER=${2:?usage: scripts/bench-compare.sh BEFORE_BUILD AFTER_BUILD [benchmark flags...]}
shift 2
ROUNDS=${BENCH_ROUNDS:-2}
REPS=${BENCH_REPETITIONS:-3}
OUT=$(mktemp -d "${TMPDIR:-/tmp}/bench-compare.XXXXXX")
DATA=${BENCH_DATA:-$OUT/data}
mkdir -p "$DATA"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

run() { # build label round
  local build=$1 label=$2 round=$3 prog
  shift 3
  for prog in physprops_bench physprops_bench_core physprops_bench_start; do
    [[ -x "$BEFORE/bin/$prog" && -x "$AFTER/bin/$prog" ]] || continue
    local sizes=()
    [[ $prog == physprops_bench ]] &&
      sizes=(--bench_sizes="${BENCH_SIZES:-10000,100000,1000000}" --bench_data="$DATA")
    echo "round $round: $label $prog" >&2
    "$build/bin/$prog" "${sizes[@]}" --benchmark_repetitions="$REPS" \
      --benchmark_out="$OUT/$label-$round-$prog.json" --benchmark_out_format=json "$@" \
      >"$OUT/$label-$round-$prog.log" 2>&1 ||
      { tail -20 "$OUT/$label-$round-$prog.log" >&2; exit 1; }
  done
}

for ((r = 1; r <= ROUNDS; r++)); do
  if ((r % 2)); then run "$BEFORE" before "$r" "$@"; run "$AFTER" after "$r" "$@"
  else run "$AFTER" after "$r" "$@"; run "$BEFORE" before "$r" "$@"; fi
done

python3 - "$OUT" <<'PY'
import glob, json, os, re, statistics, sys
out = sys.argv[1]
scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
times = {}  # name -> label -> [ms]
counters = {}  # (name, counter) -> label -> [value]
shown = ("bytes_per_entry", "vs_first", "vs_find", "vs_bare")
order = []
for path in sorted(glob.glob(os.path.join(out, "*.json"))):
    label = os.path.basename(path).split("-")[0]
    if os.path.getsize(path) == 0:  # a filter that matched none of its benchmarks
        continue
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type") != "iteration" or b.get("error_occurred"):
            continue
        # A run length set on a row (min_time) is not part of what it measures.
        name = re.sub(r"/min_time:[0-9.]+", "", b["run_name"].removesuffix("/manual_time"))
        if name not in times:
            times[name] = {"before": [], "after": []}
            order.append(name)
        times[name][label].append(b["real_time"] * scale[b.get("time_unit", "ns")])
        for c in shown:
            if c in b:
                counters.setdefault((name, c), {"before": [], "after": []})[label].append(b[c])
print("| benchmark/N | before ms | after ms | after / before | | counters, before → after |")
print("|---|---:|---:|---:|---|---|")
for name in order:
    t = times[name]
    if not t["before"] or not t["after"]:
        print(f"| `{name}` | | | | | in one build only |")
        continue
    mb, ma = statistics.median(t["before"]), statistics.median(t["after"])
    ratio = ma / mb if mb else float("nan")
    slower = ratio > 1.10 and min(t["after"]) > max(t["before"])
    other = "; ".join(
        f"{c} {statistics.median(v['before']):.3g} → {statistics.median(v['after']):.3g}"
        for c in shown
        if (v := counters.get((name, c))) and v["before"] and v["after"])
    print(f"| `{name}` | {mb:.3f} | {ma:.3f} | {ratio:.2f} | {'slower' if slower else ''} | {other} |")
PY
echo "raw figures: $OUT" >&2
