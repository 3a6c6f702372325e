// SPDX-License-Identifier: GPL-3.0-or-later
// Imported tunings: the reader of Scala scale (.scl) and keyboard mapping (.kbm) files, and the
// frequency of every pitch number in an imported scale. Every refusal is a ScalaError whose
// message reads "FILE:LINE: what is wrong", so a musician can mend the file.
//
//   sorvel::Scale s = sorvel::readScale("kirnberger3.scl");
//   auto f = sorvel::scaleFrequencies(s, nullptr, 415.0);   // f[69] == 415, degree 0 on C
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

class ScalaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Exercises are spelled on a 12-pitch staff, so only 12-note scales are taken.
inline constexpr int scaleNoteCount = 12;
// Files larger than this are refused before they are read.
inline constexpr std::size_t scalaMaxFileSize = 1 << 20;
// Pitch numbers that exercises can reach (A2..E6); a mapping must give each a frequency.
inline constexpr int lowestExercisePitch = 45;
inline constexpr int highestExercisePitch = 88;

struct Scale {
    std::string description;
    // Cents of degrees 1..12 above the implied 1/1; the last one is the period.
    std::array<double, scaleNoteCount> cents{};
    double period() const { return cents.back(); }
    // Cents of any degree, repeating by the period below 0 and above 12.
    double degreeCents(long long degree) const;
};

struct KeyboardMapping {
    // A map entry of "x"; no degree is this low (degrees are limited to +-(2^31 - 1)).
    static constexpr int unmappedKey = -2147483647 - 1;

    int mapSize = 0; // 0: linear, every key one degree above the one below
    int firstNote = 0;
    int lastNote = 127;
    int middleNote = 60;    // the key where degree 0 (map entry 0) lies
    int referenceNote = 69; // sounds at referenceFrequency
    double referenceFrequency = 440.0;
    int octaveDegree = scaleNoteCount; // the degree the map repeats at (a file's 0: 12)
    std::vector<int> map;              // degree per entry, unmappedKey for "x"
    // Where a key lies: `repeats` of the map pattern (each one formal octave) above `degree`;
    // false when the key is unmapped.
    bool locate(int key, long long& repeats, long long& degree) const;
};

// Parse text already in memory; `name` is the file name the messages carry.
Scale parseScale(std::string_view text, const std::string& name);
KeyboardMapping parseMapping(std::string_view text, const std::string& name);

// Read and parse a file; refuses non-regular paths without blocking and files over 1 MB.
Scale readScale(const std::string& path);
KeyboardMapping readMapping(const std::string& path);

// The mapping used without a .kbm: degree 0 on C (every C), A4 at `a4`.
KeyboardMapping defaultMapping(double a4);

// Frequency in Hz of each pitch number 0..127, 0 for an unmapped key. Without a mapping, A4
// sounds at `a4`; with one, its reference note sounds at its reference frequency.
std::array<double, 128> scaleFrequencies(const Scale& scale, const KeyboardMapping* mapping,
                                         double a4);

} // namespace sorvel
