// SPDX-License-Identifier: GPL-3.0-or-later
#include "vbmp.h"

#include "layout.h"
#include "pitch.h"

#include <algorithm>
#include <cmath>

namespace sorvel {

namespace vbmp {

int itemColour(const _ni& item) {
    if (item.colourIndex >= 0 && item.colourIndex < static_cast<int>(colourTable.size())) {
        return colourTable[static_cast<std::size_t>(item.colourIndex)];
    }
    return item.colour;
}

int accidentalCode(int shownAccidental) {
    switch (shownAccidental) {
    case -2:
        return DoubleFlatSign;
    case -1:
        return FlatSign;
    case 0:
        return NaturalSign;
    case 1:
        return SharpSign;
    case 2:
        return DoubleSharpSign;
    default:
        return 0;
    }
}

} // namespace vbmp

void VBMP::computeMetrics() {
    const double g = glyphSize;
    spaceEm = upperLineEm - lowerLineEm;
    headDrop = g * lowerLineEm - 1.0;
    lineSpacing = g * spaceEm - 1.0;
    headWidth = g * headWidthEm + 1.0;
}

double VBMP::paintedRowMiddle(double row) const {
    const double below = std::floor(row);
    const double line = std::trunc(rowY(below)) + 0.5;
    if (row == below) {
        return line;
    }
    return (line + std::trunc(rowY(below + 1.0)) + 0.5) / 2.0;
}

double VBMP::stepMiddle(bool treble, int staffStep) const {
    const double lowest = treble ? trebleTopRow + 5.0 : bassTopRow - 1.0; // the row of C4
    return paintedRowMiddle(lowest - (staffStep - 35) / 2.0);
}

double VBMP::glyphTop(int code) const {
    if (code == vbmp::MarkFlat) {
        return 1.0 + 5.0 * lineSpacing;
    }
    if (code == vbmp::MarkSharp) {
        return 3.5 * lineSpacing;
    }
    return 1.0;
}

int VBMP::glyphPixelSize(int code, double size) const {
    // The triangles are drawn 0.7 of the size the font would have them, so that they stay
    // inside their own head's rows and never reach the head a third away.
    if (code == vbmp::MarkFlat)
        return static_cast<int>(std::trunc(size * 2.0 / 3.0 * markScale));
    if (code == vbmp::MarkSharp)
        return static_cast<int>(std::trunc(size * markScale));
    return static_cast<int>(std::trunc(size));
}

namespace {

// A line covers the pixels from x to x + size, both ends included.
vbmp::_ni ledgerLine(double columnX, const LedgerSpan& span, double y) {
    vbmp::_ni line;
    line.kind = vbmp::Line;
    line.code = 1;
    line.x = columnX + span.left;
    line.y = y;
    line.size = span.right - span.left - 1.0;
    line.height = 0.0;
    return line;
}

void buildNote(VBMP& b, const CStaff& staff, CChord& chord, CNote& note) {
    const double s = b.lineSpacing;
    const double w = b.headWidth;
    const bool treble = staff.middleStep == trebleMiddleStep;
    const double columnX = columnWidth * chord.columnX;
    const double x = columnX + secondShift * note.headShift;
    const int step = note.staffStep;
    // t is one pixel above the note's own line or space.
    const double t = treble ? s * (b.trebleTopRow + 5.0) - (step - 35) * s / 2.0
                            : s * (b.bassTopRow - 1.0) - (step - 35) * s / 2.0;

    for (int line : ledgerSteps(treble, step)) {
        b.items.push_back(
            ledgerLine(columnX, ledgerSpan(chord, note, line), t + (step - line) * s / 2.0 + 1.0));
    }

    const double left = x - 1.0 - (2.0 / 3.0) * w;
    const double top = t + 1.0 - s / 2.0 - (2.0 / 3.0) * s;
    const double width = (7.0 / 3.0) * w;
    note.hitBox = {left, top, width, (7.0 / 3.0) * s};
    if (chord.minX > left) {
        chord.minX = left;
    }
    if (left + width > chord.maxX) {
        chord.maxX = left + width;
    }
    note.centre = {std::trunc(x - 1.0 + w / 2.0), std::trunc(t + 1.0)};

    // Each glyph's item y puts the symbol's own line or space exactly on the painted middle of
    // its row. Truncating the cell top and the line separately left heads up to 2 px off their
    // row (C6's ledger line crossed its head), and signs and triangles drifted likewise.
    const double middle = b.stepMiddle(treble, step);
    auto anchoredY = [&](int code, double rowEm) {
        const double size = b.glyphPixelSize(code, b.glyphSize);
        const double baseline = middle + rowEm * size;
        return baseline - b.ascent / b.unitsPerEm * size - b.glyphTop(code);
    };
    int head = note.locked ? vbmp::WhiteHead : vbmp::BlackHead;
    double headRowEm = b.headRowEm;
    if (note.markKind == 1) {
        head = vbmp::MarkFlat;
        headRowEm = b.markFlatRowEm;
    } else if (note.markKind == 2) {
        head = vbmp::MarkSharp;
        headRowEm = b.markSharpRowEm;
    }
    vbmp::_ni glyph;
    glyph.kind = vbmp::Glyph;
    glyph.code = head;
    // A smaller triangle, centred under the head's place; its ink sat half a pixel low.
    const double markWidth = 11.0 * (1.0 - b.markScale);
    glyph.x = note.markKind != 0 ? x + std::round(markWidth / 2.0) : x;
    glyph.y = anchoredY(head, headRowEm) - (note.markKind != 0 ? b.markLift : 0.0);
    glyph.size = b.glyphSize;
    glyph.colourIndex = note.displayState;
    glyph.colour = note.displayColour;
    b.items.push_back(glyph);

    vbmp::_ni sign;
    sign.kind = vbmp::Glyph;
    sign.code = vbmp::accidentalCode(note.shownAccidental);
    // Left of the chord's leftmost head, in the column layout chose.
    sign.x = columnX + signAnchorX(note);
    sign.y = anchoredY(vbmp::SharpSign, b.signRowEm);
    sign.size = b.glyphSize;
    sign.colourIndex = 0;
    b.items.push_back(sign);
}

// Captions stand above the treble staff and above every head and sign on it, each from the left
// edge of its copy's first column; one that would run into the caption before it goes a line
// higher.
void buildCaptions(VBMP& b, const CMusic& score) {
    if (score.captions.empty() || score.staves.empty())
        return;
    constexpr double textSize = 11.0;
    constexpr double lineHeight = 13.0;  // the text's ascent and descent, with a pixel to spare
    constexpr double widthPerChar = 6.6; // generous: the caption's room is never underestimated
    double inkTop = b.rowY(b.trebleTopRow) - 2.0;
    for (const CChord& chord : score.staves[0].chords) {
        for (const CNote& note : chord.notes) {
            inkTop = std::min(inkTop, note.centre[1] - 6.0);
            if (note.shownAccidental >= -2 && note.shownAccidental <= 2)
                inkTop = std::min(inkTop, note.centre[1] - signInk(note.shownAccidental).top - 1.0);
        }
    }
    double previousRight = -1e9;
    double y = inkTop - 2.0 - lineHeight;
    for (const CCaption& caption : score.captions) {
        double left = 1e9;
        for (const CStaff& staff : score.staves) {
            if (caption.firstColumn < 0 ||
                static_cast<std::size_t>(caption.firstColumn) >= staff.chords.size())
                continue;
            const CChord& chord = staff.chords[static_cast<std::size_t>(caption.firstColumn)];
            if (!chord.notes.empty())
                left = std::min(left, chord.minX);
        }
        if (left == 1e9)
            continue;
        vbmp::_ni text;
        text.kind = vbmp::Text;
        text.x = std::max(0.0, std::trunc(left));
        y = text.x < previousRight + 6.0 ? y - lineHeight : inkTop - 2.0 - lineHeight;
        text.y = std::max(0.0, y);
        text.size = textSize;
        text.text = caption.text;
        b.items.push_back(text);
        previousRight = text.x + widthPerChar * static_cast<double>(caption.text.size());
    }
}

} // namespace

void buildScore(VBMP& builder, CMusic& score) {
    builder.items.clear();
    builder.computeMetrics();
    for (CStaff& staff : score.staves) {
        for (CChord& chord : staff.chords) {
            for (CNote& note : chord.notes) {
                buildNote(builder, staff, chord, note);
            }
        }
    }
    buildCaptions(builder, score);
}

} // namespace sorvel
