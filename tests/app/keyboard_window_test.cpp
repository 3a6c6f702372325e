// SPDX-License-Identifier: GPL-3.0-or-later
// The main window without a mouse (offscreen): the staff holds the keyboard, the cursor listens
// and answers through the mouse's handlers, Tab and the window keys reach the controls; and the
// accessible tree a screen reader walks names every control, sonority and note.
#include "sorvelmainform.h"
#include "spokennames.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace sorvel {
namespace {

class KeyboardWindow : public testing::Test {
protected:
    void SetUp() override {
        MTRand_int32::seed(4242);
        form = createMainWindow();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    // A key as the keyboard delivers it: to whatever holds the focus.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(form->windowHandle(), k, mods);
        QApplication::processEvents();
    }
    // Every accessible object under `root`, depth first.
    static void walk(QAccessibleInterface* root,
                     const std::function<void(QAccessibleInterface*)>& visit) {
        visit(root);
        for (int i = 0; i < root->childCount(); ++i)
            if (QAccessibleInterface* c = root->child(i))
                walk(c, visit);
    }
    std::unique_ptr<TSorvelMainForm> form;
};

TEST_F(KeyboardWindow, a_whole_exercise_from_the_keyboard_goes_through_the_mouse_handlers) {
    EXPECT_EQ(QApplication::focusWidget(), form->Score);
    key(Qt::Key_Tab, Qt::ControlModifier); // from "Help Me!" round to "Single Notes"
    EXPECT_EQ(form->TabsBox->currentIndex(), 0);
    key(Qt::Key_PageDown, Qt::ControlModifier);
    key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->TabsBox->currentIndex(), 0);
    form->TuneRB->click();
    key(Qt::Key_N, Qt::AltModifier); // the button's mnemonic
    QTest::qWait(250);               // a mnemonic presses the button as a click would look
    ASSERT_TRUE(form->RestartBtn->isEnabled()) << "Alt+N made no exercise";
    EXPECT_EQ(QApplication::focusWidget(), form->Score);

    // Right to the last sonority: it sounds, and the cursor note is what the diagram shows.
    for (int i = 0; i < 4; ++i)
        key(Qt::Key_Right);
    const CNote* cursor = form->staffCursor.note(*form->exercise);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(form->hoveredNote, cursor);
    EXPECT_TRUE(form->Timer1->isActive());
    const auto& sounding = form->synthesizer->soundingNotes;
    EXPECT_NE(std::find(sounding.begin(), sounding.end(), cursor), sounding.end());
    key(Qt::Key_Up, Qt::AltModifier); // the single note stays put
    EXPECT_EQ(form->staffCursor.note(*form->exercise), cursor);

    key(Qt::Key_Space);
    EXPECT_EQ(form->exercise->selection.noteRef, cursor);
    const double before = cursor->soundingFrequency;
    key(Qt::Key_Up);
    EXPECT_NEAR(cursor->soundingFrequency, before * form->retuneRatio, 1e-9);
    key(Qt::Key_Escape);
    EXPECT_FALSE(form->Timer1->isActive());

    // Tab leaves the staff; a focused control keeps its keys; Escape and F6 return.
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->NewBtn);
    key(Qt::Key_Up);
    EXPECT_NEAR(cursor->soundingFrequency, before * form->retuneRatio, 1e-9);
    key(Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), form->Score);
    form->DifficultyBar->setFocus(Qt::TabFocusReason);
    const int position = form->DifficultyBar->value();
    key(Qt::Key_Right);
    EXPECT_EQ(form->DifficultyBar->value(), position + 1);
    EXPECT_EQ(QApplication::focusWidget(), form->DifficultyBar);
    key(Qt::Key_F6);
    EXPECT_EQ(QApplication::focusWidget(), form->Score);
    // A mouse click on a control leaves the keyboard with the staff.
    QCheckBox* g = form->pitchOptions.boxes[7];
    QTest::mouseClick(g, Qt::LeftButton);
    EXPECT_TRUE(g->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), form->Score);

    key(Qt::Key_K, Qt::AltModifier); // Check Answer
    QTest::qWait(250);
    EXPECT_EQ(form->sessionRecord.rows().size(), 1u);
}

