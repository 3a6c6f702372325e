// SPDX-License-Identifier: GPL-3.0-or-later
// The beats of a sonority: the worked rates, and the rows of many random sonorities against a
// brute-force search written out here.
#include "beats.h"
#include "pitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace sorvel {
namespace {

TEST(beats, worked_rates_of_equal_and_just_intervals) {
    const std::vector<float> flat(32, 1.0f);
    struct Case {
        double low, high;
        int m, n;
        double rate;
    };
    // Equal temperament (C4 261.626, E4 329.628, A3 220, E4, F3 174.614), a just third above
    // C4 and a quarter-comma meantone fifth (ratio 5^(1/4)) on A3.
    const Case cases[] = {{261.6256, 329.6276, 5, 4, 10.382}, {220.0, 329.6276, 3, 2, 0.745},
                          {174.6141, 220.0, 5, 4, 6.929},     {261.6256, 261.6256 * 1.25, 5, 4, 0.0},
                          {220.0, 220.0 * std::pow(5.0, 0.25), 3, 2, 2.046}};
    for (const Case& c : cases) {
        const std::vector<double> f = {c.high, c.low}; // given top first: the rows sort them
        const auto rows = beatRows(f, flat, 11025.0);
        ASSERT_EQ(rows.size(), 1u) << c.low;
        EXPECT_EQ(rows[0].low, 1);
        EXPECT_EQ(rows[0].high, 0);
        EXPECT_EQ(rows[0].m, c.m);
        EXPECT_EQ(rows[0].n, c.n);
        EXPECT_NEAR(rows[0].rate, c.rate, 0.001) << c.low << " " << c.high;
    }
    // The table: every multiple of 3:2 up to 30:20 for the tempered fifth, 0.745 Hz a step
    // (computed apart in Python).
    const std::vector<double> fifth = {220.0, 329.6276};
    const auto table = beatTable(fifth);
    ASSERT_EQ(table.size(), 10u);
    for (std::size_t k = 0; k < table.size(); ++k) {
        EXPECT_EQ(table[k].m, 3 * int(k + 1));
        EXPECT_EQ(table[k].n, 2 * int(k + 1));
        EXPECT_NEAR(table[k].rate, 0.7448 * double(k + 1), 0.0001 * double(k + 1));
    }
}

// Random sonorities, levels and sample rates: each row is the lowest audible coincidence of its
// pair, found by scanning the partials of the upper note in order of frequency.
TEST(beats, rows_are_the_lowest_audible_coincidences_strongest_first) {
    std::mt19937 random(27);
    std::uniform_real_distribution<double> pitch(36.0, 84.0), db(-60.0, 0.0);
    for (int trial = 0; trial < 400; ++trial) {
        std::vector<double> f(2 + random() % 4);
        for (double& x : f)
            x = 440.0 * std::pow(2.0, (pitch(random) - 69.0) / 12.0);
        std::vector<float> levels(32);
        for (float& l : levels)
            l = static_cast<float>(std::pow(10.0, db(random) / 20.0));
        levels[random() % 32] = 1.0f; // the strongest, at 0 dB
        const double nyquist = trial % 2 ? 11025.0 : 4000.0;
        // Every other pair of trials, each note at its own gain (a drone plays softer).
        std::vector<double> gains;
        if (trial % 4 >= 2)
            for (std::size_t k = 0; k < f.size(); ++k)
                gains.push_back(db(random) / 5.0);
        const auto rows = beatRows(f, levels, nyquist, gains);

        auto dbOf = [&](int h) { return 20.0 * std::log10(levels[std::size_t(h - 1)]); };
        auto gainOf = [&](std::size_t note) { return gains.empty() ? 0.0 : gains[note]; };
        std::size_t expected = 0;
        for (std::size_t a = 0; a < f.size(); ++a)
            for (std::size_t b = 0; b < f.size(); ++b) {
                if (!(f[a] < f[b] || (f[a] == f[b] && a < b)))
                    continue;
                // The lowest m whose partial has an audible partner within 20 Hz.
                int found = 0, partner = 0;
                for (int m = 1; m <= 32 && !found; ++m)
                    for (int n = 1; n <= 32; ++n)
                        if (std::abs(m * f[a] - n * f[b]) <= 20.0 && m * f[a] < nyquist &&
                            n * f[b] < nyquist && dbOf(m) + gainOf(a) >= -40.0 &&
                            dbOf(n) + gainOf(b) >= -40.0) {
                            found = m;
                            partner = n;
                            break;
                        }
                if (!found)
                    continue;
                ++expected;
                const auto row = std::find_if(rows.begin(), rows.end(), [&](const BeatRow& r) {
                    return r.low == int(a) && r.high == int(b);
                });
                ASSERT_NE(row, rows.end()) << "trial " << trial << " pair " << a << "," << b;
                EXPECT_EQ(row->m, found);
                EXPECT_EQ(row->n, partner);
                EXPECT_NEAR(row->rate, std::abs(partner * f[b] - found * f[a]), 1e-9);
                EXPECT_NEAR(row->audibility,
                            std::min(dbOf(found) + gainOf(a), dbOf(partner) + gainOf(b)), 1e-4);
            }
        EXPECT_EQ(rows.size(), expected) << "trial " << trial;
        for (std::size_t k = 1; k < rows.size(); ++k)
            EXPECT_GE(rows[k - 1].audibility, rows[k].audibility);
    }
}

TEST(beats, note_names_as_written) {
    struct Case {
        const char* text;
        int pitch; // -1: refused
    };
    const Case cases[] = {{"C4", 60}, {"A4", 69}, {"F#3", 54}, {"Bb2", 46}, {"bb2", 46},
                          {"Ebb5", 74}, {"Gx1", 33}, {"c0", 12}, {"H4", -1}, {"C", -1},
                          {"C#", -1}, {"C#b4", -1}, {"C10", -1}, {"", -1}, {"A4 ", -1}};
    for (const Case& c : cases) {
        const auto note = parseNoteName(c.text);
        if (c.pitch < 0) {
            EXPECT_FALSE(note) << c.text;
            continue;
        }
        ASSERT_TRUE(note) << c.text;
        EXPECT_EQ(pitchNumber(note->octave, note->letter, note->accidental), c.pitch) << c.text;
    }
}

} // namespace
} // namespace sorvel
