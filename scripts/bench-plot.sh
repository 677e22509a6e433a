#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws the benchmark's medians against the number of footprints (log
# scales): keystroke, open and sort for the selection dialogs and for the
# QSortFilterProxyModel peer.
#   scripts/bench-plot.sh RESULTS.json OUT.png
# Needs gnuplot (Debian's gnuplot-nox); without it, says so and draws nothing.
set -euo pipefail

RAW=${1:?usage: scripts/bench-plot.sh RESULTS.json OUT.png}
OUT=${2:?usage: scripts/bench-plot.sh RESULTS.json OUT.png}
command -v gnuplot >/dev/null 2>&1 || { echo "gnuplot not installed: no plot drawn" >&2; exit 0; }

DATA=$(mktemp -d)
trap 'rm -rf "$DATA"' EXIT

# One file per series: N and median ms, sorted by N.
python3 - "$RAW" "$DATA" <<'PY'
import json, sys, collections
raw, out = sys.argv[1], sys.argv[2]
series = collections.defaultdict(dict)
for b in json.load(open(raw))["benchmarks"]:
    if b.get("aggregate_name") != "median" or b.get("error_occurred"):
        continue
    name = b["run_name"].replace("/manual_time", "")
    base, _, n = name.rpartition("/")
    if not n.isdigit():
        continue
    series[base][int(n)] = b["real_time"]
def worst(prefix):
    keys = [k for k in series if k.startswith(prefix)]
    sizes = sorted(set.intersection(*(set(series[k]) for k in keys))) if keys else []
    return {n: max(series[k][n] for k in keys) for n in sizes}
wanted = {
    "keystroke-ours": worst("Keystroke/"),
    "keystroke-peer": series.get("Peer/ProxyModel/Keystroke", {}),
    "open-single": series.get("Open/Single", {}),
    "open-multiple": series.get("Open/Multiple", {}),
    "sort-ours": worst("Sort/"),
    "sort-peer": series.get("Peer/ProxyModel/Sort", {}),
}
for key, points in wanted.items():
    with open(f"{out}/{key}.dat", "w") as f:
        for n in sorted(points):
            f.write(f"{n} {points[n]}\n")
PY

gnuplot <<GP
set terminal pngcairo size 1200,420 font "DejaVu Sans,10" noenhanced
set output "$OUT"
set multiplot layout 1,3 title "Footprint selection at scale (median ms, log scales)"
set logscale xy
set grid
set xlabel "footprints"
set ylabel "ms"
set format x "%.0s%c"
set key top left
set title "keystroke (worst kind)"
plot "$DATA/keystroke-ours.dat" with linespoints lw 2 title "this project", \
     "$DATA/keystroke-peer.dat" with linespoints lw 2 title "QSortFilterProxyModel"
set title "open"
plot "$DATA/open-single.dat" with linespoints lw 2 title "one footprint", \
     "$DATA/open-multiple.dat" with linespoints lw 2 title "several footprints"
set title "sort"
plot "$DATA/sort-ours.dat" with linespoints lw 2 title "this project (slower dialog)", \
     "$DATA/sort-peer.dat" with linespoints lw 2 title "QSortFilterProxyModel"
unset multiplot
GP
echo "plot written to $OUT" >&2