TEST_F(KeyboardWindow, the_accessible_tree_names_every_control_and_every_note) {
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
    ASSERT_NE(window, nullptr);
    std::set<QString> names;
    const std::set<QAccessible::Role> controls = {
        QAccessible::PushButton, QAccessible::CheckBox, QAccessible::RadioButton,
        QAccessible::ComboBox,   QAccessible::Slider,   QAccessible::PageTab};
    for (int page = 0; page < form->TabsBox->count(); ++page) {
        form->TabsBox->setCurrentIndex(page);
        std::set<QString> onPage;
        walk(window, [&](QAccessibleInterface* i) {
            if (!controls.count(i->role()) || i->state().invisible)
                return;
            const QString name = i->text(QAccessible::Name);
            EXPECT_FALSE(name.isEmpty()) << "a control of role " << i->role() << " has no name";
            EXPECT_FALSE(name.contains(QLatin1Char('&'))) << name.toStdString();
            if (i->role() == QAccessible::ComboBox) {
                EXPECT_NE(name, i->text(QAccessible::Value)) << "named by its value";
            }
            if (i->role() == QAccessible::CheckBox) {
                EXPECT_TRUE(onPage.insert(name).second) << "two boxes read as " << name.toStdString();
            }
            names.insert(name);
        });
    }
    for (const char* expected :
         {"Tuning System", "Second Tuning System", "Difficulty", "Bottom note", "Chord root",
          "minor third", "major third", "diminished fifth", "perfect octave", "major-minor seventh",
          "major seventh", "minor seventh", "half-diminished seventh", "diminished seventh",
          "New Exercise", "Check Answer", "Chords", "Help Me!"})
        EXPECT_TRUE(names.count(QString::fromLatin1(expected))) << expected;

    // A chord exercise: the staff's sonorities, each with its notes, spoken.
    form->TabsBox->setCurrentIndex(2);
    form->NewBtn->click();
    QAccessibleInterface* staff = QAccessible::queryAccessibleInterface(form->Score);
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ(staff->text(QAccessible::Name), "Staff");
    ASSERT_EQ(staff->childCount(), form->exercise->columnCount);
    const QRegularExpression spokenNote(
        "^[A-G]( double)?( sharp| flat)? -?\\d, (black|white)(, marked (flat|sharp))?$");
    int notes = 0;
    for (int c = 0; c < staff->childCount(); ++c) {
        QAccessibleInterface* sonority = staff->child(c);
        EXPECT_TRUE(sonority->text(QAccessible::Name).startsWith("chord: "))
            << sonority->text(QAccessible::Name).toStdString();
        EXPECT_EQ(sonority->parent(), staff);
        for (int n = 0; n < sonority->childCount(); ++n, ++notes) {
            const QString name = sonority->child(n)->text(QAccessible::Name);
            EXPECT_TRUE(spokenNote.match(name).hasMatch()) << name.toStdString();
            EXPECT_EQ(sonority->indexOfChild(sonority->child(n)), n);
        }
    }
    int written = 0;
    for (const CStaff& s : form->exercise->staves)
        for (const CChord& ch : s.chords)
            written += static_cast<int>(ch.notes.size());
    EXPECT_EQ(notes, written);
    // The cursor's note is the focused one, and says what Space did to it.
    key(Qt::Key_Right);
    key(Qt::Key_Space);
    QAccessibleInterface* focused = staff->focusChild();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->text(QAccessible::Name).toStdString(),
              describeNote(*form->staffCursor.note(*form->exercise)));
}

} // namespace
} // namespace sorvel
