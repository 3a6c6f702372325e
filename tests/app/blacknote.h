// SPDX-License-Identifier: GPL-3.0-or-later
// The note a window test selects and retunes.
#pragma once

#include "tuningdata.h"

namespace sorvel {

// The last black (open to answering) note of the exercise, or none.
inline CNote* lastBlackNote(CMusic& exercise) {
    CNote* black = nullptr;
    for (CStaff& staff : exercise.staves)
        for (CChord& chord : staff.chords)
            for (CNote& note : chord.notes)
                if (!note.locked)
                    black = &note;
    return black;
}

} // namespace sorvel
