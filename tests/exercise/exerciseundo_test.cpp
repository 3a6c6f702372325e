// SPDX-License-Identifier: GPL-3.0-or-later
#include "exerciseundo.h"

#include "answering.h"

#include <gtest/gtest.h>

namespace sorvel {
namespace {

const CNote& noteIn(const CMusic& score, const CSelection& at) {
    return score.staves.at(static_cast<std::size_t>(at.staff))
        .chords.at(static_cast<std::size_t>(at.chord))
        .notes.at(static_cast<std::size_t>(at.note));
}

// A tuning exercise with its first black note selected and retuned two steps up.
ExerciseState answeredExercise(ExerciseCategory category, CGenerateChord& generator) {
    ExerciseRequest request;
    request.category = category;
    request.task = ExerciseTask::tune;
    ExerciseState s;
    s.made = makeNewExercise(request, generator);
    s.exercise = std::make_unique<CMusic>(startOver(s.made.exerciseTemplate));
    s.exerciseTemplate = std::make_unique<CTwoStaffChord>(std::move(s.made.exerciseTemplate));
    s.task = s.made.task;
    s.difficulty = s.made.difficulty;
    s.retuneCents = s.made.retuneCents;
    s.retuneRatio = s.made.retuneRatio;
    s.gradingEnabled = s.restartEnabled = true;
    for (int staff = 0; staff < 2; ++staff) {
        const CStaff& st = s.exercise->staves[static_cast<std::size_t>(staff)];
        for (int c = 0; c < static_cast<int>(st.chords.size()); ++c)
            for (int n = 0; n < static_cast<int>(st.chords[static_cast<std::size_t>(c)].notes.size());
                 ++n)
                if (!st.chords[static_cast<std::size_t>(c)].notes[static_cast<std::size_t>(n)].locked &&
                    !s.exercise->selection.noteRef)
                    select(*s.exercise, {staff, c, n});
    }
    const std::vector<CNote*> sounding = {s.exercise->selection.noteRef};
    for (int step = 0; step < 2; ++step)
        retuneSelected(s.exercise.get(), sounding, s.task, s.retuneRatio, upArrowKey);
    return s;
}

// For every page: New Exercise, then undo, brings back the retuned, selected note and the
// exercise's decisions; a second undo brings back the new exercise; Start Over undoes the same.
TEST(exercise_undo, brings_back_the_replaced_answer_and_a_second_undo_the_new_one) {
    MTRand_int32::seed(77);
    CGenerateChord generator;
    for (int round = 0; round < 12; ++round) {
        const auto category = static_cast<ExerciseCategory>(round % 3);
        SCOPED_TRACE(round);
        ExerciseUndo undo;
        EXPECT_FALSE(undo.available());
        EXPECT_EQ(undo.label(), "Undo");

        ExerciseState answered = answeredExercise(category, generator);
        CNote* retuned = answered.exercise->selection.noteRef;
        ASSERT_NE(retuned, nullptr);
        const double answer = retuned->soundingFrequency;
        const CMusic* answeredScore = answered.exercise.get();
        const int noteCount = answered.made.noteCount;
        EXPECT_NEAR(deviationCents(*retuned) - 2 * answered.retuneCents,
                    deviationCents(noteIn(startOver(*answered.exerciseTemplate),
                                          answered.exercise->selection)),
                    1e-9);

        // New Exercise keeps what it replaces.
        undo.keep(std::move(answered), UndoneStep::newExercise);
        EXPECT_EQ(undo.label(), "Undo New Exercise");
        ExerciseState fresh = answeredExercise(ExerciseCategory::chords, generator);
        const CMusic* freshScore = fresh.exercise.get();
        ExerciseState back = undo.swap(std::move(fresh));
        EXPECT_EQ(undo.label(), "Redo New Exercise");
        ASSERT_EQ(back.exercise.get(), answeredScore);
        EXPECT_EQ(back.exercise->selection.noteRef, retuned);
        EXPECT_EQ(retuned->soundingFrequency, answer);
        EXPECT_TRUE(retuned->selected);
        EXPECT_EQ(back.made.noteCount, noteCount);
        ASSERT_NE(back.exerciseTemplate, nullptr);

        // Undo again: the new exercise returns, and the answered one is kept once more.
        back = undo.swap(std::move(back));
        EXPECT_EQ(back.exercise.get(), freshScore);
        EXPECT_EQ(undo.label(), "Undo New Exercise");

        // Start Over of the answered exercise: the rebuilt copy is clean, undo restores the answer.
        back = undo.swap(std::move(back));
        ExerciseState restarted;
        restarted.exercise = std::make_unique<CMusic>(startOver(*back.exerciseTemplate));
        restarted.exerciseTemplate = std::make_unique<CTwoStaffChord>(*back.exerciseTemplate);
        EXPECT_EQ(restarted.exercise->selection.noteRef, nullptr);
        undo.keep(std::move(back), UndoneStep::startOver);
        EXPECT_EQ(undo.label(), "Undo Start Over");
        back = undo.swap(std::move(restarted));
        EXPECT_EQ(back.exercise.get(), answeredScore);
        EXPECT_EQ(back.exercise->selection.noteRef->soundingFrequency, answer);
    }
}

TEST(exercise_undo, swap_with_nothing_kept_changes_nothing) {
    ExerciseUndo undo;
    ExerciseState s;
    s.exercise = std::make_unique<CMusic>();
    const CMusic* score = s.exercise.get();
    EXPECT_EQ(undo.swap(std::move(s)).exercise.get(), score);
    EXPECT_FALSE(undo.available());
}

} // namespace
} // namespace sorvel
