#!/usr/bin/env bash
# Runs the benchmarks of a build and prints median, minimum and maximum of
# the repetitions, with the targets they are held to.
#   scripts/bench.sh BUILD_DIR [benchmark flags...]
# BENCH_REPETITIONS (default 5) and BENCH_SIZES (default 10000,100000,1000000)
# change the run; the raw figures stay in BUILD_DIR/bench-results.csv.
set -euo pipefail

BUILD=${1:?usage: scripts/bench.sh BUILD_DIR [benchmark flags...]}
shift
BIN="$BUILD/bin/physprops_bench"
[[ -x "$BIN" ]] || { echo "no benchmark program at $BIN (configure with the release preset)" >&2; exit 1; }

RAW="$BUILD/bench-results.csv"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "Running $BIN ($(nproc) cores, repetitions ${BENCH_REPETITIONS:-5}); this takes a few minutes." >&2
"$BIN" --bench_sizes="${BENCH_SIZES:-10000,100000,1000000}" \
  --benchmark_repetitions="${BENCH_REPETITIONS:-5}" \
  --benchmark_report_aggregates_only=true \
  --benchmark_format=csv "$@" >"$RAW"

awk -F, '
function unq(s) { gsub(/"/, "", s); return s }
function target(name, n,    t) {
  if (n != 1000000) return ""
  if (name ~ /^Keystroke\//) return "<= 16 ms"
  if (name ~ /^Open\//) return "<= 150 ms"
  if (name ~ /^Sort\//) return "<= 400 ms"
  return ""
}
function verdict(limit, value) {
  if (limit == "") return ""
  return (value + 0 <= limit + 0) ? "met" : "MISSED"
}
/^name,/ {
  for (i = 1; i <= NF; i++) col[unq($i)] = i
  header = 1
  next
}
!header { next }
{
  full = unq($1)
  if (col["error_occurred"] && unq($col["error_occurred"]) == "true") {
    printf "%-34s ERROR %s\n", full, unq($col["error_message"]); next
  }
  stat = full; sub(/.*_/, "", stat)
  base = full; sub(/_[a-z]+$/, "", base); sub(/\/manual_time$/, "", base); sub(/\/iterations:[0-9]+$/, "", base)
  if (!(base in seen)) { seen[base] = 1; order[++nb] = base }
  t[base, stat] = $col["real_time"]
  if (stat == "median") {
    extra = ""
    if ("rows" in col && $col["rows"] != "") extra = extra sprintf("rows %d ", $col["rows"])
    if ("footprints" in col && $col["footprints"] != "") extra = extra sprintf("find %.1f ms, ratio %.2f ", $col["find_ms"], $col["vs_find"])
    if ("bytes_per_entry" in col && $col["bytes_per_entry"] != "") extra = extra sprintf("%.0f bytes/entry ", $col["bytes_per_entry"])
    ex[base] = extra
    if (base ~ /^BrowseListing/) ratio[base] = $col["vs_find"]
    if (base ~ /^ListingMemory/) bpe[base] = $col["bytes_per_entry"]
  }
}
END {
  printf "%-34s %10s %10s %10s  %-30s %s\n", "benchmark (N)", "median ms", "min ms", "max ms", "other figures", "target"
  for (k = 1; k <= nb; k++) {
    b = order[k]; n = b; sub(/.*\//, "", n)
    tg = target(b, n + 0); v = ""
    if (tg != "") { lim = tg; sub(/[^0-9.]*/, "", lim); sub(/ .*/, "", lim); v = verdict(lim, t[b, "median"]) }
    if (b ~ /^BrowseListing/) { tg = "<= 1.5 x find"; v = verdict(1.5, ratio[b]) }
    if (b ~ /^ListingMemory/ && n + 0 == 1000000) { tg = "<= 200 bytes/entry"; v = verdict(200, bpe[b]) }
    printf "%-34s %10.2f %10.2f %10.2f  %-30s %s %s\n", b, t[b, "median"], t[b, "min"], t[b, "max"], ex[b], tg, v
  }
}' "$RAW"
