// The option groups of the main window as plain values: which boxes are ticked, and the random
// choice among them. A group with nothing ticked stands for all of its boxes.
//
//   std::vector<bool> pitches(12, false);
//   pitches[7] = true;                                  // only "G"
//   int pc = sorvel::chooseOption(pitches, draw);       // always 7
#pragma once

#include <array>
#include <functional>
#include <string_view>
#include <vector>

namespace sorvel {

// Draws a uniform index 0 .. n-1 (n >= 1); the program passes the shared generator's draw.
using IndexDraw = std::function<int(int)>;

// Dictionary keys of the interval boxes I01..I12 (the octave box is "P1").
inline constexpr std::array<std::string_view, 12> intervalOptionNames = {
    "m2", "M2", "m3", "M3", "P4", "d5", "P5", "m6", "M6", "m7", "M7", "P1"};

// Dictionary keys of the chord boxes C00, C01, C10, C11, C000 ... C110; the first four are triads.
inline constexpr std::array<std::string_view, 11> chordOptionNames = {
    "Major",  "Minor",     "Dim.", "Aug.",   "Mm7",  "Major7",
    "Minor7", "Half-Dim.", "mM7",  "Aug.M7", "Dim.7"};
inline constexpr int triadCount = 4;

// An index into `checked`: drawn among the ticked entries, or among all when none is ticked.
// One draw is made even when only one index is possible.
int chooseOption(const std::vector<bool>& checked, const IndexDraw& draw);

struct ChordChoice {
    int chosen = 0;    // index into chordOptionNames
    int inversion = 0; // 0 root position .. 3 third inversion
};

// The chord type, then the inversion among the four inversion boxes for a seventh chord, or among
// the first three for a triad (so a triad never gets a third inversion).
ChordChoice chooseChord(const std::vector<bool>& chordBoxes,
                        const std::vector<bool>& inversionBoxes, const IndexDraw& draw);

} // namespace sorvel
