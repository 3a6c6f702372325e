// SPDX-License-Identifier: GPL-3.0-or-later
// New Exercise, Start Over, the verdict timer, the help page and the sound options button on the
// real main window (offscreen). The rules of the exercise itself are tested in tests/exercise.
#include "sorvelmainform.h"
#include "soundoptionsform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>

namespace sorvel {
namespace {

class ExerciseWindow : public testing::Test {
protected:
    void SetUp() override {
        MTRand_int32::seed(4711);
        form = createMainWindow();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QCheckBox* box(const char* name) {
        auto* b = form->findChild<QCheckBox*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    std::vector<CNote> notes() const {
        std::vector<CNote> all;
        for (const CStaff& staff : form->exercise->staves)
            for (const CChord& chord : staff.chords)
                all.insert(all.end(), chord.notes.begin(), chord.notes.end());
        return all;
    }
    std::unique_ptr<TSorvelMainForm> form;
};

// What identifies an exercise as made: its pitches, frequencies and white notes.
struct Made {
    int pitch;
    double sounding;
    int locked;
    friend bool operator==(const Made&, const Made&) = default;
};
std::vector<Made> madeOf(const std::vector<CNote>& notes) {
    std::vector<Made> made;
    for (const CNote& n : notes)
        made.push_back({n.pitchNumber(), n.soundingFrequency, n.locked});
    return made;
}

TEST_F(ExerciseWindow, new_exercise_on_the_chords_page) {
    EXPECT_FALSE(form->RestartBtn->isEnabled());
    const QImage startup = form->Score->canvas();
    form->TabsBox->setCurrentIndex(2);
    box("C001")->setChecked(true); // major seventh only
    box("SCBox")->setChecked(true);
    form->NewBtn->click();
    ASSERT_NE(exerciseTemplate, nullptr);
    EXPECT_EQ(exerciseTemplate->columns.size(), 2u); // the white copy, then the tested one
    EXPECT_EQ(exerciseMade.noteCount, 4);
    EXPECT_EQ(exerciseMade.typeName, "Major7");
    EXPECT_EQ(form->chordOptions.chosen, 5);
    EXPECT_EQ(form->chordOptions.inversion, exerciseMade.chosenInversion);
    EXPECT_EQ(notes().size(), 8u);
    EXPECT_EQ(form->task, 2);
    EXPECT_DOUBLE_EQ(form->retuneCents, 10.0 - 8.0 / 3.0);
    EXPECT_TRUE(form->RestartBtn->isEnabled());
    EXPECT_TRUE(form->GradeBtn->isEnabled());
    EXPECT_TRUE(form->AnswersBtn->isEnabled());
    EXPECT_EQ(form->exercise->columnCount, 2);
    EXPECT_NE(form->Score->canvas(), startup); // the staff was redrawn
}

TEST_F(ExerciseWindow, compare_mode_disables_grading) {
    form->TabsBox->setCurrentIndex(1);
    form->IdentifyRBEnter(form->CompareRB);
    form->Tuning2Box->setCurrentIndex(1);
    form->DifficultyBar->setValue(7);
    form->NewBtn->click();
    EXPECT_EQ(form->task, 3);
    EXPECT_FALSE(form->GradeBtn->isEnabled());
    EXPECT_FALSE(form->AnswersBtn->isEnabled());
    EXPECT_TRUE(form->RestartBtn->isEnabled());
    EXPECT_DOUBLE_EQ(form->retuneCents, 2.0);
    for (const CNote& n : notes()) {
        EXPECT_EQ(n.locked, 0);
        EXPECT_DOUBLE_EQ(n.soundingFrequency, n.systemFrequencies.at(n.system));
    }
    // Back to the identify task: grading returns.
    form->IdentifyRBEnter(form->IdentifyRB);
    form->NewBtn->click();
    EXPECT_TRUE(form->GradeBtn->isEnabled());
    EXPECT_TRUE(form->AnswersBtn->isEnabled());
}

TEST_F(ExerciseWindow, the_octave_box_larger_than_an_octave_is_a_fifteenth) {
    form->TabsBox->setCurrentIndex(1);
    box("I12")->setChecked(true);
    box("CIBox")->setChecked(true);
    box("MIBox")->setChecked(true); // melodic: one note per column
    form->NewBtn->click();
    EXPECT_EQ(exerciseMade.typeName, "P1");
    EXPECT_EQ(form->intervalOptions.chosen, 11);
    ASSERT_EQ(exerciseTemplate->columns.size(), 4u);
    const int bass = exerciseTemplate->columns[0].notes.at(0).pitchNumber();
    EXPECT_EQ(exerciseTemplate->columns[1].notes.at(0).pitchNumber(), bass + 24);
}

TEST_F(ExerciseWindow, start_over_restores_the_exercise_as_made) {
    form->TabsBox->setCurrentIndex(2);
    form->NewBtn->click();
    const std::vector<Made> made = madeOf(notes());

    // Marks, a selection and a retuning live in the exercise only.
    for (CStaff& staff : form->exercise->staves)
        for (CChord& chord : staff.chords)
            for (CNote& n : chord.notes) {
                n.marked = 1;
                n.markKind = 2;
                n.selected = 1;
                n.soundingFrequency *= 1.01;
            }
    // Options and the difficulty change, but Start Over ignores them.
    form->TabsBox->setCurrentIndex(0);
    form->DifficultyBar->setValue(7);
    box("C000")->setChecked(true);
    form->CompareBox->setChecked(!form->CompareBox->isChecked());
    const int taskBefore = form->task;
    const double stepBefore = form->retuneCents;

    form->RestartBtn->click();
    EXPECT_EQ(madeOf(notes()), made);
    for (const CNote& n : notes())
        EXPECT_EQ(n.marked + n.markKind + n.selected, 0);
    EXPECT_EQ(form->task, taskBefore);
    EXPECT_EQ(form->retuneCents, stepBefore);
    EXPECT_TRUE(form->RestartBtn->isEnabled());
    form->RestartBtn->click();
    EXPECT_EQ(madeOf(notes()), made);
}

TEST_F(ExerciseWindow, a_verdict_stays_until_its_timer_ends) {
    form->TabsBox->setCurrentIndex(0);
    form->NewBtn->click();
    // A verdict on display, as grading leaves it.
    form->GradeLabel->setVisible(true);
    form->MessageTimer->start();
    QTest::qWait(300);
    form->RestartBtn->click();
    EXPECT_TRUE(form->GradeLabel->isVisible());
    EXPECT_TRUE(form->MessageTimer->isActive());
    QSignalSpy ticks(form->MessageTimer, &QTimer::timeout);
    ASSERT_TRUE(ticks.wait(2500));
    EXPECT_FALSE(form->GradeLabel->isVisible());
    EXPECT_FALSE(form->MessageTimer->isActive());

    // New Exercise takes the verdict away at once.
    form->GradeLabel->setVisible(true);
    form->MessageTimer->start();
    form->NewBtn->click();
    EXPECT_FALSE(form->GradeLabel->isVisible());
    EXPECT_FALSE(form->MessageTimer->isActive());
}

TEST_F(ExerciseWindow, help_page_scrolls_with_the_wheel_while_the_mouse_is_over_it) {
    QPlainTextEdit* memo = form->HelpMemo;
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_FALSE(memo->focusPolicy() & Qt::ClickFocus);
    EXPECT_TRUE(memo->toPlainText().startsWith("Welcome to the Sorvel!\n"));
    EXPECT_GT(memo->verticalScrollBar()->maximum(), 0);
    ASSERT_EQ(form->TabsBox->currentIndex(), 3);

    QSignalSpy wheel(form.get(), &TSorvelMainForm::mouseWheel);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(memo, &enter);
    EXPECT_TRUE(memo->hasFocus());
    const QPoint at(100, 100);
    QWheelEvent down(at, memo->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(memo->viewport(), &down);
    EXPECT_GT(memo->verticalScrollBar()->value(), 0);
    EXPECT_EQ(wheel.count(), 0);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(memo, &leave);
    EXPECT_FALSE(memo->hasFocus());
    const int scrolled = memo->verticalScrollBar()->value();
    QWheelEvent again(at, memo->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(memo->viewport(), &again);
    EXPECT_EQ(memo->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(wheel.count(), 1); // the wheel retunes again
}

TEST_F(ExerciseWindow, sound_options_placed_beside_the_button_once) {
    form->move(40, 30);
    QTest::qWait(20);
    TForm2* dialog = form->Form2;
    ASSERT_NE(dialog, nullptr);
    form->AdvSoundOptBtn->click();
    EXPECT_TRUE(dialog->isVisible());
    const QRect window = form->frameGeometry();
    // The button's place in the client area, menu bar included.
    const QRect button(form->AdvSoundOptBtn->mapTo(form.get(), QPoint(0, 0)),
                       form->AdvSoundOptBtn->size());
    const int height = dialog->frameGeometry().height();
    const QPoint asked(window.left() + button.left() + button.width() + 20,
                       window.top() + button.top() - (height - button.height()) / 2 + 20);
    // Where that would cover the tuning diagram, the dialog moves down just clear of it.
    const QRect diagram(form->AnswerPopupPanel->mapToGlobal(QPoint(0, 0)),
                        form->AnswerPopupPanel->size());
    const bool covers = QRect(asked, dialog->frameGeometry().size()).intersects(diagram);
    EXPECT_EQ(dialog->frameGeometry().topLeft(),
              QPoint(asked.x(), covers ? diagram.bottom() + 2 : asked.y()));
    EXPECT_FALSE(dialog->frameGeometry().intersects(diagram));
    // Moved by the user, then opened again: it stays where it was put.
    dialog->move(300, 200);
    const QPoint moved = dialog->frameGeometry().topLeft();
    dialog->hide();
    form->AdvSoundOptBtn->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->frameGeometry().topLeft(), moved);
}

} // namespace
} // namespace sorvel
