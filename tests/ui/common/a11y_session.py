#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The host's dialogs on a real X server, as a keyboard-only user and a
screen-reader user meet them. Run by a11y_run.sh, which starts the X server,
the window manager and the buses; each scenario starts the host itself.

  keyboard  real key events only (xdotool): Browse, filter, arrows, Enter;
            the multiple pick with a side chosen by keys; View and the
            Location chooser; Escape in each dialog.
  atspi     accessibility actions only: pick a footprint from a filtered
            list, set a side, press OK, check the values printed.
  trees     each dialog's flattened accessible tree against a11y_trees.txt,
            and the titles the window manager shows.
  titles    the titles the window manager shows, in the language given.

Every wait polls the accessible tree or the window list with a bound that
only a hung program reaches; nothing is timed."""
import difflib
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

BOUND = int(os.environ.get("A11Y_BOUND", "60"))  # seconds: only a program that hangs takes this long
HERE = os.path.dirname(os.path.abspath(__file__))


class Failure(Exception):
    pass


def pump():
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def wait_for(what, probe):
    end = time.monotonic() + BOUND
    while True:
        try:
            value = probe()
        except GLib.GError:
            value = None  # an object went away while it was read: ask again
        if value:
            return value
        if time.monotonic() > end:
            raise Failure(f"gave up waiting for {what}")
        pump()
        time.sleep(0.05)


# --- the host -------------------------------------------------------------

HOSTS = []


class Host:
    def __init__(self, binary, root, props):
        args = [binary, "--project", os.path.join(root, "examples/demo/demo.ini")]
        for prop in props:
            args += ["--prop", prop]
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        HOSTS.append(self)
        self.app = wait_for("the host on the accessibility bus", self._find_app)

    def _find_app(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "physprops":
                try:
                    if app.get_process_id() == self.proc.pid:
                        return app
                except GLib.GError:
                    pass
        if self.proc.poll() is not None:
            raise Failure(f"the host ended with {self.proc.returncode}: {self.proc.stderr.read()}")
        return None

    def window(self, title, multiple=None):
        """The window with this title; the two Footprints dialogs differ in
        whether their grid is multiselectable."""
        def probe():
            for win in self.app:
                if win is not None and win.name == title and win.getState().contains(pyatspi.STATE_SHOWING):
                    grid = find(win, "table", required=False) if multiple is not None else None
                    if multiple is None or (grid is not None and multiple == grid.getState().contains(
                            pyatspi.STATE_MULTISELECTABLE)):
                        return win
            return None
        return wait_for(f"the window {title!r}", probe)

    def gone(self, win):
        wait_for(f"the window {win.name!r} to close",
                 lambda: win not in list(self.app) or not win.getState().contains(pyatspi.STATE_SHOWING))

    def result(self):
        try:
            out, err = self.proc.communicate(timeout=BOUND)
        except subprocess.TimeoutExpired:
            raise Failure("the host did not end")
        return self.proc.returncode, out, err

    def end(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def descendants(node):
    """Every control under node; a table's cells are read through the table."""
    for child in node:
        if child is None:
            continue
        yield child
        if child.getRoleName() != "table":
            yield from descendants(child)


def find_by(root, role, test, required=True):
    for node in descendants(root):
        if node.getRoleName() == role and test(node):
            return node
    if required:
        raise Failure(f"no {role} as wanted in {root.name!r}")
    return None


def find(root, role, name=None, required=True):
    return find_by(root, role, lambda n: name is None or n.name == name, required)


def button(win, label):
    return find_by(win, "push button", lambda n: n.name.replace("&", "") == label)


def press(win, label):
    node = button(win, label)
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click"):
            return action.doAction(i)
    return action.doAction(0)


def rows(table_node):
    table = table_node.queryTable()
    return [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)] for r in range(table.nRows)]


def row_of(table_node, first_cell):
    for r, cells in enumerate(rows(table_node)):
        if cells and cells[0] == first_cell:
            return r
    raise Failure(f"no row {first_cell!r} in {table_node.name!r}")


def cell_text(table_node, first_cell, col):
    r = row_of(table_node, first_cell)
    return table_node.queryTable().getAccessibleAt(r, col).name


# --- X: keys and window titles --------------------------------------------

def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True).stdout


def keys(*names):
    xdotool("key", "--clearmodifiers", "--delay", "60", *names)


def type_text(text):
    xdotool("type", "--delay", "60", text)


