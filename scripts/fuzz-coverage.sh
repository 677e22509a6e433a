#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What the fuzz corpora reach: builds the fuzz targets with clang's
# source-based coverage (fuzz-cov preset, no sanitizers), replays each
# target's checked-in corpus once (-runs=0), merges the profiles and prints
# line coverage of the parser sources. The full per-file report is left in
# build/fuzz-cov/coverage.txt, the lines not reached in build/fuzz-cov/uncovered.txt.
#   scripts/fuzz-coverage.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz-cov
profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata)
cov=$(command -v llvm-cov-14 || command -v llvm-cov)

test -f $build/build.ninja || cmake --preset fuzz-cov
cmake --build --preset fuzz-cov -j "${JOBS:-$(nproc)}"

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

# The sources whose parsing the targets exist for.
sources=(
  backend/core/properties/AltSymbols.cpp
  backend/core/project/ExpandEnvVars.cpp
  backend/core/project/Session.cpp
  platform/pellium/OLRegExp.cpp
  platform/ipqc/IpqFrame.cpp
  backend/core/project/ProjectFile.cpp
  backend/ui/footprints/FootprintListModel.cpp
)

export QT_QPA_PLATFORM=offscreen
rm -rf $build/profiles
mkdir -p $build/profiles
objects=()
for t in "${targets[@]}"; do
  # %m: one profile per module, the program and each of our shared libraries.
  LLVM_PROFILE_FILE=$PWD/$build/profiles/$t-%p-%m.profraw \
    $build/bin/$t -runs=0 "fuzz/corpus/$t" >$build/profiles/$t.log 2>&1 \
    || { echo "$t: replay failed (log: $build/profiles/$t.log)" >&2; exit 1; }
  objects+=(-object "$build/bin/$t")
done
for lib in $build/lib/libphysprops-*.so; do objects+=(-object "$lib"); done

"$profdata" merge -sparse $build/profiles/*.profraw -o $build/fuzz.profdata
# The same inline functions in several objects make llvm-cov warn of
# "mismatched data"; their counts are still merged.
"$cov" report "${objects[@]:1}" -instr-profile=$build/fuzz.profdata >$build/coverage.txt \
  2>$build/llvm-cov.log || { echo "llvm-cov report failed: $build/llvm-cov.log" >&2; exit 1; }
"$cov" show "${objects[@]:1}" -instr-profile=$build/fuzz.profdata -show-line-counts \
  >$build/coverage-lines.txt 2>>$build/llvm-cov.log \
  || { echo "llvm-cov show failed: $build/llvm-cov.log" >&2; exit 1; }

# Line coverage per parser source. Session.cpp holds more than the
# command-line split: only the split's lines (the option list and its
# lookup, quote protection, the split) are counted for it. Lines not reached go to
# uncovered.txt as FILE:LINE: text.
python3 - "$build" "${sources[@]}" <<'PY'
import re, sys
build, sources = sys.argv[1], sys.argv[2:]
ranges = {"backend/core/project/Session.cpp": [("QStringList& ProcessOptions()", "void AddSessionOption("),
                                              ("int ProtectQuotedSpaces(", "QString LoginName(")]}
files, current = {}, None
for line in open(f"{build}/coverage-lines.txt", encoding="utf-8", errors="replace"):
    line = line.rstrip("\n")
    m = re.match(r"^(\S.*\.(?:cpp|h)):$", line)
    if m:
        current = next((s for s in sources if m.group(1).endswith(s)), None)
        if current and current not in files:
            files[current] = []
        continue
    m = re.match(r"^\s*(\d+)\|\s*([0-9.]+[kMG]?)?\|(.*)$", line)
    if current and m:
        files[current].append((int(m.group(1)), m.group(2), m.group(3)))
with open(f"{build}/uncovered.txt", "w") as out:
    print(f"{'source':48} {'lines':>6} {'missed':>6} {'cover':>7}")
    for src in sources:
        rows = files.get(src, [])
        if src in ranges:
            spans = [(next((n for n, _, t in rows if first in t), 0),
                      next((n for n, _, t in rows if last in t), 10**9)) for first, last in ranges[src]]
            rows = [r for r in rows if any(a <= r[0] < b for a, b in spans)]
            src += " (split)"
        counted = [r for r in rows if r[1] is not None]
        missed = [r for r in counted if r[1] == "0"]
        for n, _, text in missed:
            out.write(f"{src}:{n}:{text}\n")
        cover = 100.0 * (len(counted) - len(missed)) / len(counted) if counted else 0.0
        print(f"{src:48} {len(counted):6} {len(missed):6} {cover:6.1f}%")
PY
echo "lines not reached: $build/uncovered.txt; every file: $build/coverage.txt"
