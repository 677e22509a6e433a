#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A script that reads the host through a pipe ends when the host ends, even
# while the PCB editor the host started runs on: the editor holds none of the
# host's streams, and its output goes to the companion log.
set -euo pipefail
host=$1
source_dir=$2
work=$(mktemp -d)
editor=
cleanup() {
  [[ -n $editor ]] && kill "$editor" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=offscreen
unset BRDEDIT_LOG PRJSETUP_LOG
log=$XDG_STATE_HOME/physprops/companions.log
printf 'dialog Physical Properties\nclick 1 1\npress View\nwait 1500\npress OK\n' >"$work/view.txt"

# The bound only turns a hang into a failure; the test waits for the host's end.
start=$(date +%s.%N)
status=0
timeout 150 bash -c 'out=$("$@" 2>&1); rc=$?; printf "%s\n" "$out"; exit $rc' _ \
  "$host" --project "$source_dir/examples/demo/demo.ini" --prop JEDEC_TYPE=SOIC14 \
  -ipqsession "pipe test $$" --script "$work/view.txt" >"$work/out.txt" || status=$?
end=$(date +%s.%N)
awk -v a="$start" -v b="$end" 'BEGIN { printf "capture ended after %.2f s\n", b - a }'

[[ -f $log ]] || fail "no companion log at $log; host said: $(cat "$work/out.txt")"
editor=$(sed -n 's/^--- [^ ]* process \([0-9]*\): .*brdedit.*/\1/p' "$log" | head -n 1)
[[ -n $editor ]] || fail "no editor heading in the log: $(cat "$log")"
kill -0 "$editor" 2>/dev/null || fail "the capture ended only when the editor had ended"
[[ $status == 0 ]] || fail "host exit $status: $(cat "$work/out.txt")"
grep -qx 'JEDEC_TYPE=SOIC14' "$work/out.txt" || fail "no values: $(cat "$work/out.txt")"
grep -q '^brdedit: ' "$work/out.txt" && fail "the editor wrote to the host's streams: $(cat "$work/out.txt")"

# The editor's own lines arrive in the log, not on the host's streams.
for _ in $(seq 300); do
  grep -q '^brdedit: open .*SOIC14' "$log" && break
  sleep 0.1
done
grep -q '^brdedit: open .*SOIC14' "$log" || fail "the editor's line is not in the log: $(cat "$log")"
[[ $(stat -c %a "$XDG_STATE_HOME/physprops") == 700 ]] || fail "the log folder is not private"
echo "PASS"
