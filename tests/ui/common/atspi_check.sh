#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Shows the Physical Properties dialog on a virtual X display with Qt's
# AT-SPI bridge on, and reads it with atspi_tree.py as a screen reader would.
# Needs xvfb, xauth, dbus, at-spi2-core and python3-pyatspi.
# Usage: tests/ui/common/atspi_check.sh [build/dev]   (LANGUAGE=de for German)
set -euo pipefail
build=${1:-build/dev}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
main_title=${MAIN_TITLE:-Physical Properties}
browse=${BROWSE:-Browse...}
footprints=${FOOTPRINTS:-Footprints}
exec xvfb-run -a dbus-run-session -- bash -c '
  set -euo pipefail
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  bus=$!
  sleep 1
  QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
    "$1/bin/physprops" --project "$2/examples/demo/demo.ini" \
    --prop JEDEC_TYPE=SOIC14 --prop "ALT_SYMBOLS=(Top:SOIC14;DIP8)" >/dev/null 2>&1 &
  host=$!
  status=0
  /usr/bin/python3 "$3/atspi_tree.py" physprops "$4" "$5" "$6" || status=$?
  kill "$host" "$bus" 2>/dev/null || true
  exit $status' _ "$build" "$root" "$here" "$main_title" "$browse" "$footprints"
