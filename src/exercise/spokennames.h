// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader should say for the staff and the option captions: note names with their
// accidentals spelt out ("C sharp 4"), interval and chord abbreviations as words ("m3" is
// "minor third", "Mm7" "major-minor seventh"), each note with its colour and mark, and each
// sonority of an exercise with its type, inversion and position.
//
//   sorvel::spokenAbbreviation("º5");           // "diminished fifth"
//   sorvel::describeNote(note);                 // "C sharp 4, black, marked sharp"
//   sorvel::describeSonority(exercise, made, 3); // "chord: dominant seventh, first inversion, closed"
#pragma once

#include "newexercise.h"
#include "tuningdata.h"

#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// "C sharp 4", "B flat 3", "F double sharp 5", "A 4".
std::string spokenNoteName(int octave, int letter, int accidental);

// An interval ("m3", "P8", "º12", "A5", "D7"), a chord caption ("Maj", "Mm7", "ø7", "M+7") or a
// chord dictionary key ("Major7", "Half-Dim.") as words; anything else comes back unchanged.
std::string spokenAbbreviation(std::string_view abbreviation);

// A shown text, such as a cell of the session record ("P5, melodic", "Single note G#3"), with
// its option captions and note names as words ("perfect fifth, melodic", "Single note G sharp
// 3"). Words that are neither stay as they are.
std::string spokenPhrase(std::string_view shown);

// The chord type of a dictionary key as musicians call it: "Mm7" is the dominant seventh.
std::string chordTypeName(std::string_view key);

// "root position", "first inversion", "second inversion", "third inversion".
std::string inversionName(int inversion);

// The note as heard and seen: name, notehead, mark or selection, the colour Reveal Errors gave.
std::string describeNote(const CNote& note);

// The sonority of column `column`: what kind (note, interval, chord), its type, how it is set
// out, which copy it belongs to. An exercise without a New Exercise (the start-up A4) has
// `made` with an empty type and one column.
std::string describeSonority(const CMusic& score, const NewExercise& made, int column);

// The tuning diagram's reading as text: where the sounding and the correct pitch of `note` lie
// in cents from equal temperament at the reference pitch `a4`.
std::string describeDiagram(const CNote& note, double a4);

} // namespace sorvel
