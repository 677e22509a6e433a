#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A script that reads the host through a pipe ends when the host ends, even
# while the PCB editor the host started runs on: the editor holds none of the
# host's streams, and its output goes to the companion log. A runtime folder
# whose parents are missing is taken as none: one editor gets both requests.
set -euo pipefail
host=$1
source_dir=$2
work=$(mktemp -d)
editor=
second=
cleanup() {
  [[ -n $editor ]] && kill "$editor" 2>/dev/null || true
  [[ -n $second ]] && kill "$second" 2>/dev/null || true
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

# The session manager's folder named but missing: nothing is made in its
# place, and R0805 then DIP8 go to one editor, in that order.
export XDG_RUNTIME_DIR=$work/gone/run/user/4242 XDG_STATE_HOME=$work/state2
log=$XDG_STATE_HOME/physprops/companions.log
printf '%s\n' 'dialog Physical Properties' 'click 1 1' 'press View' 'wait 1500' 'edit 1 2 DIP8' \
  'click 1 1' 'press View' 'wait 1500' 'press OK' >"$work/two.txt"
status=0
timeout 150 "$host" --project "$source_dir/examples/demo/demo.ini" --prop JEDEC_TYPE=R0805 \
  -ipqsession "gone runtime $$" --script "$work/two.txt" >"$work/out2.txt" 2>&1 || status=$?
second=$(sed -n 's/^--- [^ ]* process \([0-9]*\): .*brdedit.*/\1/p' "$log" 2>/dev/null | head -n 1)
[[ $status == 0 ]] || fail "host exit $status: $(cat "$work/out2.txt")"
[[ -e $work/gone ]] && fail "the missing runtime folder's parents were made"
grep -q 'XDG_RUNTIME_DIR' "$work/out2.txt" || fail "the fallback was not told: $(cat "$work/out2.txt")"
for _ in $(seq 300); do
  grep -q '^brdedit: open .*DIP8' "$log" && break
  sleep 0.1
done
opened=$(grep '^brdedit: open ' "$log" | sed 's/.*\///' | tr '\n' ' ')
[[ $opened == "R0805.dra DIP8.dra " ]] || fail "opened: '$opened'; log: $(cat "$log")"
[[ $(grep -c '^--- .*brdedit' "$log") == 1 ]] || fail "more than one editor: $(cat "$log")"
echo "PASS"