def activate(title):
    """Gives the keyboard back to the window called title (a companion
    window takes it when it starts)."""
    wid = wait_for(f"an X window {title!r}",
                   lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                                          capture_output=True, text=True).stdout.split())
    xdotool("windowactivate", "--sync", wid[-1])


def active_title():
    # Between two windows none may be active: no title then.
    done = subprocess.run(["xdotool", "getactivewindow", "getwindowname"], capture_output=True, text=True)
    return done.stdout.strip() if done.returncode == 0 else ""


def await_title(expected):
    wait_for(f"the window manager to show {expected!r}", lambda: active_title() == expected)


# What last took the accessible focus, as the bus tells it.
FOCUS = {"node": None, "log": []}


def on_focus(event):
    if event.detail1:
        FOCUS["node"] = event.source
        try:
            FOCUS["log"].append((event.source.getRoleName(), event.source.name))
        except GLib.GError:
            FOCUS["log"].append(("an object gone since", ""))


def focused():
    return FOCUS["node"]


def await_focus(win, role, name=None):
    def probe():
        node = focused()
        return node if node is not None and node.getRoleName() == role and (name is None or node.name == name) else None
    try:
        return wait_for(f"the accessible focus on a {role} {name or ''} in {win.name!r}", probe)
    except Failure as failure:
        node = focused()
        raise Failure(f"{failure}; it is on {node.getRoleName() if node else None} {node.name if node else ''!r}")


def ready(win):
    """Waits until the keys go to win: it is active and holds the focus."""
    def probe():
        node = focused()
        if node is None or not win.getState().contains(pyatspi.STATE_ACTIVE):
            return False
        while node is not None and node.getRoleName() not in ("dialog", "frame", "window"):
            node = node.parent
        return node is not None and node.name == win.name
    wait_for(f"the keys to go to {win.name!r}", probe)
    return win


# --- the flattened tree ---------------------------------------------------

STATES = (("editable", "STATE_EDITABLE"), ("read only", "STATE_READ_ONLY"),
          ("multiselectable", "STATE_MULTISELECTABLE"), ("has popup", "STATE_HAS_POPUP"))


def marks(node):
    state = node.getState()
    found = [label for label, name in STATES if hasattr(pyatspi, name) and state.contains(getattr(pyatspi, name))]
    for rel in node.getRelationSet():
        if rel.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            found.append("labelled by " + repr(rel.getTarget(0).name))
    return f" [{', '.join(found)}]" if found else ""


def cell_line(cell):
    role = cell.getRoleName()
    text = repr(cell.name)
    if role != "table cell":
        text += f" {role}"
        if cell.childCount:
            text += " of " + "/".join(cell.getChildAtIndex(i).name for i in range(cell.childCount))
    return text + marks(cell)


def flatten(node, depth=0, out=None, max_rows=3):
    out = [] if out is None else out
    pad = "  " * depth
    role = node.getRoleName()
    desc = f" ({node.description!r})" if node.description else ""
    if role == "table":
        table = node.queryTable()
        headers = [node.getChildAtIndex(c) for c in range(table.nColumns)]
        shown = [c for c in range(table.nColumns) if headers[c].getState().contains(pyatspi.STATE_VISIBLE)]
        out.append(f"{pad}table {node.name!r}{desc}{marks(node)}: {table.nRows} rows")
        out.append(f"{pad}  headers: " + " | ".join(repr(headers[c].name) for c in shown))
        for r in range(min(table.nRows, max_rows)):
            out.append(f"{pad}  row {r + 1}: " + " | ".join(cell_line(table.getAccessibleAt(r, c)) for c in shown))
        return out
    if node.getState().contains(pyatspi.STATE_SHOWING) and (role not in ("filler", "panel") or node.name):
        out.append(f"{pad}{role} {node.name!r}{desc}{marks(node)}")
    for child in node:
        if child is not None:
            flatten(child, depth + 1, out, max_rows)
    return out


# --- scenarios ------------------------------------------------------------

START = ["JEDEC_TYPE=SOIC14", "ALT_SYMBOLS=(Top:SOIC14;DIP8)"]


