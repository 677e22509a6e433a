#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the layering of the sources by their includes: no cycle between
# folders, nothing under platform/ includes the module, and the core
# includes no Qt Widgets or Gui header; no source file is over 600 lines
# (a longer one holds more than one concern), and no class of the product
# has member functions defined in more than one .cpp file (a class that
# outgrows its file is split by responsibility, not spread over files).
# Prints the folder graph.
set -euo pipefail
cd "$(dirname "$0")/.."
python3 - <<'PY'
import collections, os, re, sys

def strip(text):
    # comments and literals out, line breaks kept
    out = re.sub(r'//[^\n]*', '', text)
    out = re.sub(r'/\*.*?\*/', lambda m: '\n' * m.group(0).count('\n'), out, flags=re.S)
    out = re.sub(r'R"(\w*)\(.*?\)\1"', lambda m: '""' + '\n' * m.group(0).count('\n'), out, flags=re.S)
    out = re.sub(r'"(?:\\.|[^"\\\n])*"', '""', out)
    out = re.sub(r"'(?:\\.|[^'\\\n])*'", "''", out)
    out = re.sub(r'^\s*#[^\n]*(?:\\\n[^\n]*)*', '', out, flags=re.M)
    return out

QUAL = re.compile(r'((?:\w+\s*::\s*)+)(~?\w+|operator\s*(?:\(\)|[^\s(]+))\s*\(')

def definitions(path, namespaces):
    """(class, line) for each member function defined at namespace scope."""
    text = strip(open(path, encoding="utf-8").read())
    scopes, head, line, head_line = [], "", 1, 1
    for c in text:
        if c == '\n':
            line += 1
        if c == '{':
            if all(s == 'ns' for s in scopes):
                h = head.strip()
                m = re.match(r'(?:inline\s+)?namespace\b\s*([\w:]*)', h)
                if m or h.startswith('extern'):
                    scopes.append('ns')
                    head = ""
                    continue
                found = QUAL.search(h)
                if '(' in h and found and '=' not in h[:found.start()]:
                    quals = [q.strip() for q in found.group(1).split('::') if q.strip()]
                    while quals and quals[0] in namespaces:
                        quals.pop(0)
                    if quals:
                        yield "::".join(quals), head_line
                scopes.append('body')
            else:
                scopes.append('body')
            head = ""
        elif c == '}':
            if scopes:
                scopes.pop()
            head = ""
        elif c == ';':
            head = ""
        else:
            if not head.strip():
                head_line = line
            head += c

def check(tops):
    files = []
    for top in tops:
        for d, _, fs in os.walk(top):
            files += [os.path.join(d, f) for f in fs if f.endswith(('.h', '.cpp'))]
    namespaces = {"std"}
    for p in files:
        for m in re.finditer(r'\bnamespace\s+([\w:]+)\s*\{', strip(open(p, encoding="utf-8").read())):
            namespaces.update(m.group(1).split("::"))
    homes = collections.defaultdict(dict)
    for p in sorted(files):
        if p.endswith('.cpp'):
            for cls, line in definitions(p, namespaces):
                homes[cls].setdefault(p, line)
    return {c: h for c, h in homes.items() if len(h) > 1}


roots = {"backend/core": "core", "backend/ui": "ui", "backend": "", "platform": "platform"}
def owner(path):
    # the folder a file belongs to, named by library and subfolder
    parts = os.path.dirname(path).split("/")
    if parts[0] == "backend":
        parts = parts[1:]
    return "/".join(parts[:2])
headers = {}
for top in ("backend", "platform"):
    for d, _, fs in os.walk(top):
        for f in fs:
            if f.endswith(".h"):
                p = os.path.join(d, f)
                for root in ("backend/core", "backend/ui", "backend", "platform"):
                    if p.startswith(root + "/"):
                        headers.setdefault(os.path.relpath(p, root), []).append(p)
edges = set()
faults = []
for top in ("backend", "platform", "host", "tools", "tests", "bench", "fuzz", "examples"):
    for d, _, fs in os.walk(top):
        for f in fs:
            if f.endswith((".h", ".cpp")):
                p = os.path.join(d, f)
                n = sum(1 for _ in open(p, encoding="utf-8"))
                if n > 600:
                    faults.append(f"{p}: {n} lines, over 600: split it by concern")
for top in ("backend", "platform", "host", "tools"):
    for d, _, fs in os.walk(top):
        for f in fs:
            if not f.endswith((".h", ".cpp")):
                continue
            p = os.path.join(d, f)
            src = owner(p)
            text = open(p, encoding="utf-8").read()
            if src.startswith("core/"):
                for inc in re.findall(r'#include <(Q[A-Za-z]+)>', text):
                    if inc.startswith(("QWidget", "QApplication", "QDialog", "QGui", "QPainter",
                                       "QAbstractItemView", "QTableView", "QStyle", "QColor",
                                       "QFont", "QIcon", "QPixmap", "QImage", "QKeyEvent",
                                       "QMouseEvent", "QMessageBox", "QLineEdit")):
                        faults.append(f"{p}: the core includes the widget header <{inc}>")
            for inc in re.findall(r'#include "([^"]+)"', text):
                for target in headers.get(inc, []):
                    dst = owner(target)
                    if dst != src:
                        edges.add((src, dst))
                    if p.startswith("platform/") and not dst.startswith("platform/"):
                        faults.append(f"{p}: the platform includes the module's {inc}")
for cls, where in sorted(check(("backend", "platform", "host", "tools")).items()):
    faults.append(f"class {cls} has member functions defined in more than one file: " +
                  ", ".join(f"{p}:{n}" for p, n in where.items()))
for fault in faults:
    print(fault)
if faults:
    sys.exit(1)
graph = {}
for a, b in edges:
    graph.setdefault(a, set()).add(b)
state = {}
def visit(n, stack):
    state[n] = 1
    for m in sorted(graph.get(n, ())):
        if state.get(m) == 1:
            print("cycle: " + " -> ".join(stack[stack.index(m):] + [m]))
            sys.exit(1)
        if not state.get(m):
            visit(m, stack + [m])
    state[n] = 2
for n in sorted(graph):
    if not state.get(n):
        visit(n, [n])
for a, b in sorted(edges):
    print(f"{a} -> {b}")
print("no cycle between folders")
PY
