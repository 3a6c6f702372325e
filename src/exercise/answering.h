// SPDX-License-Identifier: GPL-3.0-or-later
// Answering an exercise without widgets: which note and which sonority lie under the mouse,
// marking and selecting notes by clicks, retuning the selected note, grading the answer and
// revealing the correct one. The window passes mouse positions in score pixels and shows what
// these functions decide.
//
//   std::vector<sorvel::CNote*> sounding;   // the synthesizer's sounding notes
//   std::vector<double> phases;             // and their phases
//   if (auto hover = sorvel::hoverAt(&exercise, sounding, phases, x, y))
//       soundOn = hover->sounding;
//   sorvel::GradeIndex verdict = sorvel::gradeAnswer(exercise, rules);
//   const sorvel::GradeMessage& message = sorvel::gradeMessage(verdict.column, verdict.row);
#pragma once

#include "newexercise.h"
#include "sound.h"
#include "tuningdata.h"

#include <optional>
#include <string_view>
#include <vector>

namespace sorvel {

// Key codes of the arrow keys that retune.
inline constexpr int upArrowKey = 38;
inline constexpr int downArrowKey = 40;

// A note's place in a score: staff, sonority (chord) and note index.
struct NoteIndex {
    int staff = 0;
    int chord = 0;
    int note = 0;
    friend bool operator==(const NoteIndex&, const NoteIndex&) = default;
};

// ---- Hit-testing and listening ------------------------------------------------------------

// The note whose hit box, widened by `margin` on every side (negative: shrunk), holds (x, y),
// nearest notehead centre first, the earliest in walking order on a tie; null when none.
CNote* findNoteAt(CMusic& score, double x, double y, double margin);

// Refills `sounding` with the notes of the sonority under x on each staff (a staff with no
// note in that column lends the sonority of the next staff that has one) and resizes `phases`
// to match, keeping the values that survive and starting new ones at 0. Outside the band
// 15 <= y <= 225 the list is emptied and `phases` left alone. True if any sonority was found.
bool selectSonorityAt(std::vector<CNote*>& sounding, std::vector<double>& phases, CMusic& score,
                      double x, double y);
// The same on the synthesizer's sounding notes and phases.
bool selectSonorityAt(Synthesizer& synthesizer, CMusic& score, double x, double y);

// What a mouse move over the staff decides.
struct Hover {
    CNote* note = nullptr; // under the pointer: the diagram shows it, the cursor is a hand
    bool sounding = false; // a sonority is under the pointer: the sound plays
};

// A mouse move at (x, y): the hovered note and the sounding list. Nothing happens, and nothing
// is returned, while there is no exercise.
std::optional<Hover> hoverAt(CMusic* exercise, std::vector<CNote*>& sounding,
                             std::vector<double>& phases, double x, double y);

// ---- Marking and retuning -----------------------------------------------------------------

enum class ClickAction { cycleMark, select };
enum class MouseButton { left, middle, right };

// Where a click at (x, y) lands: the hit box shrunk by 3 pixels, nearest centre first.
std::optional<NoteIndex> findNoteForClick(const CMusic& score, double x, double y);

// Unmarked -> flat -> sharp -> unmarked; a locked note keeps its state.
void cycleMark(CNote& note);

// Makes the note at `where` the only selected note and records it in the score's selection.
void select(CMusic& score, NoteIndex where);

// Applies `action` to the note under (x, y); false when no note is there.
bool applyClick(CMusic& score, double x, double y, ClickAction action);

// A mouse button pressed over the staff in task `task` (2 marks, anything else selects). True
// when the staff must be redrawn.
bool clickAt(CMusic* exercise, int task, MouseButton button, double x, double y);

// One retuning step of the selected note for key 38 (up) or 40 (down), taken only in the
// tuning task (3), when the selected note is not locked and is in `sounding` (the mouse last
// hovered its sonority). True when the key was taken, so the diagram can be refreshed.
bool retuneSelected(CMusic* exercise, const std::vector<CNote*>& sounding, int task,
                    double retuneRatio, int key);

// One step per wheel event: delta > 0 raises, anything else lowers.
bool retuneByWheel(CMusic* exercise, const std::vector<CNote*>& sounding, int task,
                   double retuneRatio, int delta);

// ---- Grading ------------------------------------------------------------------------------

// The frequency a note should sound at; a note never tuned counts as in tune.
double correctFrequency(const CNote& note);
// How far a note sounds from its correct pitch, in cents: positive is sharp.
double deviationCents(const CNote& note);

// Cents closer than this to a threshold (the tolerance, the one-cent rule, a shade's edge) count
// as lying on it. Retuning by whole steps can land a note exactly on the tolerance, and rounding
// must not decide its verdict or colour.
inline constexpr double centsEpsilon = 1e-6;

// Grading tolerance of a difficulty 0..6 in cents: 7.5 at 0 down to 2.5 at 6.
double gradingTolerance(int difficulty);

// What New Exercise decided that grading needs.
struct GradingRules {
    int task = 0;               // 2 identify, 3 tuning
    int noteCount = 1;          // notes of the tested sonority
    bool referenceCopy = false; // a white, correctly tuned copy stands before the tested one
    int innerReferences = 0;    // white notes inside the tested sonority
    double tolerance = 7.5;     // cents, gradingTolerance(difficulty)
};

// The rules of an exercise as New Exercise made it.
GradingRules gradingRulesOf(const NewExercise& made);

// An entry of the message table: row 0 rates the tuning task, rows 1..4 are the identify task
// by the number of graded notes, the column being the number judged correctly.
struct GradeIndex {
    int column = 0;
    int row = 0;
    friend bool operator==(const GradeIndex&, const GradeIndex&) = default;
};

struct GradeMessage {
    std::string_view text;
    int red = 0;
    int green = 0;
    int blue = 0;
};

// The verdict on the current answer. An identify verdict without graded notes has row -1.
GradeIndex gradeAnswer(const CMusic& score, const GradingRules& rules);

// The text and colour of a table entry; an entry outside the table reads "Wrong" in red.
const GradeMessage& gradeMessage(int column, int row);

// ---- Reveal -------------------------------------------------------------------------------

// A 0x00BBGGRR colour value as the notes' displayColour holds it.
constexpr int rgbValue(int red, int green, int blue) {
    return red | green << 8 | blue << 16;
}

// Shows the correct answer on every note that is not locked: in the identify task (2) marks
// every out-of-tune note the right way and shows wrong marks of in-tune notes in red; in the
// tuning task (3) colours each note green within `tolerance` cents (its edge included), red
// beyond it.
void revealAnswers(CMusic& score, int task, double tolerance);

} // namespace sorvel
