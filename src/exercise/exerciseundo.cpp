// SPDX-License-Identifier: GPL-3.0-or-later
#include "exerciseundo.h"

#include <utility>

namespace sorvel {

void ExerciseUndo::keep(ExerciseState replaced, UndoneStep step) {
    kept_ = std::move(replaced);
    step_ = step;
    swapped_ = false;
}

std::string_view ExerciseUndo::label() const {
    if (!kept_)
        return "Undo";
    if (step_ == UndoneStep::newExercise)
        return swapped_ ? "Redo New Exercise" : "Undo New Exercise";
    return swapped_ ? "Redo Start Over" : "Undo Start Over";
}

ExerciseState ExerciseUndo::swap(ExerciseState current) {
    if (!kept_)
        return current;
    ExerciseState back = std::move(*kept_);
    kept_ = std::move(current);
    swapped_ = !swapped_;
    return back;
}

} // namespace sorvel
