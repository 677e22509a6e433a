#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Reads the dialogs of a running host through the desktop accessibility bus
(AT-SPI), as a screen reader would: every control's role, name and
description, the grid's headers and cells; presses Browse... to reach the
Footprints dialog. Not run by CTest (it needs X, D-Bus and at-spi2-core);
run it with tests/ui/common/atspi_check.sh."""
import sys
import time

import pyatspi


def find_app(name, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.3)
    sys.exit(f"no accessible application named {name!r} on the bus")


def find_window(app, title, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        for win in app:
            if win is not None and win.name == title:
                return win
        time.sleep(0.3)
    sys.exit(f"no window {title!r}")


def walk(node, depth=0, out=None):
    out = [] if out is None else out
    role = node.getRoleName()
    if role == "table":
        out.append(f"{'  ' * depth}table {node.name!r} ({node.description!r})")
        table = node.queryTable()
        cols = [table.getColumnHeader(c) for c in range(table.nColumns)]
        out.append(f"{'  ' * depth}  headers: " + " | ".join(h.name if h else "?" for h in cols))
        for r in range(table.nRows):
            cells = [table.getAccessibleAt(r, c) for c in range(table.nColumns)]
            out.append(f"{'  ' * depth}  row {r + 1}: " + " | ".join(c.name if c else "?" for c in cells))
        return out
    if role not in ("filler", "panel") or node.name:
        out.append(f"{'  ' * depth}{role} {node.name!r}" + (f" ({node.description!r})" if node.description else ""))
    for child in node:
        if child is not None:
            walk(child, depth + 1, out)
    return out


def press(win, label):
    for node in pyatspi.findAllDescendants(win, lambda n: n.getRoleName() == "push button"):
        if node.name.replace("&", "") == label:
            node.queryAction().doAction(0)
            return
    sys.exit(f"no button {label!r}")


def main():
    app_name, main_title, browse, footprints_title = sys.argv[1:5]
    app = find_app(app_name)
    win = find_window(app, main_title)
    print("\n".join(walk(win)))
    press(win, browse)
    print("\n".join(walk(find_window(app, footprints_title))))


if __name__ == "__main__":
    main()
