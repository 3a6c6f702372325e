// SPDX-License-Identifier: GPL-3.0-or-later
// Exercises with their layout fields filled in by hand, for the drawing tests.
#pragma once

#include "tuningdata.h"

#include <algorithm>
#include <vector>

namespace sorvel::render_test {

// A note at a staff step, as layout leaves it: no shift, no accidental sign, unmarked.
inline CNote noteAt(int staffStep) {
    CNote n(staffStep / 7 - 1, staffStep % 7, 0);
    n.staffStep = staffStep;
    n.shownAccidental = 255;
    return n;
}

// A grand staff whose treble and bass staves hold the given chords (column by column; the
// shorter staff gets empty chords), each chord at columnX 6 + 3 * column.
inline CMusic musicWith(const std::vector<std::vector<CNote>>& treble,
                        const std::vector<std::vector<CNote>>& bass) {
    CMusic music;
    music.staves.resize(2);
    music.staves[0].middleStep = 41;
    music.staves[1].middleStep = 29;
    const std::size_t columns = std::max(treble.size(), bass.size());
    music.columnCount = static_cast<int>(columns);
    for (std::size_t s = 0; s < 2; ++s) {
        const auto& chords = s == 0 ? treble : bass;
        music.staves[s].chords.resize(columns);
        for (std::size_t j = 0; j < columns; ++j) {
            CChord& chord = music.staves[s].chords[j];
            chord.columnX = 6 + 3 * static_cast<int>(j);
            chord.minX = 2147483647.0;
            chord.maxX = 0.0;
            if (j < chords.size()) {
                chord.notes = chords[j];
            }
        }
    }
    return music;
}

} // namespace sorvel::render_test
