// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering: bitmap size, staff lines and clefs, and what the painted pixels show (heads on
// their lines, colours, white heads, lines over heads, Frame and Text items).
#include "builderbitmap.h"

#include "layout.h"
#include "scorefixture.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>

namespace sorvel {
namespace {

using render_test::musicWith;
using render_test::noteAt;

// Painting text needs an application object and the generated font.
class QtEnvironment : public testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "render_tests";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QGuiApplication>(argc, argv);
        m_fontId = QFontDatabase::addApplicationFont(QStringLiteral(SORVEL_FONT_FILE));
        ASSERT_GE(m_fontId, 0) << "cannot load " << SORVEL_FONT_FILE;
    }
    void TearDown() override {
        QFontDatabase::removeApplicationFont(m_fontId);
        m_app.reset();
    }

private:
    std::unique_ptr<QGuiApplication> m_app;
    int m_fontId = -1;
};

const auto* const qtEnvironment = testing::AddGlobalTestEnvironment(new QtEnvironment);

bool dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 96;
}

bool light(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) > 200;
}

// Dark pixels in the rectangle [x0, x1) x [y0, y1).
int inkIn(const QImage& image, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            count += dark(image, x, y) ? 1 : 0;
        }
    }
    return count;
}

const int staffRows[] = {56, 65, 74, 84, 93, 148, 158, 167, 176, 185};

TEST(ScoreRenderTest, EmptyExerciseGivesStaffAndClefsOnly) {
    CMusic music = musicWith({}, {});
    VBMP b;
    BuilderBitmap bitmap;
    buildScore(b, music);
    const QImage& image = bitmap.renderScore(b);
    EXPECT_EQ(image.width(), 700);
    EXPECT_EQ(image.height(), 369);
    EXPECT_EQ(&image, &bitmap.bitmap());
    ASSERT_EQ(b.items.size(), 12u);

    for (int row : staffRows) {
        for (int x : {0, 100, 350, 699}) {
            EXPECT_TRUE(dark(image, x, row)) << "x " << x << " row " << row;
        }
        EXPECT_TRUE(light(image, 350, row + 3)) << "below row " << row;
    }
    // Clefs: ink left of x = 60, none right of it off the lines.
    EXPECT_GT(inkIn(image, 20, 40, 60, 110), 200);
    EXPECT_GT(inkIn(image, 20, 140, 60, 190), 150);
    EXPECT_EQ(inkIn(image, 60, 0, 700, 56), 0);
    EXPECT_EQ(inkIn(image, 60, 194, 700, 369), 0);
}

TEST(ScoreRenderTest, TrebleClefCurlsAroundTheGLineBassDotsAroundTheF) {
    const QImage image = drawScore(*std::make_unique<CMusic>(musicWith({}, {})));
    // The treble clef reaches above and below its staff; the bass clef stays near its own.
    EXPECT_GT(inkIn(image, 20, 30, 60, 56), 0);
    EXPECT_GT(inkIn(image, 20, 94, 60, 120), 0);
    // The bass clef's two dots lie right of its body in the spaces either side of the F line
    // (158): ink in both spaces, none on the far right between them.
    int dotsAbove = 0;
    int dotsBelow = 0;
    for (int x = 44; x < 56; ++x) {
        dotsAbove += inkIn(image, x, 151, x + 1, 157);
        dotsBelow += inkIn(image, x, 160, x + 1, 166);
    }
    EXPECT_GT(dotsAbove, 0);
    EXPECT_GT(dotsBelow, 0);
}

TEST(ScoreRenderTest, WidthFollowsTheLastItemEvenWithoutASign) {
    CMusic music = musicWith({{noteAt(40)}}, {});
    music.staves[0].chords[0].columnX = 7;
    VBMP b;
    BuilderBitmap bitmap;
    buildScore(b, music);
    ASSERT_EQ(b.items.back().code, 0.0); // no sign, still the last item
    const QImage& image = bitmap.renderScore(b);
    // trunc(105 - 0.66 * 12.328 + 50 + 500)
    EXPECT_EQ(image.width(), 646);
    EXPECT_EQ(image.height(), 369);
    // The empty sign leaves the room left of the head white (A4 is in the space between rows 74 and
    // 84).
    EXPECT_EQ(inkIn(image, 92, 75, 104, 84), 0);
}

