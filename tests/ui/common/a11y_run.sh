#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Plays one accessibility scenario of a11y_session.py on a real X server:
# starts Xvfb, the openbox window manager, a session bus and the AT-SPI bus,
# runs the scenario against the host, and ends each of them by its process
# id. Without the packages (scripts/deps.sh a11y installs them) it says so
# and exits 77, which CTest counts as skipped.
# Usage: tests/ui/common/a11y_run.sh PHYSPROPS_BINARY SCENARIO [LANGUAGE]
set -uo pipefail
physprops=${1:?usage: a11y_run.sh PHYSPROPS_BINARY SCENARIO [LANGUAGE]}
scenario=${2:?usage: a11y_run.sh PHYSPROPS_BINARY SCENARIO [LANGUAGE]}
language=${3:-en}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
python=/usr/bin/python3

missing=()
for need in Xvfb:xvfb openbox:openbox xdotool:xdotool dbus-daemon:dbus-x11 \
  /usr/libexec/at-spi-bus-launcher:at-spi2-core; do
  command -v "${need%%:*}" >/dev/null 2>&1 || missing+=("${need##*:}")
done
if [[ ! -x $python ]] || ! "$python" -c 'import pyatspi' 2>/dev/null; then
  missing+=(python3-pyatspi)
fi
if ((${#missing[@]})); then
  echo "[  SKIPPED ] a11y.$scenario (missing ${missing[*]}; install them with scripts/deps.sh a11y)"
  exit 77
fi

tmp=$(mktemp -d)
pids=()
finish() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do wait "${pids[i]}" 2>/dev/null; done
  rm -rf "$tmp"
}
trap finish EXIT

# Waits, by polling, until the command succeeds; gives up after 30 s.
await() {
  local what=$1 tries=0
  shift
  until "$@" >/dev/null 2>&1; do
    ((++tries > 600)) && { echo "a11y_run: gave up waiting for $what" >&2; return 1; }
    sleep 0.05
  done
}

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
await "the X server" test -s "$tmp/display" || { cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$tmp/bus" 2>"$tmp/dbus.log" &
pids+=($!)
await "the session bus" test -s "$tmp/bus" || exit 1
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
export DBUS_SESSION_BUS_ADDRESS

openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
pids+=($!)
# openbox is up once it answers the desktop questions a window manager must answer.
await "the window manager" xdotool get_num_desktops || { cat "$tmp/openbox.log" >&2; exit 1; }

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$tmp/atspi.log" 2>&1 &
pids+=($!)
# Asked before it has its name, the session bus would start a second one.
has_bus() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q 'boolean true'
}
await "the accessibility bus" has_bus || { cat "$tmp/atspi.log" >&2; exit 1; }

export LANGUAGE=$language LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
export NO_AT_BRIDGE=0
"$python" "$here/a11y_session.py" "$scenario" "$physprops" "$root" "$language"
