// SPDX-License-Identifier: GPL-3.0-or-later
// The process-wide MT19937 generator with the program's random draws, the dictionary of named
// interval lists (intervals and chords), and the generator of single notes, intervals and chords.
//
//   sorvel::CGenerateChord generator;
//   generator.intervals = sorvel::lookupIntervals("Major");
//   generator.pitchClass = 0;                        // root C
//   generator.inversion = 1;                         // E in the bass
//   const std::vector<sorvel::CNote>& notes = generator.generate();   // E, G, C, bottom first
//   int coin = sorvel::random_index(2);              // 0 or 1
#pragma once

#include "pitch.h"
#include "tuningdata.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// MT19937 (32-bit Mersenne Twister). All objects share one state for the whole process, so
// every draw anywhere advances the same sequence; the objects themselves hold nothing.
class MTRand_int32 {
public:
    // Seeds the shared state from the clock unless it is seeded already.
    MTRand_int32();
    // Reseeds the shared state (the reference initialisation). The program never does this
    // after start-up; tests do, to get repeatable sequences.
    explicit MTRand_int32(std::uint32_t seed);

    static void seed(std::uint32_t seed);
    static bool seeded();

    // The next tempered 32-bit word of the shared sequence.
    std::uint32_t draw_word();
    std::uint32_t operator()() { return draw_word(); }
};

// The same shared generator, drawing doubles u = word * 2^-32 in [0, 1).
class MTRand : public MTRand_int32 {
public:
    MTRand() = default;
    explicit MTRand(std::uint32_t seed) : MTRand_int32(seed) {}

    double draw();
    double operator()() { return draw(); }
};

// Holder of the process-wide MTRand: created on first use, seeded from the clock then (unless a
// test seeded the shared state before), released at program end.
class RandomGenerator {
public:
    static MTRand& shared();
};

// One draw u in [0, 1) from the shared generator.
double random_u();

// trunc(u * n): a uniform integer 0 .. n-1 from one draw; n < 1 still draws and gives 0.
int random_index(int n);

// origin + k * step, uniform among the grid values in [low, high], from one draw. When no grid
// value lies in the range (never asked for by the program), the grid value nearest to the
// range's middle; when step is not positive, origin.
double random_on_grid(double step, double origin, double low, double high);

// first + second distinct indices of 0 .. n-1 in drawing order (first + second draws); empty,
// without drawing, when n < first + second.
std::vector<int> random_subset(int n, int first, int second);

// An index drawn with the given probabilities (summing to 1), from one draw. If rounding leaves
// the sum below the draw, the last index of positive weight; an empty list gives 0.
int weighted_choice(const std::vector<double>& weights);
// The same choice for a given draw u.
int weighted_choice(const std::vector<double>& weights, double u);

// The dictionary: every interval name ("P1" .. "B7") as a one-element list and the eleven chord
// names ("Major", "Minor", "Dim.", "Aug.", "Major7", "Minor7", "Aug.M7", "Dim.7", "Half-Dim.",
// "Mm7", "mM7") with their intervals above the root. Built once.
const std::map<std::string, std::vector<Interval>, std::less<>>& intervalDictionary();

// The list of a name; an unknown name (such as "" for a single note) gives an empty list.
const std::vector<Interval>& lookupIntervals(std::string_view name);

// A written note from a generator pitch g = 12 * octave + pitch class (g 33 is A2), spelled C,
// C#, D, Eb, E, F, F#, G, G#, A, Bb or B.
CNote noteFromGeneratorPitch(int g);

// Generates the notes of a single note, an interval or a chord, bottom note first, spelled by
// interval arithmetic from a randomly placed bass; a chord whose root would need a double sharp
// or flat is written one letter over as a whole. Set the request fields, then call generate.
class CGenerateChord {
public:
    std::deque<Interval> chordTones; // working list of chord tones relative to the bass
    int toneCount = 0;
    std::vector<Interval> intervals; // request: intervals above the root, no unison; empty: note
    int lowestPitch = 33;            // request: generator pitch (A2)
    int highestPitch = 65;           // request: generator pitch (F5)
    int inversion = 0;               // request, chords: chord tone in the bass, 0 = root
    std::vector<CNote> notes;        // result, bottom note first
    int pitchClass = -1;             // request: class of the note, bottom note or root; -1 any

    // Replaces `notes` with a new sonority and returns it. Uses exactly one draw of the shared
    // generator.
    const std::vector<CNote>& generate();

private:
    void generateSingleNote();
    void generateSonority();
    int chooseBass(int topSemitones);
};

} // namespace sorvel
