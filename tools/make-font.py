#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes SONORA.TTF, the notation font the score is drawn with.

Clefs, noteheads and accidentals are Emmentaler outlines (LilyPond's font, Debian package
lilypond-fonts), scaled and moved so that the score's placement rules put each symbol on its
line or space; the two mark triangles are drawn here. Run with Debian's /usr/bin/python3
(fontTools from python3-fonttools):

    /usr/bin/python3 tools/make-font.py build/app/SONORA.TTF [--source emmentaler-20.otf]

Font units are 1/750 em, y up from the baseline. The score draws one em as 48 pixels (a unit is
0.064 px) and puts each glyph's cell top at a truncated pixel row, its baseline 824 units below.
Averaged over the truncation, a note's line or space falls (in the middle of its pixel row):
  noteheads, size 48:         0.63 px below the baseline  -> head centre at -8 units
  accidentals, size 48:       0.87 px above               -> sign centre at +14 units
  flat-mark triangle, size 32: 0.27 px above              -> centre at +6 units (of 1/750 of 32 px)
  sharp-mark triangle, size 48: 4.0 px above              -> centre at +62 units
  clefs, size 48:             0.24 px above               -> G or F line at +4 units
"""

import argparse
import glob
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

UNITS_PER_EM = 750
ASCENT = 824
DESCENT = 226
HEAD_WIDTH = 177

# Emmentaler has a staff space of 250 of its 1000 units; the score's staff space at size 48 is
# 9.24 px = 144.4 of our units.
STAFF_SCALE = 144.4 / 250

HEAD_CENTRE_Y = -8
ACCIDENTAL_CENTRE_Y = 14
# The accidental's origin lies 9 px left of its head; ending at 106 units (6.8 px) leaves a gap.
ACCIDENTAL_RIGHT = 106
CLEF_LINE_Y = 4

# OS/2 fsSelection bit 6: the plain style of its family, neither bold nor italic.
FS_SELECTION_REGULAR = 1 << 6

# code -> (glyph name in Sonora, Emmentaler glyph name)
CLEFS = {38: ("trebleClef", "clefs.G"), 63: ("bassClef", "clefs.F")}
HEADS = {207: ("blackHead", "noteheads.s2"), 146: ("whiteHead", "noteheads.s1")}
ACCIDENTALS = {
    98: ("flat", "accidentals.flat"),
    35: ("sharp", "accidentals.sharp"),
    110: ("natural", "accidentals.natural"),
    186: ("doubleFlat", "accidentals.flatflat"),
    153: ("doubleSharp", "accidentals.doublesharp"),
}


def find_source():
    found = sorted(glob.glob("/usr/share/lilypond/*/fonts/otf/emmentaler-20.otf"))
    if not found:
        sys.exit("make-font.py: emmentaler-20.otf not found (install lilypond-fonts)")
    return found[-1]


def bounds(glyphset, name):
    pen = BoundsPen(glyphset)
    glyphset[name].draw(pen)
    return pen.bounds


def copy_outline(glyphset, name, sx, sy, dx, dy):
    """The Emmentaler glyph scaled by (sx, sy), then moved by (dx, dy), as a TrueType glyph."""
    tt = TTGlyphPen(None)
    # CFF outlines run counter-clockwise; TrueType wants clockwise outer contours.
    quad = Cu2QuPen(tt, max_err=0.5, reverse_direction=True)
    glyphset[name].draw(TransformPen(quad, (sx, 0, 0, sy, dx, dy)))
    return tt.glyph()


def polygon(points):
    """A filled polygon; points go clockwise."""
    tt = TTGlyphPen(None)
    tt.moveTo(points[0])
    for p in points[1:]:
        tt.lineTo(p)
    tt.closePath()
    return tt.glyph()


def triangle(width, height, centre_y, up):
    top = round(centre_y + height / 2)
    bottom = round(centre_y - height / 2)
    mid = round(width / 2)
    if up:
        return polygon([(0, bottom), (mid, top), (width, bottom)])
    return polygon([(0, top), (width, top), (mid, bottom)])


def build(source, target):
    emm = TTFont(source)
    gs = emm.getGlyphSet()
    glyphs = {".notdef": polygon([(0, 0), (0, 500), (400, 500), (400, 0)])}
    advances = {".notdef": 450}
    cmap = {}

    for code, (name, src) in CLEFS.items():
        glyphs[name] = copy_outline(gs, src, STAFF_SCALE, STAFF_SCALE, 0, CLEF_LINE_Y)
        advances[name] = round(gs[src].width * STAFF_SCALE)
        cmap[code] = name

    for code, (name, src) in HEADS.items():
        x0, y0, x1, y1 = bounds(gs, src)
        # Both heads exactly 177 units wide; the black head's scale sets the height of both.
        sx = HEAD_WIDTH / (x1 - x0)
        sy = HEAD_WIDTH / (lambda b: b[2] - b[0])(bounds(gs, "noteheads.s2"))
        glyphs[name] = copy_outline(gs, src, sx, sy, -x0 * sx, HEAD_CENTRE_Y - (y0 + y1) / 2 * sy)
        advances[name] = HEAD_WIDTH
        cmap[code] = name

    for code, (name, src) in ACCIDENTALS.items():
        x0, y0, x1, y1 = bounds(gs, src)
        # Emmentaler puts the note's line through the origin's height (the flat's bowl); keep
        # that, and end every sign at the same distance before the head.
        dx = ACCIDENTAL_RIGHT - x1 * STAFF_SCALE
        glyphs[name] = copy_outline(gs, src, STAFF_SCALE, STAFF_SCALE, dx, ACCIDENTAL_CENTRE_Y)
        advances[name] = ACCIDENTAL_RIGHT
        cmap[code] = name

    # The flat mark is drawn at two thirds of the size: a head's 11.3 px are 265 of its units.
    glyphs["markFlat"] = triangle(265, 234, 6, up=True)
    advances["markFlat"] = 265
    cmap[209] = "markFlat"
    glyphs["markSharp"] = triangle(HEAD_WIDTH, 156, 62, up=False)
    advances["markSharp"] = HEAD_WIDTH
    cmap[224] = "markSharp"

    order = list(glyphs)
    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    glyf = fb.font["glyf"]
    metrics = {}
    for name in order:
        g = glyf[name]
        g.recalcBounds(glyf)
        metrics[name] = (advances[name], getattr(g, "xMin", 0))
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    fb.setupNameTable(
        {
            "familyName": "Sonora",
            "styleName": "Regular",
            "fullName": "Sonora Regular",
            "psName": "Sonora-Regular",
            "version": "Version 1.000",
            "copyright": "Outlines from Emmentaler, copyright 1996-2017 the LilyPond authors",
            "licenseDescription": "This Font Software is licensed under the SIL Open Font "
            "License, Version 1.1.",
            "licenseInfoURL": "https://openfontlicense.org",
        }
    )
    fb.setupOS2(
        # Installable embedding: the OFL lets any document carry the font.
        fsType=0,
        fsSelection=FS_SELECTION_REGULAR,
        sTypoAscender=ASCENT,
        sTypoDescender=-DESCENT,
        sTypoLineGap=0,
        usWinAscent=ASCENT,
        usWinDescent=DESCENT,
        achVendID="SORV",
    )
    fb.setupPost()
    fb.save(target)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", help="path of the font to write (SONORA.TTF)")
    parser.add_argument("--source", help="Emmentaler font to take the outlines from")
    args = parser.parse_args()
    build(args.source or find_source(), args.output)


if __name__ == "__main__":
    main()
