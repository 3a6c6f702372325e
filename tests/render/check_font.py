#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the generated notation font: name, metrics, the eleven codes, the glyph geometry the
score's placement relies on. Usage: check_font.py SONORA.TTF"""

import sys

from fontTools.ttLib import TTFont

CODES = [38, 63, 207, 146, 209, 224, 98, 35, 110, 186, 153]
HEADS = [207, 146]
ACCIDENTALS = [98, 35, 110, 186, 153]


def main(path):
    font = TTFont(path)
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    family = font["name"].getDebugName(1)
    check(family == "Sonora", f"family is {family!r}, not 'Sonora'")
    # Full and PostScript names, so that font tools and menus can tell it apart.
    names = {i: font["name"].getDebugName(i) for i in (2, 4, 6)}
    check(names == {2: "Regular", 4: "Sonora Regular", 6: "Sonora-Regular"}, f"names {names}")
    os2 = font["OS/2"]
    # fsType 0: installable embedding; anything else forbids or restricts it.
    check(os2.fsType == 0, f"OS/2 fsType {os2.fsType:#x}")
    # fsSelection: REGULAR (bit 6) set, ITALIC (0) and BOLD (5) clear, and macStyle agrees.
    check(os2.fsSelection & 0x61 == 0x40, f"OS/2 fsSelection {os2.fsSelection:#x}")
    check(font["head"].macStyle & 3 == 0, f"head macStyle {font['head'].macStyle:#x}")
    check(font["head"].unitsPerEm == 750, f"unitsPerEm {font['head'].unitsPerEm}")
    check(font["hhea"].ascent == 824, f"hhea ascent {font['hhea'].ascent}")
    check(font["OS/2"].sTypoAscender == 824, f"OS/2 typo ascender {font['OS/2'].sTypoAscender}")
    check(font["OS/2"].usWinAscent == 824, f"OS/2 win ascent {font['OS/2'].usWinAscent}")
    check("glyf" in font, "not a TrueType (glyf) font")

    cmap = font.getBestCmap()
    check(sorted(cmap) == sorted(CODES), f"codes {sorted(cmap)}")
    glyf = font["glyf"]
    for code in CODES:
        name = cmap.get(code)
        if name is None:
            failures.append(f"code {code} not mapped")
            continue
        glyph = glyf[name]
        check(glyph.numberOfContours != 0 and glyph.xMax > glyph.xMin
              and glyph.yMax > glyph.yMin, f"code {code} ({name}) is empty")

    for code in HEADS:
        g = glyf[cmap[code]]
        check(g.xMax - g.xMin == 177, f"head {code} is {g.xMax - g.xMin} units wide")
        check(g.xMin == 0, f"head {code} starts at {g.xMin}")
        # The head is centred on its line, which falls just below the baseline.
        check(abs((g.yMax + g.yMin) / 2) < 20, f"head {code} centred at {(g.yMax + g.yMin) / 2}")
        # A head fills a staff space (144 units at the drawn size), no more than about two.
        check(130 <= g.yMax - g.yMin <= 170, f"head {code} is {g.yMax - g.yMin} units high")

    # The sign's origin lies 9 px = 140 units left of its head: it must end before that.
    for code in ACCIDENTALS:
        g = glyf[cmap[code]]
        check(g.xMax < 130, f"accidental {code} reaches {g.xMax}, into its head")
    return failures


if __name__ == "__main__":
    problems = main(sys.argv[1])
    for p in problems:
        print("FAIL:", p)
    sys.exit(1 if problems else 0)
