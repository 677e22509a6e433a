#!/usr/bin/env bash
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
  private_runtime=1
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
# The module shows its texts in the language of LANGUAGE (or LC_ALL,
# LC_MESSAGES, LANG); the walkthrough names dialogs, buttons and messages in
# English, so for another language its steps get the catalogue's texts.
script=$demo/walkthrough.txt
lang=${LANGUAGE:-${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}}
lang=${lang%%:*}; lang=${lang%%[_.@-]*}
catalogue=$root/translations/physprops_$lang.ts
if [[ -n "$lang" && -f "$catalogue" ]]; then
  script=$(mktemp)
  trap 'rm -f "$script"; [[ -n "${private_runtime:-}" ]] && rm -rf "$XDG_RUNTIME_DIR"' EXIT
  awk '
    function plain(s) {
      gsub(/&apos;/, "\047", s); gsub(/&quot;/, "\"", s); gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s)
      gsub(/&amp;&amp;/, "\001", s); gsub(/&amp;/, "", s); gsub(/\001/, "\\&", s)
      return s
    }
    FNR == NR {
      if (match($0, /<source>.*<\/source>/)) src = plain(substr($0, RSTART + 8, RLENGTH - 17))
      else if (match($0, /<translation>.*<\/translation>/) && src != "")
        { tr[src] = plain(substr($0, RSTART + 13, RLENGTH - 27)); src = "" }
      else if ($0 ~ /<\/message>/) src = ""
      next
    }
    /^(dialog|press|message) / {
      verb = $1; rest = substr($0, length(verb) + 2)
      if (rest in tr) { print verb " " tr[rest]; next }
    }
    { print }' "$catalogue" "$demo/walkthrough.txt" > "$script"
fi
QT_QPA_PLATFORM=offscreen "$build/bin/physprops" "${args[@]}" --verbose \
  --script "$script" --screenshots "$root/build/screenshots"
echo "Screenshots: $root/build/screenshots"
