// SPDX-License-Identifier: GPL-3.0-or-later
// Building the drawing list: metrics, ledger lines, hit boxes, centres, chord extents, glyph
// codes and anchors. Expected numbers are worked out by hand from s = 9.24, w = 12.328,
// d = 46.744 and the font's own placement of each symbol.
#include "vbmp.h"

#include "scorefixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace sorvel {
namespace {

using render_test::musicWith;
using render_test::noteAt;

constexpr double eps = 1e-9;

std::vector<vbmp::_ni> ledgerLines(const VBMP& b) {
    std::vector<vbmp::_ni> lines;
    for (const vbmp::_ni& item : b.items) {
        if (item.kind == vbmp::Line) {
            lines.push_back(item);
        }
    }
    return lines;
}

TEST(VbmpTest, DerivedMetrics) {
    VBMP b;
    b.glyphSize = 0;
    b.computeMetrics();
    b.glyphSize = 48;
    CMusic empty = musicWith({}, {});
    buildScore(b, empty); // recomputes
    EXPECT_NEAR(b.spaceEm, 160.0 / 750.0, eps);
    EXPECT_NEAR(b.headDrop, 46.744, eps);
    EXPECT_NEAR(b.lineSpacing, 9.24, eps);
    EXPECT_NEAR(b.headWidth, 12.328, eps);
    EXPECT_TRUE(b.items.empty());
}

struct LedgerCase {
    int staff; // 0 treble, 1 bass
    int step;
    std::vector<double> ys;
};

TEST(VbmpTest, LedgerLinesThroughOrBesideTheHead) {
    const LedgerCase cases[] = {
        {0, 35, {102.64}},        // C4: through the head
        {0, 36, {}},              // D4: none
        {0, 46, {}},              // G5: none
        {0, 47, {47.2}},          // A5: through the head
        {0, 48, {47.2}},          // B5: below the head
        {0, 49, {47.2, 37.96}},   // C6: two
        {1, 24, {}},              // F2: none
        {1, 23, {195.04}},        // E2: through the head
        {1, 22, {195.04}},        // D2: above the head
        {1, 21, {195.04, 204.28}} // C2: two
    };
    for (const LedgerCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "staff " << c.staff << " step " << c.step);
        CMusic music =
            c.staff == 0 ? musicWith({{noteAt(c.step)}}, {}) : musicWith({}, {{noteAt(c.step)}});
        music.staves[static_cast<std::size_t>(c.staff)].chords[0].columnX = 7;
        VBMP b;
        buildScore(b, music);
        const std::vector<vbmp::_ni> lines = ledgerLines(b);
        ASSERT_EQ(lines.size(), c.ys.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_NEAR(lines[i].y, c.ys[i], 1e-9);
            // 0.3 staff space (2.77 px) each side of the 11-px head, in whole pixels; the painter
            // covers both end pixels.
            EXPECT_NEAR(lines[i].x, 105 - 3, 1e-9);
            EXPECT_NEAR(lines[i].size, 3 + 11 + 3 - 1, 1e-9);
            EXPECT_EQ(lines[i].height, 0.0);
            EXPECT_EQ(lines[i].code, 1.0);
        }
        // Ledger lines come first, then the head, then the accidental.
        ASSERT_EQ(b.items.size(), c.ys.size() + 2);
        EXPECT_EQ(b.items[c.ys.size()].kind, vbmp::Glyph);
        EXPECT_EQ(b.items[c.ys.size()].code, vbmp::BlackHead);
    }
}

