#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A display that is named but not there (a stale DISPLAY or WAYLAND_DISPLAY)
# must not abort the host or the companions: each says which display failed
# and exits with 2. A walkthrough plays offscreen instead, and the editor it
# starts runs on the platform the host runs on, however that was chosen.
set -uo pipefail
bin=$1/bin
demo=$2/examples/demo/demo.ini
work=$(mktemp -d)
editors=()
cleanup() {
  for pid in "${editors[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# An X display number with no server behind it, on disk or in the abstract namespace.
n=99
while [[ -e /tmp/.X11-unix/X$n ]] || grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix; do n=$((n + 1)); done

run() { env -i PATH=/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$work" "$@" >"$work/out" 2>"$work/err"; }
expect() { # STATUS WORDS -- COMMAND...
  local want=$1 words=$2; shift 3
  run "$@"; local got=$?
  [[ $got == "$want" ]] || fail "$* exited with $got, not $want: $(cat "$work/err")"
  grep -qF -- "$words" "$work/err" || fail "$*: no '$words' in: $(cat "$work/err")"
}

x_words="the X display \":$n\" (DISPLAY) cannot be opened"
w_words="the Wayland display \"nonexistent\" (WAYLAND_DISPLAY) cannot be opened: no compositor at $work/nonexistent"
for program in physprops brdedit prjsetup; do
  expect 2 "$program: no display to show" -- DISPLAY=":$n" "$bin/$program"
  grep -qF "$x_words" "$work/err" || fail "$program: $(cat "$work/err")"
  expect 2 "$w_words" -- WAYLAND_DISPLAY=nonexistent "$bin/$program"
  expect 2 "(No such file or directory); the X display \":$n\"" -- WAYLAND_DISPLAY=nonexistent DISPLAY=":$n" "$bin/$program"
done

printf 'dialog Physical Properties\npress OK\n' >"$work/ok.txt"
expect 0 "$x_words: no X server answers there, or it refused the connection; the walkthrough plays offscreen" \
  -- DISPLAY=":$n" "$bin/physprops" --prop A=1 --script "$work/ok.txt"
[[ $(cat "$work/out") == "A=1" ]] || fail "the walkthrough printed '$(cat "$work/out")'"

# View starts the editor: with no display at all it must run where the host runs.
printf 'dialog Physical Properties\nclick 1 1\npress View\nwait 1500\npress OK\n' >"$work/view.txt"
log=$work/.local/state/physprops/companions.log
n_view=0
for how in "-platform offscreen" "DISPLAY=:$n" "QT_QPA_PLATFORM=offscreen"; do
  n_view=$((n_view + 1))
  set -- --project "$demo" --prop JEDEC_TYPE=R0805 -ipqsession "display $$ $n_view" --script "$work/view.txt"
  case $how in
    -*) set -- "$bin/physprops" $how "$@" ;;
    *) set -- "$how" "$bin/physprops" "$@" ;;
  esac
  run "$@"; got=$?
  [[ $got == 0 ]] || fail "View with $how exited with $got: $(cat "$work/err")"
  for _ in $(seq 300); do
    [[ $(grep -c '^brdedit: open .*R0805' "$log" 2>/dev/null) -ge $n_view ]] && break
    sleep 0.1
  done
  while read -r pid; do editors+=("$pid"); done < <(sed -n 's/^--- [^ ]* process \([0-9]*\): .*brdedit.*/\1/p' "$log")
  [[ $(grep -c '^brdedit: open .*R0805' "$log") -ge $n_view ]] ||
    fail "with $how the editor did not open R0805: $(cat "$log")"
done
grep -q 'no display' "$log" && fail "an editor found no display: $(cat "$log")"
echo "stale displays refused with 2, walkthrough played offscreen, editors started where the host runs"
