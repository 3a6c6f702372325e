// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuningsystems.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace sorvel {
namespace {

double centsOf(double ratio) {
    return 1200.0 * std::log2(ratio);
}

const FixedTuningSystem& fixed(int index) {
    return dynamic_cast<const FixedTuningSystem&>(*tuningSystems()[index]);
}

TEST(tuning_systems, registry_holds_five_in_index_order) {
    const auto& systems = tuningSystems();
    ASSERT_EQ(systems.size(), 5u);
    EXPECT_NE(dynamic_cast<const EqualTemperament*>(systems[0]), nullptr);
    EXPECT_NE(dynamic_cast<const JustIntonation*>(systems[1]), nullptr);
    EXPECT_NE(dynamic_cast<const Vallotti*>(systems[2]), nullptr);
    EXPECT_NE(dynamic_cast<const WerkmeisterIII*>(systems[3]), nullptr);
    EXPECT_NE(dynamic_cast<const QCMeanTone*>(systems[4]), nullptr);
    EXPECT_EQ(tuningSystemNames[3], "Werkmeister III");
}

TEST(tuning_systems, commas_and_just_ratios) {
    EXPECT_NEAR(pythagoreanComma(), 1.0136432647705078, 1e-15);
    EXPECT_NEAR(centsOf(pythagoreanComma()), 23.46, 0.005);
    EXPECT_EQ(syntonicComma(), 1.0125);
    const double expected[] = {
        1.0,     16.0 / 15, 9.0 / 8, 6.0 / 5,  5.0 / 4, 4.0 / 3, 1.41421356237309515,
        3.0 / 2, 8.0 / 5,   5.0 / 3, 16.0 / 9, 15.0 / 8};
    for (int i = 0; i < 12; ++i)
        EXPECT_DOUBLE_EQ(justRatios()[i], expected[i]) << i;
}

// Ratios and cents against equal temperament, per pitch class C..B, as published for each
// temperament.
struct RatioRow {
    double vallotti, vallottiCents, werkmeister, werkmeisterCents, meantone, meantoneCents;
};
const RatioRow ratioRows[12] = {
    {1.1932426933, +5.87, 1.1972919662, +11.73, 1.1962790250, +10.26},
    {1.2599210499, 0.00, 1.2613446229, +1.96, 1.2500000000, -13.69},
    {1.3363480772, +1.96, 1.3378580044, +3.91, 1.3374806100, +3.42},
    {1.4174111811, +3.91, 1.4190127007, +5.87, 1.4310835056, +20.53},
    {1.4966160644, -1.96, 1.5000000000, +1.96, 1.4953487812, -3.42},
    {1.5945875788, +7.82, 1.5963892883, +9.78, 1.6000000000, +13.69},
    {1.6798947332, -1.96, 1.6817928305, 0.00, 1.6718507624, -10.26},
    {1.7858261835, +3.91, 1.7898640399, +7.82, 1.7888543820, +6.84},
    {1.8898815748, +1.96, 1.8920169343, +3.91, 1.8691859765, -17.11},
    {1.0000000000, 0.00, 1.0000000000, 0.00, 1.0000000000, 0.00},
    {1.0630583858, +5.87, 1.0642595256, +7.82, 1.0699844880, +17.11},
    {1.1199298221, -3.91, 1.1211952203, -1.96, 1.1180339887, -6.84},
};

TEST(tuning_systems, fixed_ratio_tables_match_the_published_temperaments) {
    for (int pc = 0; pc < 12; ++pc) {
        SCOPED_TRACE(pc);
        const RatioRow& row = ratioRows[pc];
        const double ratio[3] = {row.vallotti, row.werkmeister, row.meantone};
        const double cents[3] = {row.vallottiCents, row.werkmeisterCents, row.meantoneCents};
        for (int s = 0; s < 3; ++s) {
            const double got = fixed(2 + s).ratioTable()[pc];
            EXPECT_NEAR(got, ratio[s], 1e-9) << "system " << 2 + s;
            // Distance from the equal-tempered class, measured from A (class 9).
            const int semis = (pc - 9 + 12) % 12;
            EXPECT_NEAR(centsOf(got) - 100.0 * semis, cents[s], 0.006) << "system " << 2 + s;
        }
    }
}

TEST(tuning_systems, meantone_wolf_closes_the_circle) {
    const auto& r = fixed(4).ratioTable();
    // G# up to Eb: the ratio of Eb (in the next octave) over G#.
    EXPECT_NEAR(2.0 * r[3] / r[8], 1.5312371520, 1e-9);
}

TEST(tuning_systems, frequencies_of_chosen_pitches) {
    const auto& s = tuningSystems();
    for (int k : {0, 2, 3, 4})
        EXPECT_EQ(s[k]->frequency(69, {}), 440.0) << k;
    for (int k : {2, 3, 4}) {
        EXPECT_EQ(s[k]->frequency(81, {}), 880.0) << k;
        EXPECT_EQ(s[k]->frequency(57, {}), 220.0) << k;
    }
    EXPECT_NEAR(s[0]->frequency(60, {}), 261.6255653, 1e-7);
    EXPECT_NEAR(s[2]->frequency(60, {}), 262.5133925, 1e-7);
    EXPECT_NEAR(s[3]->frequency(60, {}), 263.4042326, 1e-7);
    EXPECT_NEAR(s[4]->frequency(60, {}), 263.1813855, 1e-7);
    EXPECT_DOUBLE_EQ(s[3]->frequency(64, {}), 330.0);
    // G#4 lies in the octave below A4.
    for (int k : {2, 3, 4})
        EXPECT_DOUBLE_EQ(s[k]->frequency(68, {}), 220.0 * fixed(k).ratioTable()[8]) << k;
}

TEST(tuning_systems, fixed_systems_follow_the_reference_pitch) {
    const auto& equal = dynamic_cast<const EqualTemperament&>(*tuningSystems()[0]);
    const auto& just = dynamic_cast<const JustIntonation&>(*tuningSystems()[1]);
    const std::vector<int> triad = {57, 61, 64};
    for (double a4 : {lowestReferencePitch, 415.0, 440.0, 442.0, 466.0, highestReferencePitch}) {
        // A just triad on A3 sits on half the reference.
        EXPECT_NEAR(just.frequencyAt(57, triad, a4), a4 / 2, 1e-9);
        EXPECT_NEAR(just.frequencyAt(61, triad, a4), a4 / 2 * 5 / 4, 1e-9);
        EXPECT_NEAR(just.frequencyAt(64, triad, a4), a4 / 2 * 3 / 2, 1e-9);
        for (int p = 0; p < 128; ++p) {
            EXPECT_NEAR(equal.frequencyAt(p, a4), a4 * std::exp2((p - 69) / 12.0), 1e-9 * a4);
            EXPECT_EQ(equal.frequencyAt(p, 440.0), equal.frequency(p, {}));
            // The pitch's class in the table, over the A at or below it.
            const int aBelow = p - ((p - 69) % 12 + 12) % 12;
            for (int k : {2, 3, 4}) {
                const double expected =
                    a4 * std::exp2((aBelow - 69) / 12.0) * fixed(k).ratioTable()[p % 12];
                EXPECT_NEAR(fixed(k).frequencyAt(p, a4), expected, 1e-12 * expected)
                    << p << " " << k;
                EXPECT_EQ(fixed(k).frequencyAt(p, 440.0), fixed(k).frequency(p, {}));
            }
        }
    }
}

TEST(tuning_systems, just_intonation_tunes_above_an_equal_tempered_bass) {
    const TuningSystem& just = *tuningSystems()[1];
    const std::vector<int> triad = {60, 64, 67};
    EXPECT_NEAR(just.frequency(60, triad), 261.6255653, 1e-7);
    EXPECT_NEAR(just.frequency(64, triad), 327.0319566, 1e-7);
    EXPECT_NEAR(just.frequency(67, triad), 392.4383480, 1e-7);
    const std::vector<int> tenth = {60, 76};
    EXPECT_NEAR(just.frequency(76, tenth), 654.0639133, 1e-7);
    // The bass is found wherever it stands in the list.
    const std::vector<int> shuffled = {67, 60, 64};
    EXPECT_NEAR(just.frequency(64, shuffled), 327.0319566, 1e-7);
    const std::vector<int> single = {57};
    EXPECT_DOUBLE_EQ(just.frequency(57, single), 220.0);
    const std::vector<int> unison = {69, 69, 76};
    EXPECT_EQ(just.frequency(69, unison), 440.0);
    EXPECT_DOUBLE_EQ(just.frequency(76, unison), 660.0);
    // The tritone is the square root of two.
    const std::vector<int> tritone = {69, 75};
    EXPECT_NEAR(just.frequency(75, tritone), 440.0 * std::sqrt(2.0), 1e-9);
}

} // namespace
} // namespace sorvel
