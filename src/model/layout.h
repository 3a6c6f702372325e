// SPDX-License-Identifier: GPL-3.0-or-later
// Puts an exercise's columns on the grand staff and lays it out for drawing: staff of each note,
// note order, stems, displaced heads in seconds, accidental signs and column positions.
//
//   sorvel::CMusic music = sorvel::buildMusic(exerciseTemplate);   // treble from octave 4 up
//   sorvel::layoutMusic(music);                                    // then draw it
//   int x = music.staves[0].chords[0].columnX;                     // in notehead widths (15 px)
#pragma once

#include "tuningdata.h"

#include <vector>

namespace sorvel {

// Notehead widths left of the first column.
inline constexpr int firstColumnOffset = 6;

// Pixels per columnX unit.
inline constexpr double columnWidth = 15.0;

// Width of the Score image: every note must be drawn inside it to be seen, marked and selected.
inline constexpr double visibleScoreWidth = 461.0;

// How far a second's displaced head stands from its neighbour, in pixels: one head width less
// the thickness of a line, so that the two heads touch as engraved seconds do.
inline constexpr double secondShift = 10.0;

// A ledger line's painted pixels, right of its chord's column x: [left, right).
struct LedgerSpan {
    double left = 0.0;
    double right = 0.0;
};

// The staff steps of the ledger lines a note at `step` needs on the treble or bass staff, from
// the staff outwards.
std::vector<int> ledgerSteps(bool treble, int step);

// The ledger line at `lineStep` under `note` of `chord`: about 0.3 staff space beyond the head on
// each side, cut short where it would run into the head of another note of the chord.
LedgerSpan ledgerSpan(const CChord& chord, const CNote& note, int lineStep);

// The ink box of an accidental sign as drawn (48-pixel notation font), in pixels: left and right
// of the sign's anchor x, and below (negative) and above its note's line or space (y up).
struct SignInk {
    double left = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    double top = 0.0;
};

// The ink box of the sign for a shown accidental -2..+2; an empty box for any other value.
SignInk signInk(int shownAccidental);

// Where a note's sign is drawn, in pixels right of its chord's column (15 * columnX): the
// usual place left of its own head, moved by its signShift.
double signAnchorX(const CNote& note);

// A grand staff (0 treble, middle step 41; 1 bass, middle step 29) with one chord per column on
// each staff; notes of octave 4 and above go to the treble staff, the others to the bass staff.
CMusic buildMusic(const CTwoStaffChord& columns);

// Lays out every chord: sorts notes by staff step, sets stems, head shifts, shown accidentals,
// side values, sign columns (signShift) and column positions. Running it again gives the same
// layout.
void layoutMusic(CMusic& music);

} // namespace sorvel
