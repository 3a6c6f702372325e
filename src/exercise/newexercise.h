// SPDX-License-Identifier: GPL-3.0-or-later
// New Exercise and Start Over without widgets: the window reads its option controls into an
// ExerciseRequest, makeNewExercise draws the sonority, voices, tunes and mistunes it, and the
// window keeps the resulting template and values.
//
//   sorvel::ExerciseRequest request;                 // Chords page, defaults elsewhere
//   request.category = sorvel::ExerciseCategory::chords;
//   sorvel::CGenerateChord generator;                // lives for the whole run
//   sorvel::NewExercise made = sorvel::makeNewExercise(request, generator);
//   sorvel::CMusic exercise = sorvel::startOver(made.exerciseTemplate);
#pragma once

#include "layout.h"
#include "musicgenerator.h"
#include "tuningdata.h"

#include <array>
#include <string>
#include <vector>

namespace sorvel {

// The TabsBox page an exercise is drawn from.
enum class ExerciseCategory { singleNotes = 0, intervals = 1, chords = 2 };

// The three task radio buttons.
enum class ExerciseTask { identify, tune, compare };

// `task` values the answering code reads.
inline constexpr int identifyTask = 2;
inline constexpr int tuneTask = 3;

// The state of every option control New Exercise reads. A group with no box checked stands for
// all of its boxes.
struct ExerciseRequest {
    ExerciseCategory category = ExerciseCategory::singleNotes;
    std::array<bool, 12> pitchBoxes{};        // P00..P11, index = pitch class
    std::array<bool, 12> intervalBoxes{};     // I01..I12, index = semitones - 1
    std::array<bool, 2> intervalRangeBoxes{}; // SIBox, CIBox (larger than an octave)
    std::array<bool, 2> intervalStyleBoxes{}; // HIBox (harmonic), MIBox
    std::array<bool, 11> chordBoxes{};        // C00 .. C110, indices 0..3 are triads
    std::array<bool, 4> inversionBoxes{};     // V0Box .. V3Box
    std::array<bool, 2> chordPositionBoxes{}; // CPBox, OPBox (open position)
    std::array<bool, 2> chordStyleBoxes{};    // SCBox (stacked), BCBox
    int bottomNote = 0;                       // BottomNote item: 0 "Any", 1 C .. 12 B
    int chordRoot = 0;                        // ChordRoot item, same items
    ExerciseTask task = ExerciseTask::identify;
    bool compareBox = true; // "Compare with correctly tuned version"
    int tuning = 0;         // TuningBox item = system index
    int tuning2 = 0;        // Tuning2Box item
    int difficulty = 2;     // DifficultyBar position - 1, 0..6
};

// The option keys of the interval and chord boxes, parallel to the boxes.
inline constexpr std::array<const char*, 12> intervalOptionNames = {
    "m2", "M2", "m3", "M3", "P4", "d5", "P5", "m6", "M6", "m7", "M7", "P1"};
inline constexpr std::array<const char*, 11> chordOptionNames = {
    "Major",  "Minor",     "Dim.", "Aug.",   "Mm7",  "Major7",
    "Minor7", "Half-Dim.", "mM7",  "Aug.M7", "Dim.7"};

// Everything one New Exercise decides.
struct NewExercise {
    CTwoStaffChord exerciseTemplate; // the columns as made, mistunings and references included
    ExerciseCategory category = ExerciseCategory::singleNotes;
    int tuning = 0;             // system index of TuningBox
    std::string tuningName;     // its name and reference pitch when made, for the record
    double referencePitch = 440.0; // the A4 every system was tuned to
    int task = identifyTask;    // 2 identify, 3 tune (also compare mode)
    bool referenceCopy = false; // a correctly tuned copy stands before the tested one
    int innerReferences = 0;    // white notes inside the tested sonority, 0 or 1
    int noteCount = 1;          // 1 single note, 2 interval, 3 triad, 4 seventh chord
    int difficulty = 0;
    double retuneCents = 10.0;
    double retuneRatio = 1.0;
    bool gradingEnabled = true; // GradeBtn and AnswersBtn; off in compare mode
    std::string typeName;       // dictionary key of the sonority, "" for a single note
    int chosenType = -1;        // index of the drawn interval or chord box, -1 for single notes
    int chosenInversion = 0;    // inversion drawn for a chord
    bool oneColumn = true;      // all notes of a copy in one column
    bool wide = false;          // compound interval or open position
    int openRow = -1;           // row of the open-position table used for a seventh chord
    int mistunedCount = 0;      // as decided (0 in compare mode)
    std::vector<int> picked;    // mistuned note indices, then the inner reference
};

// Retuning step of a difficulty 0..6: 10 cents at 0 down to 2 cents at 6.
double retuneCentsFor(int difficulty);
// Frequency factor of one retuning step.
double retuneRatioFor(double retuneCents);

// Builds a new exercise from the options, drawing from the shared generator in this order:
// the category's option draws and the mistuned count, the open-position row of a seventh
// chord, the special notes, then per mistuned note its sign and its size. `generator` keeps the
// request and the generated notes, as the window's generator of the run does.
NewExercise makeNewExercise(const ExerciseRequest& request, CGenerateChord& generator);

// The exercise as Start Over rebuilds it from its template: built on the two staves and laid out.
CMusic startOver(const CTwoStaffChord& exerciseTemplate);

// Screen position of the sound options dialog on its first showing: 20 pixels right of the
// button, centred on it vertically and then 20 pixels lower. Window coordinates are the
// window's outer position on the screen; the button's are relative to its client area.
struct ScreenPoint {
    int left = 0;
    int top = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};
ScreenPoint soundOptionsPlacement(int windowLeft, int windowTop, int buttonLeft, int buttonTop,
                                  int buttonWidth, int buttonHeight, int dialogHeight);

} // namespace sorvel