def scenario_atspi(binary, root, _language):
    """A screen-reader user's task, through accessibility actions alone."""
    host = Host(binary, root, START)
    main = host.window("Physical Properties")
    props = find(main, "table")
    # The multiple pick: for the row chosen on the bus, not the remembered one.
    props.queryTable().addRowSelection(row_of(props, "ALT_SYMBOLS"))
    press(main, "Browse...")
    pick = host.window("Footprints", multiple=True)
    grid = find(pick, "table")
    find(pick, "text", "Filter").queryEditableText().setTextContents("SO")
    wait_for("the list filtered to SO", lambda: rows(grid) and all(r[0].startswith("SO") for r in rows(grid)))
    row = row_of(grid, "SOIC8")
    grid.queryTable().addRowSelection(row)
    side = grid.queryTable().getAccessibleAt(row, 2)
    if side.getRoleName() != "combo box":
        raise Failure(f"the Type cell is a {side.getRoleName()}, not a combo box")
    bottom = find_by(side, "list item", lambda n: n.name == "Bottom")
    bottom.queryAction().doAction(0)
    wait_for("the side Bottom", lambda: grid.queryTable().getAccessibleAt(row, 2).name == "Bottom")
    press(pick, "OK")
    host.gone(pick)
    wait_for("ALT_SYMBOLS to take the pick", lambda: "Bottom:SOIC8" in cell_text(props, "ALT_SYMBOLS", 1))

    # The single pick: a focus request on a cell picks its row.
    props.queryTable().addRowSelection(row_of(props, "JEDEC_TYPE"))
    press(main, "Browse...")
    pick = host.window("Footprints", multiple=False)
    grid = find(pick, "table")
    find(pick, "text", "Filter").queryEditableText().setTextContents("SO")
    wait_for("the list filtered to SO", lambda: rows(grid) and all(r[0].startswith("SO") for r in rows(grid)))
    grid.queryTable().getAccessibleAt(row_of(grid, "SOIC8"), 0).queryComponent().grabFocus()
    press(pick, "OK")
    host.gone(pick)
    press(main, "OK")
    status, out, err = host.result()
    expected = ["JEDEC_TYPE=SOIC8", "ALT_SYMBOLS=(Bottom:SOIC8)"]
    if status != 0 or out.split() != expected:
        raise Failure(f"exit {status}, printed {out.split()}, expected {expected}; {err}")


def scenario_keyboard(binary, root, _language):
    """A keyboard-only user: real key events, nothing else."""
    host = Host(binary, root, START)
    main = host.window("Physical Properties")
    activate("Physical Properties")
    ready(main)
    props = find(main, "table")

    # Escape leaves the single pick without a change.
    keys("alt+b")
    pick = host.window("Footprints", multiple=False)
    ready(pick)
    keys("Escape")
    host.gone(pick)
    ready(main)

    # Filter, arrow down into the list, Enter takes the row.
    keys("alt+b")
    pick = host.window("Footprints", multiple=False)
    ready(pick)
    grid = find(pick, "table")
    keys("alt+f")
    await_focus(pick, "text", "Filter")
    FOCUS["log"] = []
    type_text("SOIC8")
    wait_for("the list filtered to SOIC8", lambda: {r[0] for r in rows(grid)} == {"SOIC8"})
    pump()
    moved = [f"{role} {name!r}" for role, name in FOCUS["log"] if role != "text"]
    if moved:
        raise Failure(f"typing in the Filter box moved the accessible focus to {moved}")
    keys("Down")
    chosen = await_focus(pick, "table cell").name
    keys("Return")
    host.gone(pick)
    ready(main)
    wait_for(f"JEDEC_TYPE to become {chosen}", lambda: cell_text(props, "JEDEC_TYPE", 1) == chosen)

    # The multiple pick: Escape leaves it; then a row and its side chosen by keys.
    keys("Down")
    await_focus(main, "table cell", "ALT_SYMBOLS")
    keys("alt+b")
    pick = host.window("Footprints", multiple=True)
    ready(pick)
    keys("Escape")
    host.gone(pick)
    ready(main)
    keys("alt+b")
    pick = host.window("Footprints", multiple=True)
    ready(pick)
    grid = find(pick, "table")
    keys("alt+f")
    await_focus(pick, "text", "Filter")
    type_text("DIP14")
    wait_for("the list filtered to DIP14", lambda: {r[0] for r in rows(grid)} == {"DIP14"})
    keys("Down")
    await_focus(pick, "table cell", "DIP14")
    keys("ctrl+space", "Right")
    side = await_focus(pick, "combo box")
    before = side.name
    keys("F2")
    # The editor: a combo box of its own, said to be the row's.
    wait_for("the side's editor", lambda: focused() != side and focused().getRoleName() == "combo box"
             and focused().description == "Row 1")
    keys("Up" if before == "Both" else "Down")  # the editor's next choice

    picked = []

    def side_chosen():
        node = focused()
        if node.getRoleName() == "list item" and not picked:
            keys("Return")  # an editor that opens with its list open picks with Enter
            picked.append(node.name)
            return None
        return node.getRoleName() == "combo box" and node.parent.getRoleName() == "table" \
            and node.name != before and node.name
    after = wait_for("the cell with another side", side_chosen)
    keys("Return")
    host.gone(pick)
    ready(main)
    wait_for(f"ALT_SYMBOLS to become ({after}:DIP14)",
             lambda: cell_text(props, "ALT_SYMBOLS", 1) == f"({after}:DIP14)")

    # View with the drawing in two places: the Location chooser; Escape closes it.
    keys("Up")
    await_focus(main, "table cell", "JEDEC_TYPE")
    keys("alt+v")
    chooser = host.window("Location")
    ready(chooser)
    await_focus(chooser, "table cell")
    keys("Escape")
    host.gone(chooser)
    activate("Physical Properties")
    ready(main)
    keys("Escape")
    status, out, err = host.result()
    if status != 1 or out:
        raise Failure(f"Escape in the main dialog: exit {status}, printed {out!r}; {err}")


