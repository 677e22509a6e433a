#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The checks a change must pass before review, as CI runs them:
#   1. every C++ source and header is formatted as .clang-format says, and
#      every source file carries the SPDX licence line;
#   2. clang-tidy (.clang-tidy) finds nothing in the sources of the
#      libraries, the module, the host and the companions (no function
#      over 80 lines among its checks);
#   3. the subject of every commit on the branch but not on main is at most
#      72 characters (what `git log --oneline` and review tools show whole).
# Usage: scripts/lint.sh BUILD_DIR   (a configured and built tree: clang-tidy
# reads its compile_commands.json and the headers it generates).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/lint.sh BUILD_DIR}
jobs=${JOBS:-$(nproc)}

# Commits on this branch that main does not have (none on main itself).
base=""
for ref in main origin/main; do
  if git rev-parse -q --verify "$ref^{commit}" >/dev/null; then
    base=$(git merge-base HEAD "$ref")
    break
  fi
done
if [[ -n $base ]]; then
  # Characters, not bytes: a subject may hold an em dash or quotes.
  long=$(git log --format='%h %s' "$base..HEAD" |
    python3 -c 'import sys; [print(l, end="") for l in sys.stdin if len(l.rstrip("\n").split(" ", 1)[-1]) > 72]')
  if [[ -n $long ]]; then
    printf 'commit subjects over 72 characters (reword them: git rebase -i %s):\n%s\n' \
      "${base:0:12}" "$long" >&2
    exit 1
  fi
  echo "commit subjects: $(git rev-list --count "$base..HEAD") on the branch, none over 72 characters"
fi

mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.c')
echo "clang-format: ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"

# Every source, header, script and CMake file names its licence.
mapfile -t unlicensed < <(git ls-files '*.cpp' '*.h' '*.c' '*.sh' '*.py' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' |
  xargs grep -L 'SPDX-License-Identifier: MIT' || true)
if [[ ${#unlicensed[@]} -gt 0 ]]; then
  printf 'no SPDX-License-Identifier line: %s\n' "${unlicensed[@]}" >&2
  exit 1
fi

mapfile -t checked < <(git ls-files 'backend/*.cpp' 'platform/*.cpp' 'host/*.cpp' 'tools/*.cpp')
echo "clang-tidy: ${#checked[@]} files"
# The build's precompiled headers are gcc's, which clang cannot read: its
# compile commands are handed over with each forced include copied to a
# folder where no .gch sits beside it.
python3 - "$build" <<'PY'
import json, os, shutil, sys
build = os.path.abspath(sys.argv[1])
out = os.path.join(build, "lint")
os.makedirs(os.path.join(out, "pch"), exist_ok=True)
entries = json.load(open(os.path.join(build, "compile_commands.json")))
for n, e in enumerate(entries):
    words = e["command"].split(" ")
    for i, w in enumerate(words[:-1]):
        if w == "-include" and words[i + 1].endswith("cmake_pch.hxx"):
            copy = os.path.join(out, "pch", "%d.hxx" % n)
            shutil.copyfile(words[i + 1], copy)
            words[i + 1] = copy
    e["command"] = " ".join(w for w in words if w != "-Winvalid-pch")
json.dump(entries, open(os.path.join(out, "compile_commands.json"), "w"), indent=1)
PY
# -quiet drops the per-file banner; a finding is an error (.clang-tidy).
run-clang-tidy -quiet -j "$jobs" -p "$build/lint" "${checked[@]/#/$PWD/}" >"$build/clang-tidy.log" 2>&1 ||
  { grep -E 'warning:|error:' -A3 "$build/clang-tidy.log" | head -n 200; echo "clang-tidy: findings above (whole log: $build/clang-tidy.log)" >&2; exit 1; }
echo "clang-tidy: no findings"
