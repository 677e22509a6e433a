#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the reference host on the demo project: the dialog itself when there
# is a display, otherwise the scripted walkthrough, offscreen.
set -euo pipefail
build=${1:-build/dev}
root=$(cd "$(dirname "$0")/.." && pwd)
demo=$root/examples/demo
args=(--project "$demo/demo.ini"
      --prop "JEDEC_TYPE=SOIC14"
      --prop "ALT_SYMBOLS=(Top:SOIC14;DIP8)"
      --prop "DESCRIPTION=14-pin small outline")
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && "${QT_QPA_PLATFORM:-}" != offscreen ]]; then
  exec "$build/bin/physprops" "${args[@]}" --verbose
fi
mkdir -p "$root/build/screenshots"
# Without a desktop session there is no runtime folder; a private one keeps
# Qt quiet and gives the message session a folder only we can open.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
# The walkthrough names dialogs, buttons and messages in English; the host
# matches them in whatever language the module speaks (LANGUAGE=de, fr).
script=$demo/walkthrough.txt
QT_QPA_PLATFORM=offscreen "$build/bin/physprops" "${args[@]}" --verbose \
  --script "$script" --screenshots "$root/build/screenshots"
echo "Screenshots: $root/build/screenshots"
