// Puts an exercise's columns on the grand staff and lays it out for drawing: staff of each note,
// note order, stems, displaced heads in seconds, accidental signs and column positions.
//
//   sorvel::CMusic music = sorvel::buildMusic(exerciseTemplate);   // treble from octave 4 up
//   sorvel::layoutMusic(music);                                    // then draw it
//   int x = music.staves[0].chords[0].columnX;                     // in notehead widths (15 px)
#pragma once

#include "tuningdata.h"

namespace sorvel {

// Notehead widths left of the first column.
inline constexpr int firstColumnOffset = 6;

// A grand staff (0 treble, middle step 41; 1 bass, middle step 29) with one chord per column on
// each staff; notes of octave 4 and above go to the treble staff, the others to the bass staff.
CMusic buildMusic(const CTwoStaffChord& columns);

// Lays out every chord: sorts notes by staff step, sets stems, head shifts, shown accidentals,
// side values and column positions. Running it again gives the same layout.
void layoutMusic(CMusic& music);

} // namespace sorvel