TEST(ScoreRenderTest, HeadsSitOnTheirLinesAndSpaces) {
    // One black head per column: every line and space of the treble staff from C4 to A5.
    std::vector<std::vector<CNote>> treble;
    for (int step = 35; step <= 47; ++step) {
        treble.push_back({noteAt(step)});
    }
    CMusic music = musicWith(treble, {});
    const QImage image = drawScore(music);
    for (const CChord& chord : music.staves[0].chords) {
        const CNote& n = chord.notes[0];
        SCOPED_TRACE(testing::Message() << "step " << n.staffStep);
        const int cx = static_cast<int>(n.centre[0]);
        const int cy = static_cast<int>(n.centre[1]);
        EXPECT_TRUE(dark(image, cx, cy));
        // The head is about a staff space high, centred on its line or space: ink 4 px above
        // and below the centre, white well beyond (5.5 px away nothing but a staff line).
        EXPECT_TRUE(dark(image, cx, cy - 3));
        EXPECT_TRUE(dark(image, cx, cy + 3));
        for (int dy : {-7, 7}) {
            const int y = cy + dy;
            const bool onLine =
                std::find(std::begin(staffRows), std::end(staffRows), y) != std::end(staffRows);
            const bool onLedger = y == 102 || y == 47;
            if (!onLine && !onLedger) {
                EXPECT_TRUE(light(image, cx, y)) << "dy " << dy;
            }
        }
        // Horizontally the head spans the column: X .. X + 11.
        const int x = 15 * chord.columnX;
        EXPECT_TRUE(dark(image, x + 1, cy));
        EXPECT_TRUE(dark(image, x + 10, cy));
        EXPECT_TRUE(light(image, x - 2, cy - 1) || n.staffStep % 2 == 1);
    }
}

TEST(ScoreRenderTest, StaffLinesStayBlackBetweenAndOverHeads) {
    // Two chords on the B4 line and the E4 line (both staff lines).
    CMusic music = musicWith({{noteAt(37), noteAt(41)}, {noteAt(37), noteAt(41)}}, {});
    const QImage image = drawScore(music);
    for (int row : {74, 93}) {
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(image.pixel(x, row), qRgb(0, 0, 0)) << "x " << x << " row " << row;
        }
    }
}

TEST(ScoreRenderTest, WhiteHeadIsLightInsideADarkOutline) {
    CNote white = noteAt(42); // C5, third space
    white.locked = 1;
    CNote bassWhite = noteAt(28); // C3, second space from the top of the bass staff
    bassWhite.locked = 1;
    CMusic music = musicWith({{white}}, {{bassWhite}});
    const QImage image = drawScore(music);
    for (const CNote* n :
         {&music.staves[0].chords[0].notes[0], &music.staves[1].chords[0].notes[0]}) {
        const int cx = static_cast<int>(n->centre[0]);
        const int cy = static_cast<int>(n->centre[1]);
        EXPECT_TRUE(light(image, cx, cy)) << "step " << n->staffStep;
        // Left and right of the hole the outline is thick and dark.
        EXPECT_GT(inkIn(image, cx - 5, cy - 1, cx - 2, cy + 2), 0) << "step " << n->staffStep;
        EXPECT_GT(inkIn(image, cx + 2, cy - 1, cx + 6, cy + 2), 0) << "step " << n->staffStep;
    }
}

TEST(ScoreRenderTest, HeadColoursFollowTheDisplayState) {
    struct Case {
        int displayState;
        int displayColour;
        int markKind;
        QRgb expected;
    };
    const Case cases[] = {
        {0, 0, 0, qRgb(0, 0, 0)},          {1, 0, 0, qRgb(0, 0, 255)},
        {2, 0, 0, qRgb(0, 0, 255)},        {3, 0, 0, qRgb(255, 0, 255)},
        {4, 0x00B000, 0, qRgb(0, 176, 0)}, {5, 0x0000E0, 0, qRgb(224, 0, 0)},
        {1, 0, 1, qRgb(0, 0, 255)},        {1, 0, 2, qRgb(0, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.displayState << " mark " << c.markKind);
        CNote n = noteAt(40); // A4, in a space: no staff line crosses the centre
        n.displayState = c.displayState;
        n.displayColour = c.displayColour;
        n.markKind = c.markKind;
        n.marked = c.markKind > 0 ? 1 : 0;
        CMusic music = musicWith({{n}}, {});
        const QImage image = drawScore(music);
        const CNote& drawn = music.staves[0].chords[0].notes[0];
        EXPECT_EQ(image.pixel(static_cast<int>(drawn.centre[0]), static_cast<int>(drawn.centre[1])),
                  c.expected);
    }
}

TEST(ScoreRenderTest, TrianglesCoverTheHeadTheyReplace) {
    for (int markKind : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "mark " << markKind);
        CNote n = noteAt(40);
        n.markKind = markKind;
        CMusic music = musicWith({{n}}, {});
        const QImage image = drawScore(music);
        const int cx = static_cast<int>(music.staves[0].chords[0].notes[0].centre[0]);
        const int cy = static_cast<int>(music.staves[0].chords[0].notes[0].centre[1]);
        // Ink a few pixels above and below the centre, and nothing 8 px away.
        EXPECT_TRUE(dark(image, cx, cy - 3));
        EXPECT_TRUE(dark(image, cx, cy + 1));
        EXPECT_EQ(inkIn(image, cx - 8, cy - 8, cx + 8, cy - 7), 0);
        EXPECT_EQ(inkIn(image, cx - 8, cy + 8, cx + 8, cy + 9), 0);
    }
}

