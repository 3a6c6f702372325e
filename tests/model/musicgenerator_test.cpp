// SPDX-License-Identifier: GPL-3.0-or-later
#include "musicgenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <set>

namespace sorvel {
namespace {

// How many words of the shared sequence `action` used, found by comparing the next word with
// the standard library's MT19937 started from the same seed.
int wordsUsed(std::uint32_t seed, const std::function<void()>& action) {
    MTRand_int32::seed(seed);
    action();
    const std::uint32_t next = MTRand_int32().draw_word();
    std::mt19937 reference(seed);
    for (int used = 0; used < 1000; ++used)
        if (reference() == next)
            return used;
    return -1;
}

// Relative frequency of each result over `count` calls.
template <typename Key>
std::map<Key, double> frequencies(int count, const std::function<Key()>& draw) {
    std::map<Key, double> seen;
    for (int i = 0; i < count; ++i)
        seen[draw()] += 1.0 / count;
    return seen;
}

// Five standard deviations of a relative frequency: a correct draw passes for any seed.
double tolerance(double p, int count) {
    return 5.0 * std::sqrt(p * (1.0 - p) / count);
}

TEST(twister, reference_outputs_for_seed_5489) {
    MTRand_int32 rng(5489);
    EXPECT_EQ(rng.draw_word(), 3499211612u);
    EXPECT_EQ(rng.draw_word(), 581869302u);
    EXPECT_EQ(rng.draw_word(), 3890346734u);

    MTRand_int32::seed(5489);
    std::mt19937 reference(5489);
    std::uint32_t mine = 0;
    std::uint32_t theirs = 0;
    for (int i = 0; i < 10000; ++i) {
        mine = rng.draw_word();
        theirs = reference();
    }
    EXPECT_EQ(mine, theirs);
    EXPECT_EQ(mine, 4123659995u); // the published 10000th output
}

TEST(twister, one_state_for_every_object_and_the_shared_holder) {
    MTRand first(5489);
    MTRand_int32 second; // already seeded: must not reseed from the clock
    EXPECT_TRUE(MTRand_int32::seeded());
    EXPECT_EQ(first.draw_word(), 3499211612u);
    EXPECT_EQ(second.draw_word(), 581869302u);
    EXPECT_EQ(RandomGenerator::shared().draw_word(), 3890346734u);

    MTRand_int32::seed(5489);
    EXPECT_EQ(random_u(), 3499211612.0 / 4294967296.0);
    EXPECT_EQ(first.draw(), 581869302.0 / 4294967296.0);
}

TEST(twister, other_seeds_follow_the_standard_engine) {
    for (std::uint32_t seed : {0u, 1u, 19650218u, 4294967295u}) {
        MTRand_int32 rng(seed);
        std::mt19937 reference(seed);
        for (int i = 0; i < 1300; ++i) // past two regenerations of the state
            ASSERT_EQ(rng.draw_word(), reference()) << "seed " << seed << " word " << i;
    }
}

TEST(draws, each_draw_uses_the_documented_number_of_words) {
    EXPECT_EQ(wordsUsed(7, [] { random_index(5); }), 1);
    EXPECT_EQ(wordsUsed(7, [] { random_index(0); }), 1);
    EXPECT_EQ(wordsUsed(7, [] { random_on_grid(5, 0, 9.5, 40.5); }), 1);
    EXPECT_EQ(wordsUsed(7, [] { weighted_choice({0.5, 0.5}); }), 1);
    EXPECT_EQ(wordsUsed(7, [] { EXPECT_EQ(random_subset(4, 2, 1).size(), 3u); }), 3);
    EXPECT_EQ(wordsUsed(7, [] { EXPECT_TRUE(random_subset(2, 2, 1).empty()); }), 0);
    EXPECT_EQ(wordsUsed(7, [] { EXPECT_EQ(random_subset(3, 0, 0).size(), 0u); }), 0);

    CGenerateChord g;
    const auto generateOnce = [&g] { g.generate(); };
    EXPECT_EQ(wordsUsed(7, generateOnce), 1); // single note, any class
    g.pitchClass = 9;
    EXPECT_EQ(wordsUsed(7, generateOnce), 1); // single note of a class
    g.intervals = lookupIntervals("m3");
    EXPECT_EQ(wordsUsed(7, generateOnce), 1);
    g.intervals = lookupIntervals("Dim.7");
    g.pitchClass = 1;
    g.inversion = 3;
    EXPECT_EQ(wordsUsed(7, generateOnce), 1);
    g.intervals = lookupIntervals("M7"); // no admissible bass: still one draw
    g.pitchClass = 7;
    g.highestPitch = 53;
    EXPECT_EQ(wordsUsed(7, generateOnce), 1);
}

TEST(draws, random_index_truncates_the_draw) {
    MTRand_int32::seed(2024);
    std::mt19937 reference(2024);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(random_index(1), 0);
        reference();
        const bool low = reference() < 0x80000000u; // u < 0.5
        EXPECT_EQ(random_index(2), low ? 0 : 1);
    }
}

TEST(draws, random_on_grid_is_uniform_over_the_grid_inside_the_range) {
    MTRand_int32::seed(11);
    const int count = 70000;
    const auto seen = frequencies<double>(count, [] { return random_on_grid(5, 0, 9.5, 40.5); });
    ASSERT_EQ(seen.size(), 7u);
    for (double value = 10; value <= 40; value += 5) {
        ASSERT_TRUE(seen.count(value)) << value;
        EXPECT_NEAR(seen.at(value), 1.0 / 7, tolerance(1.0 / 7, count)) << value;
    }

    // Inclusive bounds on the grid, and a grid with an offset origin (the pitches of class A).
    std::set<double> ends;
    for (int i = 0; i < 2000; ++i)
        ends.insert(random_on_grid(12, 9, 33, 57));
    EXPECT_EQ(ends, (std::set<double>{33, 45, 57}));
}

TEST(draws, random_on_grid_without_a_grid_value_in_range) {
    // Nothing lies in [11, 13] on a grid of 10: the nearer neighbour.
    EXPECT_EQ(random_on_grid(10, 0, 11, 13), 10);
    EXPECT_EQ(random_on_grid(10, 0, 17, 19), 20);
    EXPECT_EQ(random_on_grid(0, 3, 0, 10), 3);
}

TEST(draws, random_subset_gives_distinct_indices_in_two_groups) {
    MTRand_int32::seed(99);
    const int count = 40000;
    std::map<int, double> secondGroup;
    for (int i = 0; i < count; ++i) {
        const std::vector<int> picked = random_subset(4, 2, 1);
        ASSERT_EQ(picked.size(), 3u);
        EXPECT_EQ(std::set<int>(picked.begin(), picked.end()).size(), 3u);
        for (int v : picked) {
            EXPECT_GE(v, 0);
            EXPECT_LT(v, 4);
        }
        secondGroup[picked[2]] += 1.0 / count;
    }
    for (int v = 0; v < 4; ++v)
        EXPECT_NEAR(secondGroup[v], 0.25, tolerance(0.25, count));
    EXPECT_TRUE(random_subset(2, 2, 1).empty());
    const std::vector<int> all = random_subset(3, 3, 0);
    EXPECT_EQ(std::set<int>(all.begin(), all.end()), (std::set<int>{0, 1, 2}));
}

TEST(draws, weighted_choice_boundaries) {
    const std::vector<double> w = {0.25, 0.5, 0.25};
    const struct {
        double u;
        int index;
    } rows[] = {{0.0, 0}, {0.2499, 0}, {0.25, 1}, {0.5, 1}, {0.7499, 1}, {0.75, 2}, {0.9999, 2}};
    for (const auto& row : rows)
        EXPECT_EQ(weighted_choice(w, row.u), row.index) << row.u;

    EXPECT_EQ(weighted_choice({0.0, 1.0, 0.0}, 0.0), 1);  // zero weights are never chosen
    EXPECT_EQ(weighted_choice({0.3, 0.3, 0.3}, 0.95), 2); // sum below the draw: last index
    EXPECT_EQ(weighted_choice({0.5, 0.4, 0.0}, 0.95), 1); // ... that has a weight
    EXPECT_EQ(weighted_choice({}, 0.5), 0);
}

TEST(dictionary, intervals_and_chords_by_name) {
    for (const auto& [name, interval] : intervalNames()) {
        const std::vector<Interval>& list = lookupIntervals(name);
        ASSERT_EQ(list.size(), 1u) << name;
        EXPECT_EQ(list[0], interval) << name;
    }
    const struct {
        const char* name;
        std::vector<Interval> tones;
    } chords[] = {
        {"Major", {{2, 4}, {4, 7}}},
        {"Minor", {{2, 3}, {4, 7}}},
        {"Dim.", {{2, 3}, {4, 6}}},
        {"Aug.", {{2, 4}, {4, 8}}},
        {"Major7", {{2, 4}, {4, 7}, {6, 11}}},
        {"Minor7", {{2, 3}, {4, 7}, {6, 10}}},
        {"Aug.M7", {{2, 4}, {4, 8}, {6, 11}}},
        {"Dim.7", {{2, 3}, {4, 6}, {6, 9}}},
        {"Half-Dim.", {{2, 3}, {4, 6}, {6, 10}}},
        {"Mm7", {{2, 4}, {4, 7}, {6, 10}}},
        {"mM7", {{2, 3}, {4, 7}, {6, 11}}},
    };
    for (const auto& chord : chords)
        EXPECT_EQ(lookupIntervals(chord.name), chord.tones) << chord.name;
    EXPECT_EQ(intervalDictionary().size(), 36u + 11u);
    EXPECT_TRUE(lookupIntervals("").empty());
    EXPECT_TRUE(lookupIntervals("major").empty());
    EXPECT_TRUE(lookupIntervals("D1").empty());
}

std::string names(const std::vector<CNote>& notes) {
    std::string text;
    for (const CNote& n : notes)
        text += (text.empty() ? "" : " ") + noteName(n.octave, n.letter, n.accidental);
    return text;
}

// Names of the notes without octaves, and the pitch of each note above the bass.
std::string spelling(const std::vector<CNote>& notes) {
    std::string text;
    for (const CNote& n : notes) {
        text += text.empty() ? "" : " ";
        text += letterChars[static_cast<std::size_t>(n.letter)];
        text += accidentalText(n.accidental);
    }
    return text;
}

std::vector<int> sizesAboveBass(const std::vector<CNote>& notes) {
    std::vector<int> sizes;
    for (const CNote& n : notes)
        sizes.push_back(n.pitchNumber() - notes[0].pitchNumber());
    return sizes;
}

CGenerateChord request(const char* name, int pitchClass, int inversion = 0) {
    CGenerateChord g;
    g.intervals = lookupIntervals(name);
    g.pitchClass = pitchClass;
    g.inversion = inversion;
    g.lowestPitch = 33;
    g.highestPitch = 65;
    return g;
}

TEST(generator, spelling_by_interval_arithmetic) {
    MTRand_int32::seed(3);
    const struct {
        const char* name;
        int pitchClass;
        int inversion;
        const char* spelled;
        std::vector<int> sizes;
    } rows[] = {
        {"Dim.7", 1, 3, "Bb C# E G", {0, 3, 6, 9}},
        {"Major", 6, 1, "Bb Db Gb", {0, 3, 8}},
        {"Major", 6, 0, "F# A# C#", {0, 4, 7}},
        {"M3", 8, 0, "G# B#", {0, 4}},
        {"Major", 0, 1, "E G C", {0, 3, 8}},
        {"Aug.", 8, 0, "G# B# Dx", {0, 4, 8}},
        {"Dim.7", 0, 0, "C Eb Gb Bbb", {0, 3, 6, 9}},
        {"Half-Dim.", 11, 2, "F A B D", {0, 4, 6, 9}},
        {"d2", 2, 0, "D Ebb", {0, 0}},
        {"P1", 9, 0, "A A", {0, 12}}, // the octave
        {"A7", 0, 0, "C B#", {0, 12}},
        // Roots that the bass's spelling would turn into C##, D## and Abb.
        {"Dim.", 2, 2, "Ab D F", {0, 6, 9}},
        {"Dim.7", 4, 3, "Db E G Bb", {0, 3, 6, 9}},
        {"Aug.", 7, 2, "D# G B", {0, 4, 8}},
        {"Dim.7", 2, 3, "Cb D F Ab", {0, 3, 6, 9}}, // the bass moves with the rest
    };
    for (const auto& row : rows) {
        CGenerateChord g = request(row.name, row.pitchClass, row.inversion);
        for (int i = 0; i < 20; ++i) {
            const std::vector<CNote>& notes = g.generate();
            EXPECT_EQ(spelling(notes), row.spelled) << row.name << ": " << names(notes);
            EXPECT_EQ(sizesAboveBass(notes), row.sizes) << row.name << ": " << names(notes);
            g.pitchClass = row.pitchClass;
        }
    }
}

TEST(generator, upper_notes_cross_into_the_next_octave) {
    MTRand_int32::seed(4);
    CGenerateChord g = request("Major", 0, 1);
    for (int i = 0; i < 50; ++i) {
        const std::string text = names(g.generate());
        EXPECT_TRUE(text == "E3 G3 C4" || text == "E4 G4 C5") << text;
        EXPECT_EQ(g.pitchClass, 4); // the class of the bass tone
        g.pitchClass = 0;
    }
}

// Relative frequency of each bass name over many generations from one request.
std::map<std::string, double> bassFrequencies(CGenerateChord g, int count) {
    const int wanted = g.pitchClass;
    return frequencies<std::string>(count, [&g, wanted] {
        g.pitchClass = wanted;
        const CNote& bass = g.generate().front();
        return noteName(bass.octave, bass.letter, bass.accidental);
    });
}

TEST(generator, bass_weights_favour_low_basses) {
    MTRand_int32::seed(5);
    const int count = 100000;
    const struct {
        const char* name;
        int pitchClass;
        int inversion;
        std::map<std::string, double> expected;
    } rows[] = {
        {"Major", 0, 0, {{"C3", 22.0 / 32}, {"C4", 10.0 / 32}}},
        {"Major", 0, 1, {{"E3", 17.0 / 22}, {"E4", 5.0 / 22}}},
        {"m3", 0, 0, {{"C3", 26.0 / 42}, {"C4", 14.0 / 42}, {"C5", 2.0 / 42}}},
    };
    for (const auto& row : rows) {
        const auto seen = bassFrequencies(request(row.name, row.pitchClass, row.inversion), count);
        ASSERT_EQ(seen.size(), row.expected.size()) << row.name;
        for (const auto& [bass, p] : row.expected) {
            ASSERT_TRUE(seen.count(bass)) << row.name << " " << bass;
            EXPECT_NEAR(seen.at(bass), p, tolerance(p, count)) << row.name << " " << bass;
        }
    }
}

TEST(generator, single_notes) {
    MTRand_int32::seed(8);
    const int count = 60000;
    CGenerateChord g;
    g.pitchClass = 9;
    const auto ofA = bassFrequencies(g, count);
    ASSERT_EQ(ofA.size(), 3u);
    for (const char* name : {"A2", "A3", "A4"})
        EXPECT_NEAR(ofA.at(name), 1.0 / 3, tolerance(1.0 / 3, count)) << name;

    g.pitchClass = 5; // F: F5 = highestPitch lies on the grid, inside the inclusive range
    EXPECT_TRUE(bassFrequencies(g, 3000).count("F5"));

    g.pitchClass = -1;
    std::set<int> pitches;
    for (int i = 0; i < count; ++i) {
        const std::vector<CNote>& notes = g.generate();
        ASSERT_EQ(notes.size(), 1u);
        pitches.insert(notes[0].pitchNumber() - 12); // back to the generator's count
    }
    EXPECT_EQ(*pitches.begin(), 33);
    EXPECT_EQ(*pitches.rbegin(), 64); // never highestPitch
    EXPECT_EQ(pitches.size(), 32u);
}

TEST(generator, every_chord_in_every_inversion_is_well_formed) {
    MTRand_int32::seed(9);
    const char* chords[] = {"Major",  "Minor",     "Dim.", "Aug.", "Major7", "Minor7",
                            "Aug.M7", "Half-Dim.", "Mm7",  "mM7",  "Dim.7"};
    for (const char* name : chords) {
        const std::vector<Interval>& tones = lookupIntervals(name);
        const int toneCount = static_cast<int>(tones.size()) + 1;
        for (int highest : {65, 53}) {
            for (int inversion = 0; inversion < toneCount; ++inversion) {
                for (int root = -1; root < 12; ++root) {
                    CGenerateChord g = request(name, root, inversion);
                    g.highestPitch = highest;
                    const std::vector<CNote>& notes = g.generate();
                    ASSERT_EQ(static_cast<int>(notes.size()), toneCount) << name;
                    const int bassTone = inversion == 0 ? 0 : tones[inversion - 1].semitones;
                    for (std::size_t k = 0; k < notes.size(); ++k) {
                        EXPECT_GE(notes[k].accidental, -2) << name << " " << names(notes);
                        EXPECT_LE(notes[k].accidental, 2) << name << " " << names(notes);
                        if (k > 0) {
                            EXPECT_GT(notes[k].pitchNumber(), notes[k - 1].pitchNumber());
                            EXPECT_GT(notes[k].computeStaffStep(), notes[k - 1].computeStaffStep());
                        }
                    }
                    EXPECT_LT(notes.back().pitchNumber() - notes.front().pitchNumber(), 12);
                    if (root >= 0) {
                        EXPECT_EQ(notes[0].pitchNumber() % 12, (root + bassTone) % 12)
                            << name << " " << names(notes);
                    }
                    // Where the range admits a bass of the class, the top stays below it.
                    if (highest == 65 || root < 0) {
                        EXPECT_LT(notes.back().pitchNumber() - 12, highest) << names(notes);
                    }
                }
            }
        }
    }
}

// Every chord type in every inversion on every root, checked against an independent reckoning:
// the bass drawn by the standard library's MT19937 from the same seed with the documented weights,
// every pitch a fixed distance above it, every letter a fixed number of steps above the bass's.
// The bass is written as its pitch class's usual name unless that would give the root a double
// sharp or flat; then the chord is written one letter over, and the root gets its usual name.
TEST(generator, chord_roots_never_carry_a_double_accidental) {
    const char* chords[] = {"Major",  "Minor",     "Dim.", "Aug.", "Major7", "Minor7",
                            "Aug.M7", "Half-Dim.", "Mm7",  "mM7",  "Dim.7"};
    const auto mod = [](int a, int b) { return ((a % b) + b) % b; };
    int cases = 0;
    int respelled = 0;
    for (const char* name : chords) {
        std::vector<Interval> tones = {{0, 0}};
        for (const Interval& tone : lookupIntervals(name))
            tones.push_back(tone);
        const int n = static_cast<int>(tones.size());
        for (int inversion = 0; inversion < n; ++inversion) {
            const Interval& bassTone = tones[static_cast<std::size_t>(inversion)];
            std::vector<int> sizes, steps; // above the bass, bottom up
            for (int k = 0; k < n; ++k) {
                const Interval& tone = tones[static_cast<std::size_t>((inversion + k) % n)];
                sizes.push_back(mod(tone.semitones - bassTone.semitones, 12));
                steps.push_back(mod(tone.number - bassTone.number, 7));
            }
            for (int root = 0; root < 12; ++root) {
                const std::uint32_t seed = static_cast<std::uint32_t>(1000 + cases++);
                // Bass g (generator pitch): candidates 33 + i, i < r, weight r - i if of the class.
                const int bassClass = mod(root + bassTone.semitones, 12);
                const int r = 65 - 33 - sizes.back();
                double sum = 0.0;
                for (int i = 0; i < r; ++i)
                    sum += mod(33 + i, 12) == bassClass ? r - i : 0;
                const double u = std::mt19937(seed)() / 4294967296.0;
                int g = 33;
                for (double below = 0.0; g < 33 + r; ++g) {
                    below += mod(g, 12) == bassClass ? (r - (g - 33)) / sum : 0.0;
                    if (u < below)
                        break;
                }
                // The root's accidental if the bass were written with its class's usual name.
                const int usualBassLetter = pitchClassLetter[static_cast<std::size_t>(bassClass)];
                const int plainRootLetter = mod(usualBassLetter - bassTone.number, 7);
                const int plainRootAccidental =
                    mod(root - letterStep[static_cast<std::size_t>(plainRootLetter)] + 6, 12) - 6;
                const bool respell = plainRootAccidental == 2 || plainRootAccidental == -2;
                respelled += respell;

                MTRand_int32::seed(seed);
                CGenerateChord generator = request(name, root, inversion);
                const std::vector<CNote> notes = generator.generate();
                const std::string what = std::string(name) + " inversion " +
                                         std::to_string(inversion) + " root " +
                                         std::to_string(root) + ": " + names(notes);
                ASSERT_EQ(static_cast<int>(notes.size()), n) << what;
                for (int k = 0; k < n; ++k) {
                    const CNote& note = notes[static_cast<std::size_t>(k)];
                    EXPECT_EQ(note.pitchNumber(), 12 + g + sizes[static_cast<std::size_t>(k)])
                        << what;
                    EXPECT_EQ(note.letter,
                              (notes[0].letter + steps[static_cast<std::size_t>(k)]) % 7)
                        << what;
                    EXPECT_LE(std::abs(note.accidental), 2) << what;
                }
                const CNote& rootNote = notes[static_cast<std::size_t>(mod(n - inversion, n))];
                EXPECT_LE(std::abs(rootNote.accidental), 1) << what;
                if (respell) {
                    EXPECT_EQ(rootNote.letter, pitchClassLetter[static_cast<std::size_t>(root)])
                        << what;
                } else {
                    EXPECT_EQ(notes[0].letter, usualBassLetter) << what;
                }
            }
        }
    }
    EXPECT_EQ(cases, 480);
    // Only chords with a diminished or augmented fifth, in second or third inversion.
    EXPECT_EQ(respelled, 17);
}

TEST(generator, no_admissible_bass_keeps_the_class_nearest_the_range) {
    MTRand_int32::seed(10);
    // A major seventh below F4 leaves basses A2..F3 (r = 9): no G among them. G2 and G3 lie two
    // semitones off either end; the lower is taken, so the top stays below highestPitch.
    CGenerateChord g = request("M7", 7);
    g.highestPitch = 53;
    EXPECT_EQ(names(g.generate()), "G2 F#3");
    g.pitchClass = 6; // F#3 lies one above the candidates, F#2 three below
    EXPECT_EQ(names(g.generate()), "F#3 E#4");
    g.pitchClass = 8; // G#2 lies one below
    EXPECT_EQ(names(g.generate()), "G#2 Fx3");

    // A range too small for the sonority (r <= 0): the lowest pitch, or the class nearest to it.
    g = request("Major7", -1);
    g.highestPitch = 40;
    EXPECT_EQ(names(g.generate()), "A2 C#3 E3 G#3");
    g = request("Major7", 10);
    g.highestPitch = 40;
    EXPECT_EQ(names(g.generate()), "Bb2 D3 F3 A3");
}

} // namespace
} // namespace sorvel