TEST(VbmpTest, HitBoxesAndCentres) {
    CNote c4 = noteAt(35);
    CNote c3 = noteAt(28);
    c3.headShift = 1;
    CMusic music = musicWith({{c4}}, {{c3}});
    music.staves[0].chords[0].columnX = 7;
    music.staves[1].chords[0].columnX = 8;
    VBMP b;
    buildScore(b, music);

    const CNote& treble = music.staves[0].chords[0].notes[0];
    EXPECT_NEAR(treble.hitBox[0], 95.781333333333, 1e-9);
    EXPECT_NEAR(treble.hitBox[1], 91.86, 1e-9);
    EXPECT_NEAR(treble.hitBox[2], 28.765333333333, 1e-9);
    EXPECT_NEAR(treble.hitBox[3], 21.56, 1e-9);
    EXPECT_EQ(treble.centre[0], 110.0);
    EXPECT_EQ(treble.centre[1], 102.0);

    // Bass staff, column 8 and a second's head shift of 10 px: X = 130, t = 18.5 s = 170.94.
    const CNote& bass = music.staves[1].chords[0].notes[0];
    EXPECT_NEAR(bass.hitBox[0], 120.781333333333, 1e-9);
    EXPECT_NEAR(bass.hitBox[1], 161.16, 1e-9);
    EXPECT_NEAR(bass.hitBox[2], 28.765333333333, 1e-9);
    EXPECT_NEAR(bass.hitBox[3], 21.56, 1e-9);
    EXPECT_EQ(bass.centre[0], 135.0);
    EXPECT_EQ(bass.centre[1], 171.0);
}

TEST(VbmpTest, ChordExtentsWidenOverItsNotes) {
    CNote lower = noteAt(35);
    CNote upper = noteAt(36);
    upper.headShift = 1;
    CMusic music = musicWith({{lower, upper}}, {{noteAt(28)}});
    CChord& chord = music.staves[0].chords[0];
    chord.columnX = 7;
    chord.minX = 2147483647.0;
    chord.maxX = 0.0;
    // An extent already wider than the notes is kept.
    CChord& wide = music.staves[1].chords[0];
    wide.columnX = 7;
    wide.minX = 50.0;
    wide.maxX = 300.0;
    VBMP b;
    buildScore(b, music);
    EXPECT_NEAR(chord.minX, 95.781333333333, 1e-9);
    // The upper head of the second stands 10 px right: X = 115.
    EXPECT_NEAR(chord.maxX, 115 - 1 - 8.218666666667 + 28.765333333333, 1e-9);
    EXPECT_EQ(wide.minX, 50.0);
    EXPECT_EQ(wide.maxX, 300.0);
}

// B4's line is painted as pixel row 74, whose middle is 74.5. The font puts a head's line 8
// units (of 750, at 48 px) below its baseline and the baseline lies 824 units below the cell
// top, which is drawn one pixel below the item's y.
constexpr double middleLine = 74.5;
constexpr double unit48 = 48.0 / 750.0;

TEST(VbmpTest, MiddleLineHeadSitsOnThePaintedLine) {
    CMusic music = musicWith({{noteAt(41)}}, {});
    music.staves[0].chords[0].columnX = 6;
    VBMP b;
    buildScore(b, music);
    ASSERT_EQ(b.items.size(), 2u);
    const vbmp::_ni& head = b.items[0];
    EXPECT_EQ(head.kind, vbmp::Glyph);
    EXPECT_EQ(head.code, vbmp::BlackHead);
    EXPECT_EQ(head.x, 90.0);
    EXPECT_NEAR(head.y, middleLine - 8 * unit48 - 824 * unit48 - 1.0, 1e-9);
    EXPECT_EQ(head.size, 48.0);
}

struct HeadCase {
    int markKind;
    int locked;
    int code;
    double y; // where the item is anchored
};

