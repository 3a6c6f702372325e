// SPDX-License-Identifier: GPL-3.0-or-later
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

// Chord boxes 0..3 are the triads.
inline constexpr int triadCount = 4;

// An index into `checked`: drawn among the ticked entries, or among all when none is ticked.
// One draw is made even when only one index is possible.
int chooseOption(const std::vector<bool>& checked, const IndexDraw& draw);

struct ChordChoice {
    int chosen = 0;    // index of the chord box (C00 .. C110)
    int inversion = 0; // 0 root position .. 3 third inversion
};

// The chord type, then the inversion among the four inversion boxes for a seventh chord, or among
// the first three for a triad (so a triad never gets a third inversion).
ChordChoice chooseChord(const std::vector<bool>& chordBoxes,
                        const std::vector<bool>& inversionBoxes, const IndexDraw& draw);

} // namespace sorvel
