// SPDX-License-Identifier: GPL-3.0-or-later
// The score's drawing list: the notation font's metrics and the retained list of items
// (ledger lines, noteheads, accidentals, later staff lines and clefs) that renderScore paints.
//
//   sorvel::VBMP builder;
//   sorvel::buildScore(builder, music);   // items, and every note's hitBox and centre
//   // then BuilderBitmap::renderScore(builder) paints them (builderbitmap.h)
#pragma once

#include "tuningdata.h"

#include <array>
#include <string>
#include <vector>

namespace sorvel {

namespace vbmp {

// Item kinds, stored in _ni::kind.
inline constexpr int Glyph = 0;
inline constexpr int Line = 1;
inline constexpr int Frame = 2;
inline constexpr int Text = 3;

// Character codes of the notation font "Sonora".
inline constexpr int TrebleClef = 38;
inline constexpr int BassClef = 63;
inline constexpr int BlackHead = 207;
inline constexpr int WhiteHead = 146;
inline constexpr int MarkFlat = 209;  // triangle up: the note needs raising
inline constexpr int MarkSharp = 224; // triangle down: the note needs lowering
inline constexpr int FlatSign = 98;
inline constexpr int SharpSign = 35;
inline constexpr int NaturalSign = 110;
inline constexpr int DoubleFlatSign = 186;
inline constexpr int DoubleSharpSign = 153;

// One item of the drawing list.
struct _ni {
    double kind = Glyph;
    double code = 0; // Glyph: character code (low byte; 0 draws nothing); Line, Frame: pen width
    double x = 0.0;  // anchor in bitmap pixels
    double y = 0.0;
    double size = 0.0;   // Glyph, Text: font size in pixels; Line, Frame: horizontal extent
    double height = 0.0; // Line, Frame: vertical extent
    int colourIndex = 0; // 0..3 colour table; 4 and more: `colour`
    int colour = 0;      // 0x00BBGGRR
    std::string text;
};

// Colours of colourIndex 0..3 as 0x00BBGGRR: black, blue (marked), blue (selected),
// magenta (marked and selected).
inline constexpr std::array<int, 4> colourTable = {0x000000, 0xFF0000, 0xFF0000, 0xFF00FF};

// The colour an item is painted in, 0x00BBGGRR.
int itemColour(const _ni& item);

// The accidental sign's code for a shown accidental -2..+2; 0 (nothing) for any other value.
int accidentalCode(int shownAccidental);

} // namespace vbmp

struct VBMP {
    VBMP() { computeMetrics(); }

    // Recomputes the derived metrics from the constants.
    void computeMetrics();

    // The y of row r: r line spacings down, plus one.
    double rowY(double row) const { return row * lineSpacing + 1.0; }

    // The middle of row r as painted: lines are painted one pixel high at trunc(rowY), so a
    // line's middle lies half a pixel below that, a space's midway between its two lines.
    double paintedRowMiddle(double row) const;

    // The painted middle of a staff step's line or space on the treble (middle step 41) or the
    // bass staff.
    double stepMiddle(bool treble, int staffStep) const;

    // Where a glyph's cell top is drawn relative to its item's y, and its font size.
    double glyphTop(int code) const;
    int glyphPixelSize(int code, double size) const;

    int glyphSize = 48;        // one em in pixels
    double unitsPerEm = 750.0; // design units per em
    double ascent = 824.0;     // cell top to baseline, design units
    double headWidthEm = 177.0 / 750.0;
    double lowerLineEm = (824.0 - 78.0) / 750.0;
    double upperLineEm = (824.0 + 82.0) / 750.0;
    double spaceEm = 0.0;
    double headDrop = 0.0;    // cell top of a head above its line, less the half space
    double lineSpacing = 0.0; // pixels between staff lines
    double headWidth = 0.0;
    double trebleTopRow = 6.0;
    double bassTopRow = 16.0;
    double rows = 35.0;
    // Where the notation font puts a symbol's own line or space, in em above its baseline.
    double headRowEm = -8.0 / 750.0;
    double signRowEm = 14.0 / 750.0;
    double markFlatRowEm = 6.0 / 750.0;
    double markSharpRowEm = 62.0 / 750.0;
    // The mark triangles' size, as a part of the font's, and how far they are raised, in pixels.
    double markScale = 0.7;
    double markLift = 0.75;
    std::vector<vbmp::_ni> items;
};

// Empties the list and appends every note's ledger lines, notehead and accidental, staff by
// staff, chord by chord; stores each note's hitBox and centre and widens each chord's
// minX..maxX (which layout starts at 2147483647.0 and 0.0). Heads, signs and triangles are
// anchored to the painted middle of their own line or space; a sign stands where layout put it
// (its signShift).
void buildScore(VBMP& builder, CMusic& score);

} // namespace sorvel
