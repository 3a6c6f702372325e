// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sorvel {
namespace {

struct WrittenCase {
    int octave, letter, accidental;
    int pitch, step;
    const char* name;
};

TEST(pitch, written_pitches_give_number_step_and_name) {
    const WrittenCase cases[] = {
        {4, 0, 0, 60, 35, "C4"},    {4, 5, 0, 69, 40, "A4"},   {3, 5, 0, 57, 33, "A3"},
        {3, 6, 1, 60, 34, "B#3"},   {4, 0, -1, 59, 35, "Cb4"}, {4, 3, 2, 67, 38, "Fx4"},
        {3, 6, -2, 57, 34, "Bbb3"}, {3, 4, 1, 56, 32, "G#3"},  {5, 6, -2, 81, 48, "Bbb5"},
        {2, 5, 2, 47, 26, "Ax2"},   {0, 2, 0, 16, 9, "E0"},    {4, 6, 0, 71, 41, "B4"},
        {3, 1, 0, 50, 29, "D3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pitchNumber(c.octave, c.letter, c.accidental), c.pitch);
        EXPECT_EQ(staffStep(c.octave, c.letter), c.step);
        EXPECT_EQ(noteName(c.octave, c.letter, c.accidental), c.name);
    }
}

TEST(pitch, equal_temperament_is_anchored_at_a440) {
    EXPECT_EQ(equalFrequency(69), 440.0);
    EXPECT_DOUBLE_EQ(equalFrequency(57), 220.0);
    EXPECT_DOUBLE_EQ(equalFrequency(81), 880.0);
    EXPECT_NEAR(equalFrequency(60), 261.6255653, 1e-7);
}

TEST(pitch, cents_measure_frequency_ratios) {
    EXPECT_NEAR(centsDifference(880, 440), 1200.0, 1e-9);
    EXPECT_NEAR(centsDifference(440, 880), -1200.0, 1e-9);
    EXPECT_NEAR(std::pow(2.0, 1.0 / 1200.0), 1.000577790, 1e-9);
    EXPECT_NEAR(centsDifference(440 * 1.000577790, 440), 1.0, 1e-6);
    EXPECT_NEAR(centsDifference(1.5, 1.0), 701.955, 1e-3);
}

TEST(pitch, interval_table_has_the_36_names_with_their_sizes) {
    const std::pair<const char*, int> expected[] = {
        {"P1", 0},  {"A1", 1},  {"B1", 2},  {"d2", 0}, {"m2", 1},  {"M2", 2},  {"A2", 3}, {"B2", 4},
        {"D3", 1},  {"d3", 2},  {"m3", 3},  {"M3", 4}, {"A3", 5},  {"B3", 6},  {"D4", 3}, {"d4", 4},
        {"P4", 5},  {"A4", 6},  {"B4", 7},  {"D5", 5}, {"d5", 6},  {"P5", 7},  {"A5", 8}, {"B5", 9},
        {"D6", 6},  {"d6", 7},  {"m6", 8},  {"M6", 9}, {"A6", 10}, {"B6", 11}, {"D7", 8}, {"d7", 9},
        {"m7", 10}, {"M7", 11}, {"A7", 12}, {"B7", 13}};
    EXPECT_EQ(intervalNames().size(), 36u);
    for (const auto& [name, size] : expected) {
        SCOPED_TRACE(name);
        const auto interval = findInterval(name);
        ASSERT_TRUE(interval.has_value());
        EXPECT_EQ(interval->semitones, size);
        EXPECT_EQ(interval->number, name[1] - '1');
    }
    for (const char* missing : {"d1", "D1", "D2", "P2", "M5", ""})
        EXPECT_FALSE(findInterval(missing).has_value()) << missing;
}

} // namespace
} // namespace sorvel
