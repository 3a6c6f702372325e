// SPDX-License-Identifier: GPL-3.0-or-later
// One level of undo for New Exercise and Start Over: the exercise they replaced, with the
// user's marks, selection and retunings, and what its New Exercise decided. Undoing swaps the
// kept state with the current one, so a second undo brings back what the first replaced and a
// stray key never loses an answer either way.
//
//   sorvel::ExerciseUndo undo;
//   undo.keep(std::move(stateBeforeNewExercise), sorvel::UndoneStep::newExercise);
//   if (undo.available()) current = undo.swap(std::move(current));
#pragma once

#include "newexercise.h"
#include "tuningdata.h"

#include <memory>
#include <optional>
#include <string_view>

namespace sorvel {

// Everything New Exercise or Start Over replaces. The exercise moves in whole, so that its
// selection stays (a copy of a CMusic has none).
struct ExerciseState {
    std::unique_ptr<CMusic> exercise;
    std::unique_ptr<CTwoStaffChord> exerciseTemplate; // none before the first New Exercise
    NewExercise made;                                 // its template lives in the field above
    int task = 0;
    int difficulty = 0;
    double retuneCents = 0;
    double retuneRatio = 1;
    bool gradingEnabled = false; // Check Answer and Reveal Errors
    bool restartEnabled = false; // Start Over
};

enum class UndoneStep { newExercise, startOver };

class ExerciseUndo {
public:
    // Keeps `replaced`, the state `step` is about to replace; an older kept state is dropped.
    void keep(ExerciseState replaced, UndoneStep step);
    bool available() const { return kept_.has_value(); }
    // The menu's words for what an undo would bring back: "Undo New Exercise" ...
    std::string_view label() const;
    // Returns the kept state and keeps `current` in its place (`current` itself when nothing
    // is kept).
    ExerciseState swap(ExerciseState current);
    void clear() { kept_.reset(); }

private:
    std::optional<ExerciseState> kept_;
    UndoneStep step_ = UndoneStep::newExercise;
    bool swapped_ = false; // the kept state is the one an undo replaced
};

} // namespace sorvel