def open_dialogs(host):
    """Each dialog in turn, as its tree and title stand when it opens."""
    main = host.window(host.titles["main"])
    props = find(main, "table")
    yield "Physical Properties", main
    props.queryTable().addRowSelection(row_of(props, "JEDEC_TYPE"))
    press(main, host.titles["browse"])
    pick = host.window(host.titles["footprints"], multiple=False)
    yield "Footprints (single pick)", pick
    find(pick, "text", "Filter").queryEditableText().setTextContents("ZZ")
    grid = find(pick, "table")
    wait_for("an empty list", lambda: grid.queryTable().nRows == 0)
    yield "Footprints (nothing matches)", pick
    press(pick, host.titles["cancel"])
    host.gone(pick)
    props.queryTable().addRowSelection(row_of(props, "ALT_SYMBOLS"))
    press(main, host.titles["browse"])
    pick = host.window(host.titles["footprints"], multiple=True)
    yield "Footprints (multiple pick)", pick
    press(pick, host.titles["cancel"])
    host.gone(pick)
    props.queryTable().addRowSelection(row_of(props, "JEDEC_TYPE"))
    press(main, host.titles["view"])
    chooser = host.window(host.titles["location"])
    yield "Location", chooser
    press(chooser, host.titles["cancel"])
    host.gone(chooser)
    press(main, host.titles["cancel"])


TITLES = {
    "en": {"main": "Physical Properties", "footprints": "Footprints", "location": "Location",
           "browse": "Browse...", "view": "View", "cancel": "Cancel"},
    "de": {"main": "Physikalische Eigenschaften", "footprints": "Footprints", "location": "Ort",
           "browse": "Durchsuchen...", "view": "Anzeigen", "cancel": "Abbrechen"},
}


def scenario_trees(binary, root, language):
    host = Host(binary, root, ["JEDEC_TYPE=SOIC8", "ALT_SYMBOLS=(Top:SOIC14;DIP8)", "HEIGHT="])
    host.titles = TITLES[language]
    text = []
    for heading, win in open_dialogs(host):
        await_title(win.name)
        text += [f"== {heading}"] + [line.replace(root, "<root>") for line in flatten(win)]
    host.result()
    expected_path = os.path.join(HERE, "a11y_trees.txt")
    with open(expected_path, encoding="utf-8") as f:
        expected = f.read().splitlines()
    if os.environ.get("A11Y_TREES_WRITE") == "1":
        with open(expected_path, "w", encoding="utf-8") as f:
            f.write("\n".join(text) + "\n")
        return
    if text != expected:
        sys.stdout.write("\n".join(difflib.unified_diff(expected, text, expected_path, "now", lineterm="")) + "\n")
        raise Failure("the accessible trees differ from a11y_trees.txt (the diff is above)")


def scenario_titles(binary, root, language):
    host = Host(binary, root, ["JEDEC_TYPE=SOIC8", "ALT_SYMBOLS=(Top:SOIC14;DIP8)"])
    host.titles = TITLES[language]
    for heading, win in open_dialogs(host):
        await_title(win.name)
        print(f"{heading}: {active_title()!r}")
    host.result()


def main():
    scenario, binary, root, language = sys.argv[1:5]
    run = globals().get(f"scenario_{scenario}")
    if run is None:
        sys.exit(f"no scenario {scenario!r}")
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    try:
        run(binary, root, language)
    except Failure as failure:
        print(f"a11y {scenario}: {failure}", file=sys.stderr)
        sys.exit(1)
    finally:
        for host in HOSTS:
            host.end()
    print(f"a11y {scenario}: passed")


if __name__ == "__main__":
    main()
