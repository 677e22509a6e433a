#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the benchmarks of a build and prints median, minimum and maximum of
# the repetitions, with the targets they are held to.
#   scripts/bench.sh BUILD_DIR [benchmark flags...]
# BENCH_REPETITIONS (default 5) and BENCH_SIZES (default 10000,100000,1000000)
# change the run; the raw figures stay in BUILD_DIR/bench-results.json.
# The share rows (physprops_bench_share) run where /dev/fuse is there, at
# real-time priority when allowed (chrt), unless BENCH_SHARE=0.
# BENCH_REUSE=1 prints the table of the last run without running again;
# BENCH_MARKDOWN=1 prints it as a Markdown table. BENCH_PLOT=FILE.png also
# draws the medians against N (scripts/bench-plot.sh).
set -euo pipefail

BUILD=${1:?usage: scripts/bench.sh BUILD_DIR [benchmark flags...]}
shift
BIN="$BUILD/bin/physprops_bench"
[[ -x "$BIN" ]] || { echo "no benchmark program at $BIN (configure with the release preset)" >&2; exit 1; }

RAW="$BUILD/bench-results.json"
CORE_BIN="$BUILD/bin/physprops_bench_core"
CORE_RAW="$BUILD/bench-core-results.json"
START_BIN="$BUILD/bin/physprops_bench_start"
START_RAW="$BUILD/bench-start-results.json"
SHARE_BIN="$BUILD/bin/physprops_bench_share"
SHARE_RAW="$BUILD/bench-share-results.json"
LOG="$BUILD/bench-console.txt"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
if [[ "${BENCH_REUSE:-0}" != 1 ]]; then
echo "Running $BIN ($(nproc) cores, repetitions ${BENCH_REPETITIONS:-5}); progress in $LOG" >&2
"$BIN" --bench_sizes="${BENCH_SIZES:-10000,100000,1000000}" \
  --benchmark_repetitions="${BENCH_REPETITIONS:-5}" \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$RAW" --benchmark_out_format=json "$@" >"$LOG" 2>&1 ||
  { tail -20 "$LOG" >&2; exit 1; }
"$CORE_BIN" --benchmark_repetitions="${BENCH_REPETITIONS:-5}" \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$CORE_RAW" --benchmark_out_format=json >>"$LOG" 2>&1 ||
  { tail -20 "$LOG" >&2; exit 1; }
"$START_BIN" --benchmark_repetitions="${BENCH_REPETITIONS:-5}" \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$START_RAW" --benchmark_out_format=json >>"$LOG" 2>&1 ||
  { tail -20 "$LOG" >&2; exit 1; }
rm -f "$SHARE_RAW"
if [[ "${BENCH_SHARE:-1}" == 1 && -e /dev/fuse && -x "$SHARE_BIN" ]]; then
  # Every round trip ends in a wake-up; on a loaded machine the wake-up
  # would wait for a core and grow every row.
  CHRT=()
  if chrt -f 1 true 2>/dev/null; then CHRT=(chrt -f 1); fi
  "${CHRT[@]}" "$SHARE_BIN" --benchmark_repetitions="${BENCH_REPETITIONS:-5}" \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$SHARE_RAW" --benchmark_out_format=json >>"$LOG" 2>&1 ||
    { tail -20 "$LOG" >&2; exit 1; }
fi
fi
[[ -f "$SHARE_RAW" ]] || SHARE_RAW=/dev/null

