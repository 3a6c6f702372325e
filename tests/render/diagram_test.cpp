// SPDX-License-Identifier: GPL-3.0-or-later
#include "diagram.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sorvel {
namespace {

// A note sounding `cents` off its equal-tempered pitch, correct at `correctCents`.
CNote tunedNote(int octave, int letter, int accidental, double cents, double correctCents = 0) {
    const double et =
        440.0 *
        std::pow(2.0,
                 (12 * octave + std::array{0, 2, 4, 5, 7, 9, 11}[letter] + accidental - 57) / 12.0);
    CNote n(octave, letter, accidental);
    n.systemFrequencies.assign(5, et * std::pow(2.0, correctCents / 1200));
    n.system = 0;
    n.soundingFrequency = et * std::pow(2.0, cents / 1200);
    return n;
}

TEST(diagram, scale_maps_plus_minus_100_cents_onto_92_percent_of_the_panel) {
    const TuningDiagram d;
    EXPECT_DOUBLE_EQ(d.width(), 448);
    EXPECT_DOUBLE_EQ(d.height(), 75);
    EXPECT_NEAR(d.centsX(-100), 17.92, 1e-9);
    EXPECT_NEAR(d.centsX(0), 224, 1e-9);
    EXPECT_NEAR(d.centsX(100), 430.08, 1e-9);
    EXPECT_NEAR(d.centsX(1) - d.centsX(0), 2.0608, 1e-9);
}

TEST(diagram, frames_ticks_and_labels) {
    const TuningDiagram d;
    EXPECT_EQ(d.outline(), (DiagramRect{0, 0, 448, 75}));
    EXPECT_EQ(d.legendFrame(), (DiagramRect{0, 74, 448, 26}));
    EXPECT_EQ(d.centreLine(), (DiagramRect{0, 37, 448, 1}));

    const auto ticks = d.ticks();
    ASSERT_EQ(ticks.size(), 21u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const DiagramTick& t = ticks[i];
        const int c = -100 + 10 * static_cast<int>(i);
        SCOPED_TRACE(c);
        EXPECT_EQ(t.cents, c);
        // x = 17.92 + 2.0608 per cent, truncated
        const int x = static_cast<int>(17.92 + 2.0608 * (c + 100) + 1e-9);
        EXPECT_EQ(t.tick.left, x);
        EXPECT_EQ(t.tick.width, 1);
        EXPECT_EQ(t.label.width, 40);
        EXPECT_EQ(t.label.height, 13);
        EXPECT_EQ(t.label.left, static_cast<int>(17.92 + 2.0608 * (c + 100) - 19 + 1e-9));
        if (c % 100 == 0) {
            EXPECT_TRUE(t.isLong);
            EXPECT_EQ(t.tick.top, 25);
            EXPECT_EQ(t.tick.height, 26);
            EXPECT_EQ(t.label.top, 54);
            EXPECT_EQ(t.text, "");
            EXPECT_EQ(t.nameIndex, c / 100 + 1);
        } else {
            EXPECT_FALSE(t.isLong);
            EXPECT_EQ(t.tick.top, 32);
            EXPECT_EQ(t.tick.height, 11);
            EXPECT_EQ(t.label.top, 47);
            EXPECT_EQ(t.nameIndex, -1);
        }
    }
    EXPECT_EQ(ticks[0].tick.left, 17);
    EXPECT_EQ(ticks[10].tick.left, 224);
    EXPECT_EQ(ticks[20].tick.left, 430);
    EXPECT_EQ(ticks[1].text, "-90");
    EXPECT_EQ(ticks[9].text, "-10");
    EXPECT_EQ(ticks[11].text, "10");
    EXPECT_EQ(ticks[19].text, "90");
}

TEST(diagram, markers_start_hidden_at_the_zero_tick) {
    TuningDiagram d;
    EXPECT_EQ(d.markerRect(), (DiagramRect{223, 29, 3, 17}));
    EXPECT_EQ(d.correctLeft(), 223);
    EXPECT_EQ(d.soundingLeft(), 223);
    EXPECT_FALSE(d.answersShown());
    for (const auto& name : d.names())
        EXPECT_EQ(name, "");
}

TEST(diagram, markers_follow_the_cents_of_the_written_pitch) {
    TuningDiagram d;
    ASSERT_TRUE(d.showNote(tunedNote(4, 5, 0, 50, 0)));
    EXPECT_EQ(d.correctLeft(), 223);
    EXPECT_EQ(d.soundingLeft(), 326); // 223 + 0.5 * 206.08
    ASSERT_TRUE(d.showNote(tunedNote(3, 3, 1, -50, 13.7)));
    EXPECT_EQ(d.soundingLeft(), 119); // 223 - 103.04, truncated toward zero
    EXPECT_EQ(d.correctLeft(), 251);  // 223 + 13.7 * 2.0608

    // B#3 is measured against C4, not B3.
    CNote bSharp(3, 6, 1);
    bSharp.systemFrequencies.assign(5, 261.6255653005986);
    bSharp.soundingFrequency = 261.6255653005986;
    ASSERT_TRUE(d.showNote(bSharp));
    EXPECT_EQ(d.correctLeft(), 223);
    EXPECT_EQ(d.soundingLeft(), 223);
    EXPECT_EQ(d.names()[1], "B#3");
}

TEST(diagram, same_tuning_twice_changes_nothing_retuning_moves_the_sounding_marker) {
    TuningDiagram d;
    CNote n = tunedNote(4, 2, 0, 0);
    ASSERT_TRUE(d.showNote(n));
    EXPECT_FALSE(d.showNote(n));
    n.soundingFrequency *= std::pow(2.0, 10.0 / 1200); // one step at the easiest difficulty
    ASSERT_TRUE(d.showNote(n));
    EXPECT_EQ(d.correctLeft(), 223);
    EXPECT_GE(d.soundingLeft() - 223, 20);
    EXPECT_LE(d.soundingLeft() - 223, 21);
    EXPECT_EQ(d.shownNote().soundingFrequency, n.soundingFrequency);
    // Showing the stored copy itself is allowed.
    EXPECT_FALSE(d.showNote(d.shownNote()));
}

TEST(diagram, hidden_markers_still_move) {
    TuningDiagram d;
    d.setAnswersShown(false);
    ASSERT_TRUE(d.showNote(tunedNote(4, 0, 0, 50)));
    EXPECT_EQ(d.soundingLeft(), 326);
    EXPECT_EQ(d.names()[1], "C4");
    d.setAnswersShown(true);
    EXPECT_TRUE(d.answersShown());
    EXPECT_EQ(d.soundingLeft(), 326);
}

TEST(diagram, neighbour_names) {
    struct Row {
        int octave, letter, accidental;
        const char *below, *own, *above;
    };
    const Row rows[] = {
        {4, 2, 0, "D#4", "E4", "F4"},        {4, 0, 0, "B3", "C4", "Db4"},
        {3, 6, 0, "A#3", "B3", "C4"},        {4, 6, 1, "Ax4", "B#4", "C#5"},
        {4, 0, -1, "Bb3", "Cb4", "Dbb4"},    {4, 5, 0, "G#4", "A4", "Bb4"},
        {4, 3, 1, "E#4", "F#4", "G4"},       {5, 1, -2, "Cb5", "Dbb5", "Ebbb5"},
        {2, 5, 2, "G#x2", "Ax2", "B#2"},     {4, 1, 2, "C#x4", "Dx4", "E#4"},
        {4, 0, -2, "Bbb3", "Cbb4", "Dbbb4"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.own);
        TuningDiagram d;
        ASSERT_TRUE(d.showNote(tunedNote(r.octave, r.letter, r.accidental, 0)));
        EXPECT_EQ(d.names()[0], r.below);
        EXPECT_EQ(d.names()[1], r.own);
        EXPECT_EQ(d.names()[2], r.above);
    }
}

TEST(diagram, far_off_frequencies_leave_the_panel_without_overflow) {
    TuningDiagram d;
    CNote n = tunedNote(4, 5, 0, 0);
    n.soundingFrequency = 1e300;
    ASSERT_TRUE(d.showNote(n));
    EXPECT_GT(d.soundingLeft(), 448);
    n.soundingFrequency = 0;
    ASSERT_TRUE(d.showNote(n));
    EXPECT_LT(d.soundingLeft(), 0);
}

} // namespace
} // namespace sorvel