TEST(VbmpTest, HeadGlyphByMarkAndLock) {
    const double s = 9.24;
    // Heads: line 8 units below the baseline, cell top at y + 1. The flat mark is drawn at
    // 0.7 of 32 px (22) with its line 6 units above the baseline, cell top at y + 1 + 5 s; the
    // sharp mark at 0.7 of 48 px (33), line 62 units above, cell top at y + 3.5 s; both marks
    // raised 0.75 px.
    const double unit22 = 22.0 / 750.0;
    const double unit33 = 33.0 / 750.0;
    const double head = middleLine - 8 * unit48 - 824 * unit48 - 1.0;
    const double flat = middleLine + 6 * unit22 - 824 * unit22 - 1.0 - 5 * s - 0.75;
    const double sharp = middleLine + 62 * unit33 - 824 * unit33 - 3.5 * s - 0.75;
    const HeadCase cases[] = {
        {0, 0, vbmp::BlackHead, head}, {0, 1, vbmp::WhiteHead, head},
        {1, 0, vbmp::MarkFlat, flat},  {2, 0, vbmp::MarkSharp, sharp},
        {1, 1, vbmp::MarkFlat, flat},  {2, 1, vbmp::MarkSharp, sharp},
    };
    for (const HeadCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "markKind " << c.markKind << " locked " << c.locked);
        CNote n = noteAt(41);
        n.markKind = c.markKind;
        n.locked = c.locked;
        CMusic music = musicWith({{n}}, {});
        VBMP b;
        buildScore(b, music);
        EXPECT_EQ(b.items[0].code, c.code);
        EXPECT_NEAR(b.items[0].y, c.y, 1e-9);
    }
}

TEST(VbmpTest, HeadTakesDisplayStateAccidentalStaysBlack) {
    for (int state : {0, 1, 2, 3, 4, 5}) {
        CNote n = noteAt(41);
        n.displayState = state;
        n.displayColour = 0x00C000;
        n.shownAccidental = 1;
        CMusic music = musicWith({{n}}, {});
        VBMP b;
        buildScore(b, music);
        EXPECT_EQ(b.items[0].colourIndex, state);
        EXPECT_EQ(b.items[0].colour, 0x00C000);
        EXPECT_EQ(b.items[1].colourIndex, 0);
        EXPECT_EQ(vbmp::itemColour(b.items[1]), 0x000000);
    }
    vbmp::_ni item;
    item.colour = 0x123456;
    const int expected[] = {0x000000, 0xFF0000, 0xFF0000, 0xFF00FF, 0x123456, 0x123456};
    for (int i = 0; i < 6; ++i) {
        item.colourIndex = i;
        EXPECT_EQ(vbmp::itemColour(item), expected[i]) << "index " << i;
    }
}

TEST(VbmpTest, AccidentalCodeAndAnchor) {
    const std::pair<int, int> cases[] = {{-2, 186}, {-1, 98}, {0, 110}, {1, 35},
                                         {2, 153},  {255, 0}, {3, 0},   {-3, 0}};
    for (const auto& [shown, code] : cases) {
        CNote n = noteAt(40); // A4, the second space from the top
        n.shownAccidental = shown;
        CMusic music = musicWith({{n}}, {});
        music.staves[0].chords[0].columnX = 7;
        VBMP b;
        buildScore(b, music);
        ASSERT_EQ(b.items.size(), 2u);
        const vbmp::_ni& sign = b.items[1];
        EXPECT_EQ(sign.kind, vbmp::Glyph) << shown;
        EXPECT_EQ(sign.code, code) << shown;
        EXPECT_NEAR(sign.x, 105 - 0.66 * 12.328, 1e-9);
        // The space between the lines painted at rows 74 and 84 has its middle at 79.5; a
        // sign's line lies 14 units above its baseline.
        EXPECT_NEAR(sign.y, 79.5 + 14 * unit48 - 824 * unit48 - 1.0, 1e-9);
        EXPECT_EQ(sign.size, 48.0);
    }
}

TEST(VbmpTest, BuildingAgainReplacesTheList) {
    CMusic music = musicWith({{noteAt(35), noteAt(37)}}, {{noteAt(21)}});
    VBMP b;
    buildScore(b, music);
    const std::size_t once = b.items.size();
    EXPECT_EQ(once,
              1 + 2 + 2 + 2 +
                  2u); // C4's ledger, two treble notes, C2's two ledgers and its head and sign
    buildScore(b, music);
    EXPECT_EQ(b.items.size(), once);
}

} // namespace
} // namespace sorvel