# The JSON output holds one key per line; each run is one object.
awk -v md="${BENCH_MARKDOWN:-0}" '
function num(s) { sub(/^[^:]*: */, "", s); sub(/,$/, "", s); gsub(/"/, "", s); return s }
function target(name, n) {
  if (n != 1000000) return ""
  if (name ~ /^Keystroke\//) return 8
  if (name ~ /^Open\//) return 150
  if (name ~ /^Sort\//) return 400
  return ""
}
/"benchmarks": \[/ { inrun = 1; next }
!inrun { next }
/^    {/ { delete f; next }
/^      "[a-z_A-Z]+": / {
  key = $1; gsub(/[":]/, "", key); f[key] = num($0); next
}
/^    }/ {
  if (f["run_type"] != "aggregate") next
  base = f["run_name"]; sub(/\/manual_time$/, "", base); sub(/\/iterations:[0-9]+$/, "", base)
  sub(/\/folders:/, "/", base); sub(/\/delay_us:/, "/us", base)
  stat = f["aggregate_name"]
  if (!(base in seen)) { seen[base] = 1; order[++nb] = base }
  if (f["error_occurred"] == "true") err[base] = f["error_message"]
  t[base, stat] = f["real_time"]
  if (stat == "median") {
    extra = ""
    if ("cpu_ms" in f) extra = extra sprintf("cpu %.1f ms; ", f["cpu_ms"])
    if ("rows" in f) extra = extra sprintf("rows %d; ", f["rows"])
    if ("vs_first" in f) { extra = extra sprintf("first %.0f ms, ratio %.3f; ", f["first_ms"], f["vs_first"]); first[base] = f["vs_first"] }
    if ("vs_floor" in f) { extra = extra sprintf("floor %.1f ms, ratio %.2f; %.1f calls/folder; ", f["floor_ms"], f["vs_floor"], f["calls_pf"]); vfloor[base] = f["vs_floor"] }
    if ("vs_find" in f) { extra = extra sprintf("find %.0f ms, ratio %.2f; ", f["find_ms"], f["vs_find"]); ratio[base] = f["vs_find"] }
    if ("vs_bare" in f) { extra = extra sprintf("bare %.1f ms, ratio %.2f (cpu %.2f); form %.2f x bare; ", f["bare_ms"], f["vs_bare"], f["cpu_vs_bare"], f["form_vs_bare"]); bare[base] = f["vs_bare"] }
    if ("bytes_per_entry" in f) { extra = extra sprintf("%.0f bytes/entry; ", f["bytes_per_entry"]); bpe[base] = f["bytes_per_entry"] }
    ex[base] = extra
  }
}
END {
  if (md) {
    print "| benchmark/N | median ms | min ms | max ms | other figures (medians) | target |"
    print "|---|---:|---:|---:|---|---|"
  } else
    printf "%-30s %9s %9s %9s  %-38s %s\n", "benchmark/N", "median ms", "min ms", "max ms", "other figures (medians)", "target"
  for (k = 1; k <= nb; k++) {
    b = order[k]; n = b; sub(/.*\//, "", n)
    if (b in err) { printf "%-30s ERROR %s\n", b, err[b]; continue }
    tg = ""; v = ""
    lim = target(b, n + 0)
    if (lim != "") { tg = "<= " lim " ms"; v = (t[b, "median"] + 0 <= lim) ? "met" : "MISSED" }
    if (b ~ /^BrowseListing\/Repeat/) { tg = "<= 0.05 x first"; v = (first[b] + 0 <= 0.05) ? "met" : "MISSED" }
    else if (b ~ /^BrowseListing/) { tg = "<= 1.0 x find"; v = (ratio[b] + 0 <= 1.0) ? "met" : "MISSED" }
    if (b ~ /^Share\/(Browse|View)\/132\/us2000$/) { tg = "<= 2 x floor"; v = (vfloor[b] + 0 <= 2) ? "met" : "MISSED" }
    if (b ~ /^Share\/Browse\/Repeat\/132\/us2000$/) { tg = "<= 2 x floor, <= 0.25 x first"; v = (vfloor[b] + 0 <= 2 && first[b] + 0 <= 0.25) ? "met" : "MISSED" }
    if (b ~ /^ColdStart\//) { tg = "<= 1.5 x bare"; v = (bare[b] + 0 <= 1.5) ? "met" : "MISSED" }
    if (b ~ /^ReadProjectFile\/Largest/) { tg = "<= 1000 ms"; v = (t[b, "median"] + 0 <= 1000) ? "met" : "MISSED" }
    if (b ~ /^ListingMemory/ && n + 0 == 1000000) { tg = "<= 200 bytes"; v = (bpe[b] + 0 <= 200) ? "met" : "MISSED" }
    if (md)
      printf "| `%s` | %.2f | %.2f | %.2f | %s | %s |\n", b, t[b, "median"], t[b, "min"], t[b, "max"], ex[b], (tg == "" ? "" : tg " " v)
    else
      printf "%-30s %9.2f %9.2f %9.2f  %-38s %s %s\n", b, t[b, "median"], t[b, "min"], t[b, "max"], ex[b], tg, v
  }
}' "$RAW" "$CORE_RAW" "$START_RAW" "$SHARE_RAW"
if [[ -n "${BENCH_PLOT:-}" ]]; then
  "$(dirname "$0")/bench-plot.sh" "$RAW" "$BENCH_PLOT"
fi
