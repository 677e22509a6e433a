#!/usr/bin/env bash
# What the fuzz corpora reach: builds the fuzz targets with clang's
# source-based coverage (fuzz-cov preset, no sanitizers), replays each
# target's checked-in corpus once (-runs=0), merges the profiles and prints
# line coverage of the parser sources. The full per-file report is left in
# build/fuzz-cov/coverage.txt, the uncovered lines in build/fuzz-cov/uncovered.txt.
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
  LLVM_PROFILE_FILE=$PWD/$build/profiles/$t-%p.profraw \
    $build/bin/$t -runs=0 "fuzz/corpus/$t" >$build/profiles/$t.log 2>&1 \
    || { echo "$t: replay failed (log: $build/profiles/$t.log)" >&2; exit 1; }
  objects+=(-object "$build/bin/$t")
done
for lib in $build/lib/libphysprops-*.so.0; do objects+=(-object "$lib"); done

"$profdata" merge -sparse $build/profiles/*.profraw -o $build/fuzz.profdata
"$cov" report "${objects[@]:1}" -instr-profile=$build/fuzz.profdata >$build/coverage.txt 2>&1 || true
"$cov" report "${objects[@]:1}" -instr-profile=$build/fuzz.profdata "${sources[@]}"
"$cov" show "${objects[@]:1}" -instr-profile=$build/fuzz.profdata -show-line-counts \
  -region-coverage-lt=100 "${sources[@]}" >$build/uncovered.txt 2>/dev/null || true