TEST(ScoreRenderTest, AccidentalsStandLeftOfTheirHeadWithoutTouchingIt) {
    for (int shown : {-2, -1, 0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << "accidental " << shown);
        CNote n = noteAt(40); // A4, column X = 90
        n.shownAccidental = shown;
        CMusic music = musicWith({{n}}, {});
        const QImage image = drawScore(music);
        const int cy = static_cast<int>(music.staves[0].chords[0].notes[0].centre[1]);
        EXPECT_GT(inkIn(image, 72, cy - 4, 89, cy + 5), 8);
        // A white column between sign and head, off the staff lines.
        int gapInk = 0;
        for (int y = cy - 4; y <= cy + 4; ++y) {
            if (y != 74 && y != 84) {
                gapInk += inkIn(image, 89, y, 90, y + 1);
            }
        }
        EXPECT_EQ(gapInk, 0);
    }
}

TEST(ScoreRenderTest, FrameAndTextItems) {
    CMusic music = musicWith({}, {});
    VBMP b;
    buildScore(b, music);
    vbmp::_ni frame;
    frame.kind = vbmp::Frame;
    frame.code = 1;
    frame.x = 300.4;
    frame.y = 250.7;
    frame.size = 50;
    frame.height = 30;
    b.items.push_back(frame);
    vbmp::_ni text;
    text.kind = vbmp::Text;
    text.x = 400;
    text.y = 250;
    text.size = 20;
    text.text = "Sorvel";
    b.items.push_back(text);
    BuilderBitmap bitmap;
    const QImage& image = bitmap.renderScore(b);
    EXPECT_EQ(image.width(), 400 + 550);
    for (int y = 250; y <= 280; y += 10) {
        EXPECT_TRUE(dark(image, 300, y)) << y;
        EXPECT_TRUE(dark(image, 350, y)) << y;
    }
    EXPECT_TRUE(dark(image, 325, 250));
    EXPECT_TRUE(dark(image, 325, 280));
    EXPECT_EQ(inkIn(image, 302, 252, 349, 279), 0);
    EXPECT_GT(inkIn(image, 400, 250, 470, 275), 20);
    EXPECT_EQ(inkIn(image, 400, 230, 470, 249), 0);
}

} // namespace
} // namespace sorvel

namespace sorvel {
namespace {

TEST(ScoreRenderTest, LaidOutCMajorChordFromTheModel) {
    CChord column;
    column.notes = {CNote(4, 4, 0), CNote(4, 0, 0), CNote(4, 2, 0)}; // G4, C4, E4
    CTwoStaffChord columns;
    columns.columns.push_back(column);
    CMusic music = buildMusic(columns);
    layoutMusic(music);
    const QImage image = drawScore(music);

    // One column at columnX 6: X = 90, centres at x = trunc(90 - 1 + 6.164) = 95, on the lines
    // of C4 (ledger, row 102), E4 (93) and G4 (84).
    const CChord& chord = music.staves[0].chords[0];
    ASSERT_EQ(chord.notes.size(), 3u);
    const int rows[] = {102, 93, 84};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(chord.notes[i].centre[0], 95.0);
        EXPECT_EQ(chord.notes[i].centre[1], rows[i]);
        EXPECT_TRUE(dark(image, 95, rows[i]));
        EXPECT_TRUE(dark(image, 95, rows[i] - 3));
        EXPECT_TRUE(dark(image, 95, rows[i] + 3));
    }
    // The ledger line reaches 3 px beyond the 11-px head on both sides: 87 .. 103.
    EXPECT_TRUE(dark(image, 87, 102));
    EXPECT_TRUE(dark(image, 103, 102));
    EXPECT_TRUE(light(image, 86, 102));
    EXPECT_TRUE(light(image, 104, 102));
    EXPECT_NEAR(chord.minX, 90 - 1 - 2.0 / 3.0 * 12.328, 1e-9);
    EXPECT_NEAR(chord.maxX, 90 - 1 - 2.0 / 3.0 * 12.328 + 7.0 / 3.0 * 12.328, 1e-9);
}

} // namespace
} // namespace sorvel

namespace sorvel {
namespace {

TEST(ScoreRenderTest, RedrawReplacesTheBitmapAndTheList) {
    VBMP builder;
    BuilderBitmap bitmap;
    CMusic two = musicWith({{noteAt(40)}, {noteAt(42)}}, {});
    const QImage first = redrawScore(builder, bitmap, two);
    EXPECT_EQ(builder.items.size(), 4u + 12u);
    EXPECT_TRUE(dark(first, static_cast<int>(two.staves[0].chords[1].notes[0].centre[0]),
                     static_cast<int>(two.staves[0].chords[1].notes[0].centre[1])));
    // A smaller exercise afterwards: the old heads and the old list are gone.
    CMusic one = musicWith({{noteAt(40)}}, {});
    const QImage& second = redrawScore(builder, bitmap, one);
    EXPECT_EQ(builder.items.size(), 2u + 12u);
    EXPECT_LT(second.width(), first.width());
    EXPECT_GT(inkIn(first, 130, 66, 150, 74), 20);
    EXPECT_EQ(inkIn(second, 130, 66, 150, 74), 0);
}

} // namespace
} // namespace sorvel
