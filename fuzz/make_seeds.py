#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the starting corpora under fuzz/corpus/<target>/ (seed-*). Inputs
that a run found are kept beside them as regress-* files; this script leaves
those alone. Run it again after changing the cases below."""
import hashlib
import os
import sys

ROOT = os.path.dirname(os.path.abspath(__file__))
FOOTPRINTS = ["SOIC-8_3.9x4.9mm_P1.27mm", "R_0805_2012Metric", "C_0603_1608Metric",
              "QFN-32-1EP_5x5mm_P0.5mm_EP3.45x3.45mm", "DIP-8_W7.62mm", "SOT-23",
              "TO-220-3_Vertical", "LED_D5.0mm", "PinHeader_1x02_P2.54mm_Vertical",
              "BatteryHolder_Bulgin_BX0036_1xC", "Reverb_BTDR-1H", "Crystal_HC49-4H_Vertical"]


def altsymbols():
    v = lambda flags, text: bytes([flags]) + text.encode()
    long23 = "X" * 24
    return [v(0, "(SOIC8,DIP8)"), v(1, "(A:SOIC8 ; B:DIP8)"), v(0, "()"), v(0, "("), v(0, ")"),
            v(0, "SOIC8"), v(0, "(A,,B)"), v(3, "(soic8,SOIC8,x)"), v(0, "( : , ; )"),
            v(0, "(Sub:" + long23 + ",Sub:" + "Y" * 23 + ")"),
            v(0, "(" + ",".join(["S%04d" % i for i in range(205)]) + ")"),  # > 1,023 characters
            v(0, "(" + "A:B" * 400 + ")"), v(2, "(Ω:ü€𝄞, ñ ; ß)"), v(0, "(a:b:c,d)")]


def expand():
    return [s.encode() if isinstance(s, str) else s for s in [
        "plain text", "${FZ}/x", "$(FZ)x", "$FZ/x", "$", "${", "${FZ", "${}", "$()", "${F-Z}",
        "$(F-Z)", "$ZORV_INST_DIR/lib", "${ZORV_INST_DIR}", "$(ZORV_INST_DIR)", "$(FZ_UNSET)",
        "${FZ_UNSET}", "$FZ_UNSET", "${FZ_EMPTY}x", "${FZ_LONG}", "a" * 2040 + "${FZ}",
        "${FZ}" * 500, "${" + "N" * 511 + "}", "$€", "${é}", "$FZ$FZ", "ZORV_INST_DIR",
        "$FZ_SELF", "$FZ\\", "${FZ}\\\\", b"${\xff}", b"$\xc3", "x$", "$ "]]


def cmdline():
    return [s.encode() if isinstance(s, str) else s for s in [
        "prog -ipqsession name", '"a b" c', 'a"b"c', '""', '"unterminated', "/IPQSESSION x",
        "-x", "prog " + " ".join("-o%d v%d" % (i, i) for i in range(120)),  # > 1,023 bytes
        b"a\0b", "  lots   of   blanks  ", '"!quoted ! bang"', '" a"b" c"', "prog -IpqSession",
        '-ipqsession "with blank" -ipqsession second', "é -é ü", '"' * 9]]


def wildcard():
    return [s.encode() if isinstance(s, str) else s for s in [
        "*\0ABC", "AB*\0ABC", "A?C\0AÉC", "*A*B*C*\0AXBXC", "a*\0", "\0", "?\0é", "*?*\0x", "**\0",
        "A*B\0AB", "SOIC*\0" + "SOIC" + "8" * 20, "?" * 23 + "\0" + "N" * 23,
        "*a" * 30 + "b\0" + "a" * 200, b"?\0\xff\xfe", b"\xc3\0\xc3\xa9", b"*\x80\0\xc3\x80",
        "*" + "?" * 4 + "\0𝄞𝄞𝄞𝄞", "ABC\0ABCD", "ABC*\0AB", b"*\0a\0b"]]


def frame():
    def enc(p):
        return len(p).to_bytes(4, "big") + p
    out = []
    # mode 1 (payload lists), limit index in bits 1..
    for limit in range(5):
        out.append(bytes([1 | limit << 1, 0]) + b"\x03abc\x00\x05hello")
        out.append(bytes([1 | limit << 1, 3, 1, 7, 63]) + b"\xff" + b"p" * 255 + b"\x01x")
    # mode 0 (raw streams)
    out.append(bytes([0 | 4 << 1, 0]) + enc(b"one") + enc(b"") + enc(b"three"))
    out.append(bytes([0 | 3 << 1, 2, 1, 2]) + enc(b"x" * 299) + enc(b"y" * 301) + enc(b"z"))
    out.append(bytes([0 | 4 << 1, 0]) + b"\xff\xff\xff\xff" + b"rest")
    out.append(bytes([0 | 4 << 1, 1, 3]) + enc(b"whole") + b"\x00\x00\x01")
    out.append(bytes([0 | 2 << 1, 0]) + enc(b"1234567") + enc(b"12345678"))
    out.append(bytes([0, 0]) + b"\x00\x00\x00\x00" * 3 + b"\x00\x00\x00\x01")
    return out


def projectfile():
    return [s.encode() if isinstance(s, str) else s for s in [
        "expand_vars = 1\n[physprops]\nlib_path = ${FZ}lib\nlib_path = second\n",
        "", "\n\n  \n", b"[a]\nx = 1\n\0\n", "[a]\nx = " + "v" * 196 + "\n",
        "[a]\nx = " + "v" * 195 + "\r\n", "[a]\nx = " + "v" * 200 + "\n",
        "[a]\r\nx = 1\r\ny=2\r\n", "no_section = 1\n[b]\nk=v\n", "[a]\nthis line has no equals\n",
        "[a]\n= value\n", "[" + "P" * 180 + "]\n" + "D" * 180 + " = v\n",
        "[a]\nnote = " + "n" * 180 + "\nnote = " + "m" * 180 + "\n", "[unterminated\nx=1\n",
        "[a]\nx = 1\n  continued\n", "\ufeff[a]\nx=1\n", "; comment\n# other\n[a]\nx=1 ; trailing\n",
        "[A]\nX=1\n[a]\nx=2\n", b"[\xff]\n\xfe=\xfd\n", "[a]\nx:1\n", "[a]\nexpand_vars = 1\n",
        "[" + "P" * 300 + "]\n" + "d" * 300 + " = " + "v" * 5000 + "\n  more ; note\n",
        "[a]\nb =;x\nc = ;x\nd = x;y\n[ s ] tail\n  [u]\nk = v\n\t[w]\n[]\nexpand_vars = 1\n",
        "[a]\rx = 1\r[b]\ry = 2\r", "x ;y = 1\n[a ;b]\n"]]


def filter_():
    names = "\n".join(FOOTPRINTS).encode()
    return [p + b"\n" + names for p in
            [b"", b"SOIC", b"*", b"so?c*", b"R_0805", b"*0805*", b"  led  ", b"?", b"x",
             "é".encode(), b"*_*_*"]] + [
        b"soic\n" + names + b"\n\n\nsoic-8\n" + "Soic-ß".encode() + b"\n" + b"S" * 511,
        b"a\naB\nab\nAb\nA\nAB\n\nab\n", b"\nabcdefghij\nabcdefghi\nabcdefghijk\nABCDEFGH\n"
        b"abcdefgh\x00\nabcdefgh\n",
        b"*\n" + "\n".join("N%03d_%s" % (i, "é" * (i % 5)) for i in range(200)).encode()]


def write(target, cases):
    folder = os.path.join(ROOT, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.startswith("seed-"):
            os.remove(os.path.join(folder, name))
    for data in cases:
        digest = hashlib.sha1(data).hexdigest()[:16]
        with open(os.path.join(folder, "seed-" + digest), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    for target, make in [("fuzz_altsymbols", altsymbols), ("fuzz_expand", expand),
                         ("fuzz_cmdline", cmdline), ("fuzz_wildcard", wildcard),
                         ("fuzz_frame", frame), ("fuzz_projectfile", projectfile),
                         ("fuzz_filter", filter_)]:
        write(target, make())
    sys.exit(0)
