// SPDX-License-Identifier: GPL-3.0-or-later
// Written pitches and what derives from them: pitch numbers (A4 = 69 = 440 Hz), staff steps,
// note names, equal-tempered frequencies, cents, and the interval-name table.
//
//   int p = sorvel::pitchNumber(4, 0, 0);          // C4 -> 60
//   double f = sorvel::equalFrequency(p);          // 261.6255653 Hz
//   double c = sorvel::centsDifference(880, 440);  // 1200
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace sorvel {

inline constexpr std::string_view letterChars = "CDEFGAB";
// Semitones above C of each letter C..B.
inline constexpr std::array<int, 7> letterStep = {0, 2, 4, 5, 7, 9, 11};
// Letter of each pitch class, spelling C, C#, D, Eb, E, F, F#, G, G#, A, Bb, B.
inline constexpr std::array<int, 12> pitchClassLetter = {0, 0, 1, 2, 2, 3, 3, 4, 4, 5, 6, 6};
inline constexpr int trebleMiddleStep = 41; // B4
inline constexpr int bassMiddleStep = 29;   // D3

// Text of an accidental -2..+2: "bb", "b", "", "#", "x".
std::string_view accidentalText(int accidental);

// 12 * octave + step[letter] + accidental + 12.
constexpr int pitchNumber(int octave, int letter, int accidental) {
    return 12 * octave + letterStep[letter] + accidental + 12;
}

// 7 * octave + letter + 7; the accidental does not enter.
constexpr int staffStep(int octave, int letter) {
    return 7 * octave + letter + 7;
}

// Letter, accidental text and octave, e.g. "C4", "G#3", "Bbb5", "Ax2".
std::string noteName(int octave, int letter, int accidental);

// 440 * 2^((p - 69) / 12).
double equalFrequency(int pitch);

// The factor that moves a frequency by `cents`: 2^(cents / 1200).
double centsFactor(double cents);

// 1200 / ln 2, computed once.
double centsPerNeper();

// cents(f) = 1200 / ln 2 * ln f.
double cents(double frequency);

// Deviation of a from b in cents; positive when a is sharp of b.
double centsDifference(double a, double b);

// An interval: letter steps above the reference note (0 = unison .. 6 = seventh) and size.
struct Interval {
    int number = 0;
    int semitones = 0;
    friend bool operator==(const Interval&, const Interval&) = default;
};

// The 36 interval names ("P1", "m2", ..., "B7") with their intervals, built once.
const std::map<std::string, Interval>& intervalNames();

// The interval of a name, or nothing when the table has no such name.
std::optional<Interval> findInterval(std::string_view name);

// A written note as musicians type it: letter (either case), accidentals "#", "x", "b", "bb"
// and an octave 0..9, e.g. "C4", "F#3", "Bb2", "Ebb5". Gives octave, letter and accidental;
// none for anything else.
struct WrittenNote {
    int octave = 4;
    int letter = 0;
    int accidental = 0;
};
std::optional<WrittenNote> parseNoteName(std::string_view text);

} // namespace sorvel
