// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window on the offscreen platform: its layout, defaults, handlers and focus rule.
#include "blacknote.h"
#include "mainmenu.h"
#include "qtenvironment.h"
#include "sorvelmainform.h"
#include "soundoptionsform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace sorvel {
namespace {

const auto* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment("app_tests", true));

class Window : public testing::Test {
protected:
    void SetUp() override {
        form = createMainWindow();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    template <typename W = QWidget> W* child(const char* name) {
        auto* w = form->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Nothing but the staff (or the window itself) may hold the keyboard.
    void expectKeyboardFree() {
        QWidget* focus = QApplication::focusWidget();
        EXPECT_TRUE(focus == nullptr || focus == form.get() || focus == form->Score)
            << "focus on " << focus->objectName().toStdString();
    }
    std::unique_ptr<TSorvelMainForm> form;
};

// Darkness 0 (white) .. 255 (black) of a canvas pixel.
int darkness(const QImage& image, int x, int y) {
    return 255 - qGray(image.pixel(x, y));
}

TEST_F(Window, the_white_a4_stands_on_the_staff_and_the_voices_are_built) {
    ASSERT_NE(form->exercise, nullptr);
    ASSERT_EQ(form->exercise->staves.size(), 2u);
    ASSERT_EQ(form->exercise->staves[0].chords.size(), 1u);
    ASSERT_EQ(form->exercise->staves[0].chords[0].notes.size(), 1u);
    const CNote& a4 = form->exercise->staves[0].chords[0].notes[0];
    EXPECT_EQ(a4.octave, 4);
    EXPECT_EQ(a4.letter, 5);
    EXPECT_EQ(a4.soundingFrequency, 440.0);
    EXPECT_EQ(a4.locked, 1);
    EXPECT_TRUE(form->exercise->staves[1].chords.empty() ||
                form->exercise->staves[1].chords[0].notes.empty());

    // The head is hollow: light at its centre, dark on both sides within half a head.
    const QImage& canvas = form->Score->canvas();
    const int cx = static_cast<int>(a4.centre[0]);
    const int cy = static_cast<int>(a4.centre[1]);
    ASSERT_TRUE(canvas.rect().contains(cx, cy));
    EXPECT_LT(darkness(canvas, cx, cy), 100);
    auto darkWithin = [&](int step) {
        for (int d = 1; d <= 8; ++d)
            if (darkness(canvas, cx + step * d, cy) > 150)
                return true;
        return false;
    };
    EXPECT_TRUE(darkWithin(-1));
    EXPECT_TRUE(darkWithin(+1));
    // The treble staff's middle line (y 74) runs through the picture.
    EXPECT_GT(darkness(canvas, 300, 74), 150);
    EXPECT_LT(darkness(canvas, 300, 70), 100);

    ASSERT_NE(form->synthesizer, nullptr);
    EXPECT_EQ(form->synthesizer->voices.size(), 8u);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_NE(form->device, nullptr);
}

TEST_F(Window, state_right_after_start) {
    EXPECT_EQ(form->objectName(), "SorvelMainForm");
    EXPECT_EQ(form->windowTitle(), "Sorvel");
    // The content area keeps its size; the menu bar lies above it.
    EXPECT_EQ(form->Content->geometry(), QRect(0, form->Menu->height(), 938, 489));
    EXPECT_EQ(form->size(), QSize(938, 489 + form->Menu->height()));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()); // fixed size
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    for (const char* name : {"NewBtn", "RestartBtn", "GradeBtn", "AnswersBtn"})
        EXPECT_FALSE(child<QPushButton>(name)->isEnabled()) << name;
    EXPECT_EQ(form->TabsBox->currentIndex(), 3);
    EXPECT_EQ(form->TabsBox->tabText(form->TabsBox->currentIndex()).remove('&'), "Help Me!");
    EXPECT_EQ(form->TabsBox->currentWidget()->objectName(), "HelpPage");
    EXPECT_EQ(form->task, 0);
    EXPECT_NEAR(form->retuneCents, 10.0 - 8.0 / 3.0, 1e-12);
    EXPECT_NEAR(form->retuneRatio, std::pow(2.0, (22.0 / 3.0) / 1200.0), 1e-15);
    EXPECT_EQ(difficulty, 2);
    EXPECT_EQ(exerciseTemplate, nullptr);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 20);
    EXPECT_FALSE(form->MessageTimer->isActive());
    EXPECT_EQ(form->MessageTimer->interval(), 2000);
    EXPECT_FALSE(form->GradeLabel->isVisible());
    EXPECT_EQ(form->GradeLabel->text(), "CORRECT ");
    EXPECT_EQ(form->GradeLabel->font().pixelSize(), 29);
    EXPECT_TRUE(form->GradeLabel->font().bold() && form->GradeLabel->font().italic());
    EXPECT_TRUE(form->ShowDiagBtn->isCheckable());
    EXPECT_FALSE(form->ShowDiagBtn->isChecked());
}

// One row per control: object name, position relative to its parent (-1: not fixed), caption,
// hint, and whether it starts enabled, checked and visible.
struct ControlRow {
    const char* name;
    int x, y, w, h;
    const char* caption;
    const char* hint = "";
    bool enabled = true;
    bool checked = false;
    bool visible = true;
};

const ControlRow controlRows[] = {
    // Window layout.
    {"Score", 2, 9, 461, 241, nullptr},
    {"NewBtn", 2, 256, 111, 25, "New Exercise", "Begin a new exercise using the options at right.",
     false},
    {"RestartBtn", 119, 256, 111, 25, "Start Over", "Restart the current exercise.", false},
    {"GradeBtn", 236, 256, 111, 25, "Check Answer", "See whether your answer is correct or not.",
     false},
    {"AnswersBtn", 352, 256, 111, 25, "Reveal Errors",
     "Incorrectly tuned/marked notes are displayed in red.", false},
    {"Bevel2", 2, 287, 461, 166, nullptr},
    {"ShowDiagBtn", 8, 295, 448, 37, "Show Answers on Tuning Diagram",
     "Display tuning of correct and sounding pitches."},
    {"AnswerPopupPanel", 8, 346, 448, 100, nullptr},
    {"AdvSoundOptBtn", 2, 461, 145, 25, "Advanced Sound Options...",
     "Fix noisy sound or slow response time."},
    {"TabsBox", 469, 8, 465, 281, nullptr},
    {"Bevel1", 469, 287, 465, 200, nullptr},
    {"GradeLabel", 122, 108, 155, 34, "CORRECT ", "", true, false, false},
    {"HelpMemo", 3, 3, 451, 247, nullptr},
    // Single Notes page.
    {"Label1", 3, 15, -1, -1, "1. Select pitches to work on:"},
    {"P09", 16, 34, 33, 17, "A"},
    {"P10", 55, 34, 33, 17, "A#"},
    {"P11", 94, 34, 33, 17, "B"},
    {"P00", 133, 34, 33, 17, "C"},
    {"P01", 16, 57, 33, 17, "C#"},
    {"P02", 55, 57, 33, 17, "D"},
    {"P03", 94, 57, 33, 17, "D#"},
    {"P04", 133, 57, 33, 17, "E"},
    {"P05", 16, 81, 33, 17, "F"},
    {"P06", 55, 81, 33, 17, "F#"},
    {"P07", 94, 81, 33, 17, "G"},
    {"P08", 133, 81, 33, 17, "G#"},
    {"SAPBtn", 192, 34, 106, 17, "Select All Pitches"},
    {"DAPBtn", 192, 57, 106, 17, "Deselect All Pitches"},
    {"P99", 16, 117, -1, -1, "Custom Frequency:", "", true, false, false},
    {"FreqBox", 135, 115, 49, 21, "440.00", "", true, false, false},
    {"Label2", 192, 118, -1, -1, "Hz", "", true, false, false},
    // Intervals page.
    {"Label6", 3, 15, -1, -1, "1. Select intervals to work on:"},
    {"Label3", 3, 35, -1, -1, "Perfect Consonances:"},
    {"I07", 127, 34, 34, 17, "P5"},
    {"I05", 167, 34, 34, 17, "P4"},
    {"I12", 207, 34, 34, 17, "P8"},
    {"Label4", 3, 57, -1, -1, "Imperfect Consonances:"},
    {"I03", 127, 56, 34, 17, "m3"},
    {"I04", 167, 56, 34, 17, "M3"},
    {"I08", 207, 56, 34, 17, "m6"},
    {"I09", 247, 56, 34, 17, "M6"},
    {"Label5", 3, 80, -1, -1, "Dissonances:"},
    {"I01", 87, 79, 34, 17, "m2"},
    {"I02", 127, 79, 34, 17, "M2"},
    {"I06", 167, 79, 34, 17, "º5"},
    {"I10", 207, 79, 34, 17, "m7"},
    {"I11", 247, 79, 34, 17, "M7"},
    {"SAPCBtn", 287, 34, 50, 17, "Select All"},
    {"DAPCBtn", 343, 34, 66, 17, "Deselect All"},
    {"SAICBtn", 287, 56, 50, 17, "Select All"},
    {"DAICBtn", 343, 56, 66, 17, "Deselect All"},
    {"SADBtn", 287, 79, 50, 17, "Select All"},
    {"DADBtn", 343, 79, 66, 17, "Deselect All"},
    {"Label23", 3, 103, -1, -1, "Bottom note:"},
    {"BottomNote", 87, 98, 47, 21, nullptr, "This pitch will be the bottom note of the interval."},
    {"Label7", 3, 128, -1, -1, "2. Select the range of the intervals:"},
    {"SIBox", 3, 147, 146, -1, "Intervals up to an octave"},
    {"CIBox", 155, 147, 182, -1, "Intervals larger than an octave"},
    {"Label8", 3, 173, -1, -1, "3. Select harmonic and/or melodic intervals:"},
    {"HIBox", 3, 192, 146, -1, "Harmonic intervals"},
    {"MIBox", 155, 192, 118, -1, "Melodic intervals"},
    // Chords page.
    {"Label12", 3, 15, -1, -1, "1. Select chords to work on:"},
    {"Label9", 3, 35, -1, -1, "Triads:"},
    {"C00", 115, 34, -1, -1, "Maj"},
    {"C01", 167, 34, -1, -1, "Min"},
    {"C10", 223, 34, -1, -1, "Dim"},
    {"C11", 278, 34, -1, -1, "Aug"},
    {"Label10", 3, 57, -1, -1, "Diatonic 7th Chords:"},
    {"C000", 115, 56, -1, -1, "Mm7"},
    {"C001", 167, 56, -1, -1, "MM7"},
    {"C010", 223, 56, -1, -1, "mm7"},
    {"C011", 278, 56, -1, -1, "ø7"},
    {"Label11", 3, 80, -1, -1, "Chromatic 7th Chords:"},
    {"C100", 115, 79, -1, -1, "mM7"},
    {"C101", 167, 79, -1, -1, "M+7"},
    {"C110", 223, 79, -1, -1, "º7"},
    {"SATBtn", 326, 35, -1, -1, "Select All"},
    {"DATBtn", 382, 35, -1, -1, "Deselect All"},
    {"SAD7Btn", 326, 57, -1, -1, "Select All"},
    {"DAD7Btn", 382, 57, -1, -1, "Deselect All"},
    {"SAC7Btn", 326, 80, -1, -1, "Select All"},
    {"DAC7Btn", 382, 80, -1, -1, "Deselect All"},
    {"Label22", 3, 103, -1, -1, "Chord root:"},
    {"ChordRoot", 115, 98, 47, 21, nullptr, "This pitch will be the root of the chord."},
    {"Label13", 3, 128, -1, -1, "2. Select inversions:"},
    {"V0Box", 3, 147, -1, -1, "Root position"},
    {"V1Box", 106, 147, -1, -1, "1st inversion"},
    {"V2Box", 199, 147, -1, -1, "2nd inversion"},
    {"V3Box", 292, 147, -1, -1, "3rd inversion"},
    {"SAInvBtn", 382, 127, -1, -1, "Select All"},
    {"DAInvBtn", 382, 147, -1, -1, "Deselect All"},
    {"Label14", 3, 173, -1, -1, "3. Select open and/or closed position:"},
    {"CPBox", 3, 192, -1, -1, "Closed position"},
    {"OPBox", 106, 192, -1, -1, "Open position"},
    {"Label15", 3, 216, -1, -1, "4. Select broken and/or stacked chords:"},
    {"SCBox", 3, 235, -1, -1, "Stacked"},
    {"BCBox", 106, 235, -1, -1, "Broken"},
    // Exercise options.
    {"Panel1", 476, 294, 451, 41, "Exercise Options"},
    {"Label16", 478, 342, -1, -1, "Task:"},
    {"IdentifyRB", 510, 341, -1, -1, "Identify flat or sharp pitches",
     "Mark out-of-tune pitches as either flat (1 click) or sharp (2 clicks).", true, true},
    {"TuneRB", 510, 359, -1, -1, "Correct the tuning",
     "Click on out-of-tune notes, and use arrow keys or mouse wheel to fix them."},
    {"CompareRB", 510, 377, -1, -1, "Compare Tuning Systems",
     "Listen to sonorities in different tuning systems selected from the menus at right. You may "
     "also retune pitches."},
    {"CompareBox", 478, 402, -1, -1, "Compare with correctly tuned version",
     "Include a correctly tuned sonority on the staff.", true, true},
    {"Label20", 735, 342, -1, -1, "Tuning System:"},
    {"TuningBox", 817, 339, 109, 21, nullptr},
    {"Label21", 697, 378, -1, -1, "Second Tuning System:"},
    {"Tuning2Box", 817, 375, 109, 21, nullptr, "", false},
    {"Label17", 681, 428, -1, -1, "Difficulty"},
    {"DifficultyBar", 476, 441, 451, 30, nullptr,
     "Harder exercises require more precise answers, and a larger number of pitches may be "
     "out-of-tune."},
    {"Label18", 476, 471, -1, -1, "Easy"},
    {"Label19", 904, 471, -1, -1, "Hard"},
};

QString captionOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text().remove(QLatin1Char('&')); // the mnemonic's mark
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    return {};
}

TEST_F(Window, every_control_in_place_with_caption_hint_and_default) {
    std::set<std::string> names;
    for (const ControlRow& r : controlRows) {
        SCOPED_TRACE(r.name);
        EXPECT_TRUE(names.insert(r.name).second) << "listed twice";
        QWidget* w = child(r.name);
        if (w == nullptr)
            continue;
        const QRect g = w->geometry();
        EXPECT_EQ(g.x(), r.x);
        EXPECT_EQ(g.y(), r.y);
        if (r.w >= 0) {
            EXPECT_EQ(g.width(), r.w);
        }
        if (r.h >= 0) {
            EXPECT_EQ(g.height(), r.h);
        }
        if (r.caption != nullptr) {
            EXPECT_EQ(captionOf(w).toStdString(), r.caption);
            // The caption fits its box (the verdict's trailing blank aside).
            const QString shown = captionOf(w).trimmed();
            if (qobject_cast<QPushButton*>(w) || qobject_cast<QLabel*>(w)) {
                EXPECT_LE(w->fontMetrics().horizontalAdvance(shown), g.width());
            }
        }
        EXPECT_EQ(w->toolTip().toStdString(), r.hint);
        EXPECT_EQ(w->isEnabled(), r.enabled);
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
            EXPECT_EQ(b->isChecked(), r.checked);
        }
        EXPECT_EQ(!w->isHidden(), r.visible);
        // A click never takes the keyboard from the staff; Tab reaches the controls.
        if (w != form->Score) {
            EXPECT_FALSE(w->focusPolicy() & Qt::ClickFocus) << r.name;
        }
    }
}

TEST_F(Window, pages_lists_and_slider) {
    const QStringList pages = {"Single Notes", "Intervals", "Chords", "Help Me!"};
    ASSERT_EQ(form->TabsBox->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->TabsBox->tabText(i).remove('&'), pages[i]); // less the mnemonic's mark
    EXPECT_EQ(child("P00")->parentWidget()->objectName(), "SingleNotesPage");
    EXPECT_EQ(child("I01")->parentWidget()->objectName(), "IntervalsPage");
    EXPECT_EQ(child("C00")->parentWidget()->objectName(), "ChordsPage");
    EXPECT_EQ(form->HelpMemo->parentWidget()->objectName(), "HelpPage");
    EXPECT_TRUE(form->HelpMemo->isReadOnly());
    EXPECT_TRUE(form->HelpMemo->toPlainText().startsWith("Welcome to the Sorvel!"));

    const QStringList notes = {"Any", "C", "C#", "D", "Eb", "E", "F",
                               "F#",  "G", "G#", "A", "Bb", "B"};
    const QStringList systems = {"Equal", "Perfect", "Vallotti", "Werkmeister III", "Meantone"};
    for (auto [combo, items] : {std::pair{form->BottomNote, notes},
                                {form->ChordRoot, notes},
                                {form->TuningBox, systems},
                                {form->Tuning2Box, systems}}) {
        SCOPED_TRACE(combo->objectName().toStdString());
        ASSERT_EQ(combo->count(), items.size());
        for (int i = 0; i < items.size(); ++i)
            EXPECT_EQ(combo->itemText(i), items[i]);
        EXPECT_EQ(combo->currentIndex(), 0);
        EXPECT_FALSE(combo->isEditable());
    }
    EXPECT_EQ(form->DifficultyBar->minimum(), 1);
    EXPECT_EQ(form->DifficultyBar->maximum(), 7);
    EXPECT_EQ(form->DifficultyBar->value(), 3);
    EXPECT_EQ(form->DifficultyBar->orientation(), Qt::Horizontal);
    for (QCheckBox* b : form->optionBoxes())
        if (b != form->CompareBox) {
            EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
        }
}

TEST_F(Window, category_pages_enable_new_exercise) {
    for (int page : {0, 3, 1, 3, 2}) {
        form->TabsBox->setCurrentIndex(page);
        EXPECT_EQ(form->NewBtn->isEnabled(), page != 3) << page;
    }
    // A click on a tab goes the same way.
    form->TabsBox->setCurrentIndex(3);
    QTabBar* bar = form->TabsBox->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(form->TabsBox->currentIndex(), 1);
    EXPECT_TRUE(form->NewBtn->isEnabled());
    expectKeyboardFree();
}

TEST_F(Window, compare_task_switches_the_second_tuning_system_and_the_reference_copy) {
    auto click = [](QRadioButton* rb) { QTest::mouseClick(rb, Qt::LeftButton, {}, QPoint(6, 8)); };
    click(form->CompareRB);
    EXPECT_TRUE(form->CompareRB->isChecked());
    EXPECT_FALSE(form->IdentifyRB->isChecked());
    EXPECT_TRUE(form->Tuning2Box->isEnabled());
    EXPECT_FALSE(form->CompareBox->isEnabled());
    expectKeyboardFree();
    click(form->TuneRB);
    EXPECT_FALSE(form->Tuning2Box->isEnabled());
    EXPECT_TRUE(form->CompareBox->isEnabled());
    click(form->CompareRB);
    click(form->IdentifyRB);
    EXPECT_TRUE(form->IdentifyRB->isChecked());
    EXPECT_FALSE(form->Tuning2Box->isEnabled());
    EXPECT_TRUE(form->CompareBox->isEnabled());
}

TEST_F(Window, a_click_toggles_a_box_once_and_the_arrow_keys_reach_the_window) {
    std::vector<int> keys;
    QObject::connect(form.get(), &TSorvelMainForm::keyDown, [&](int vk) { keys.push_back(vk); });
    form->TabsBox->setCurrentIndex(1);
    auto* i05 = child<QCheckBox>("I05");
    QTest::mouseClick(i05, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(i05->isChecked());
    expectKeyboardFree();
    // The key goes where the window system sends it: to whatever holds the keyboard.
    QTest::keyClick(form->windowHandle(), Qt::Key_Up);
    QTest::keyClick(form->windowHandle(), Qt::Key_Down);
    EXPECT_EQ(keys, (std::vector<int>{38, 40}));
    QTest::mouseClick(i05, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_FALSE(i05->isChecked());

    QTest::mouseClick(form->CompareBox, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_FALSE(form->CompareBox->isChecked());
    expectKeyboardFree();

    // Even after a combo box was used, the keys still retune.
    form->TuningBox->setCurrentIndex(2);
    emit form->TuningBox->activated(2);
    expectKeyboardFree();
    keys.clear();
    QTest::keyClick(form->windowHandle(), Qt::Key_Up);
    EXPECT_EQ(keys, (std::vector<int>{38}));
}

TEST_F(Window, the_wheel_reaches_the_window_over_any_control) {
    std::vector<int> deltas;
    QObject::connect(form.get(), &TSorvelMainForm::mouseWheel, [&](int d) { deltas.push_back(d); });
    for (QWidget* over :
         {static_cast<QWidget*>(form->TuningBox), static_cast<QWidget*>(form->DifficultyBar),
          static_cast<QWidget*>(form->Score)}) {
        SCOPED_TRACE(over->objectName().toStdString());
        const QPointF at(over->width() / 2.0, over->height() / 2.0);
        QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &wheel);
    }
    EXPECT_EQ(deltas, (std::vector<int>{-120, -120, -120}));
    EXPECT_EQ(form->TuningBox->currentIndex(), 0);
    EXPECT_EQ(form->DifficultyBar->value(), 3);
}

TEST_F(Window, the_help_text_scrolls_while_the_mouse_is_over_it) {
    std::vector<int> deltas;
    QObject::connect(form.get(), &TSorvelMainForm::mouseWheel, [&](int d) { deltas.push_back(d); });
    QWidget* viewport = form->HelpMemo->viewport();
    const QPointF at(20, 20);
    auto wheel = [&] {
        QWheelEvent e(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &e);
    };
    QEnterEvent enter(at, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(form->HelpMemo, &enter);
    ASSERT_TRUE(form->HelpMemo->hasFocus());
    wheel();
    EXPECT_TRUE(deltas.empty());
    EXPECT_GT(form->HelpMemo->verticalScrollBar()->value(), 0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form->HelpMemo, &leave);
    expectKeyboardFree();
    wheel();
    EXPECT_EQ(deltas, (std::vector<int>{-120}));
}

TEST_F(Window, select_and_deselect_all_set_their_rows_only) {
    struct Pair {
        const char* select;
        const char* deselect;
        std::vector<const char*> boxes;
    };
    const Pair pairs[] = {
        {"SAPBtn",
         "DAPBtn",
         {"P00", "P01", "P02", "P03", "P04", "P05", "P06", "P07", "P08", "P09", "P10", "P11"}},
        {"SAPCBtn", "DAPCBtn", {"I05", "I07", "I12"}},
        {"SAICBtn", "DAICBtn", {"I03", "I04", "I08", "I09"}},
        {"SADBtn", "DADBtn", {"I01", "I02", "I10", "I11", "I06"}},
        {"SATBtn", "DATBtn", {"C00", "C01", "C10", "C11"}},
        {"SAD7Btn", "DAD7Btn", {"C000", "C001", "C010", "C011"}},
        {"SAC7Btn", "DAC7Btn", {"C100", "C101", "C110"}},
        {"SAInvBtn", "DAInvBtn", {"V0Box", "V1Box", "V2Box", "V3Box"}},
    };
    const std::vector<QCheckBox*> all = form->optionBoxes();
    auto checkedNames = [&] {
        std::set<std::string> s;
        for (QCheckBox* b : all)
            if (b->isChecked() && b != form->CompareBox)
                s.insert(b->objectName().toStdString());
        return s;
    };
    for (const Pair& p : pairs) {
        SCOPED_TRACE(p.select);
        const std::set<std::string> row(p.boxes.begin(), p.boxes.end());
        child<QPushButton>(p.select)->click();
        EXPECT_EQ(checkedNames(), row);
        expectKeyboardFree();
        child<QPushButton>(p.deselect)->click();
        EXPECT_TRUE(checkedNames().empty());
    }
    // The hidden custom-frequency box is no pitch of the group.
    child<QCheckBox>("P99")->setChecked(true);
    child<QPushButton>("DAPBtn")->click();
    EXPECT_TRUE(child<QCheckBox>("P99")->isChecked());
    child<QCheckBox>("P99")->setChecked(false);
    child<QPushButton>("SAPBtn")->click();
    EXPECT_FALSE(child<QCheckBox>("P99")->isChecked());
}

TEST_F(Window, option_groups_hold_their_boxes_in_order) {
    const auto& p = form->pitchOptions;
    ASSERT_EQ(p.boxes.size(), 12u);
    EXPECT_EQ(p.boxes[0]->objectName(), "P00");
    EXPECT_EQ(p.boxes[7]->text(), "G");
    EXPECT_EQ(p.boxes[11]->objectName(), "P11");
    EXPECT_EQ(p.customBox->objectName(), "P99");
    EXPECT_EQ(p.customEdit->objectName(), "FreqBox");
    const auto& iv = form->intervalOptions;
    ASSERT_EQ(iv.boxes.size(), 12u);
    EXPECT_EQ(iv.boxes[5]->objectName(), "I06");
    EXPECT_EQ(iv.names[5], "d5");
    EXPECT_EQ(iv.names[11], "P1");
    EXPECT_EQ(iv.rangeBoxes[1]->objectName(), "CIBox");
    EXPECT_EQ(iv.styleBoxes[0]->objectName(), "HIBox");
    const auto& ch = form->chordOptions;
    ASSERT_EQ(ch.boxes.size(), 11u);
    EXPECT_EQ(ch.boxes[4]->objectName(), "C000");
    EXPECT_EQ(ch.boxes[10]->objectName(), "C110");
    EXPECT_EQ(ch.names[4], "Mm7");
    EXPECT_EQ(ch.seventhInversionBoxes.size(), 4u);
    EXPECT_EQ(ch.triadInversionBoxes.size(), 3u);
    EXPECT_EQ(ch.positionBoxes[1]->objectName(), "OPBox");
    EXPECT_EQ(ch.styleBoxes[0]->objectName(), "SCBox");
}

TEST_F(Window, choices_read_the_ticked_boxes) {
    std::set<int> pitchClasses;
    for (int i = 0; i < 400; ++i)
        pitchClasses.insert(chooseOption(std::vector<bool>(12, false), random_index));
    EXPECT_EQ(pitchClasses.size(), 12u);

    child<QCheckBox>("P07")->click();
    std::vector<bool> ticked;
    for (QCheckBox* b : form->pitchOptions.boxes)
        ticked.push_back(b->isChecked());
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(chooseOption(ticked, random_index), 7);

    child<QCheckBox>("I06")->click();
    EXPECT_EQ(form->intervalOptions.chooseInterval(), "d5");
    EXPECT_EQ(form->intervalOptions.chosen, 5);

    child<QCheckBox>("C10")->click();
    child<QCheckBox>("V3Box")->click();
    std::set<int> inversions;
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(form->chordOptions.chooseChord(), "Dim.");
        EXPECT_EQ(form->chordOptions.chosen, 2);
        inversions.insert(form->chordOptions.inversion);
    }
    EXPECT_EQ(inversions, (std::set<int>{0, 1, 2}));
    child<QCheckBox>("C10")->click();
    child<QCheckBox>("C011")->click();
    EXPECT_EQ(form->chordOptions.chooseChord(), "Half-Dim.");
    EXPECT_EQ(form->chordOptions.inversion, 3);
}

TEST_F(Window, diagram_widgets_follow_the_hovered_note) {
    auto& d = *form->popupHandler;
    EXPECT_EQ(d.panel, form->AnswerPopupPanel);
    EXPECT_TRUE(form->AnswerPopupPanel->isVisible());
    for (const char* name : {"soundingMarker", "spareMarker", "correctMarker"}) {
        QWidget* m = child(name);
        EXPECT_EQ(m->geometry(), QRect(223, 29, 3, 17)) << name;
        EXPECT_FALSE(m->isVisibleTo(form.get())) << name;
    }
    EXPECT_EQ(child<QLabel>("TickLabel-90")->text(), "-90");
    EXPECT_EQ(child<QLabel>("TickLabel-90")->geometry(), QRect(19, 47, 40, 13));
    EXPECT_EQ(child<QLabel>("TickLabel90")->text(), "90");
    EXPECT_EQ(d.nameLabels[1]->geometry(), QRect(205, 54, 40, 13));

    CNote e4(4, 2, 0);
    const double et = 440.0 * std::pow(2.0, -5.0 / 12.0);
    e4.systemFrequencies.assign(5, et);
    e4.soundingFrequency = et * std::pow(2.0, 50.0 / 1200.0);
    showNote(d, e4); // hidden: the markers still move
    EXPECT_EQ(d.soundingMarker->x(), 326);
    EXPECT_EQ(d.correctMarker->x(), 223);
    EXPECT_EQ(d.nameLabels[0]->text(), "D#4");
    EXPECT_EQ(d.nameLabels[2]->text(), "F4");
    EXPECT_FALSE(d.nameLabels[1]->isVisibleTo(form.get()));

    form->ShowDiagBtn->click();
    EXPECT_TRUE(form->ShowDiagBtn->isChecked());
    EXPECT_TRUE(d.soundingMarker->isVisibleTo(form.get()));
    EXPECT_TRUE(d.correctMarker->isVisibleTo(form.get()));
    EXPECT_FALSE(d.spareMarker->isVisibleTo(form.get()));
    EXPECT_EQ(d.nameLabels[1]->text(), "E4");
    EXPECT_TRUE(d.nameLabels[1]->isVisibleTo(form.get()));
    expectKeyboardFree();
    form->ShowDiagBtn->click();
    EXPECT_FALSE(d.soundingMarker->isVisibleTo(form.get()));
    EXPECT_FALSE(d.nameLabels[0]->isVisibleTo(form.get()));
}

// Run at scales 1 and 1.5 (see CMakeLists.txt): every tick of the scale equally thick.
TEST_F(Window, the_diagram_ticks_are_equally_thick_at_any_screen_scale) {
    const QImage image = form->AnswerPopupPanel->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const int y = static_cast<int>(41 * ratio); // through every tick, under the centre line
    std::vector<int> runs;
    for (int x = 0, run = 0; x <= image.width(); ++x) {
        if (x < image.width() && darkness(image, x, y) > 128) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    ASSERT_EQ(runs.size(), 23u) << "21 ticks and the outline's sides, at scale " << ratio;
    for (int run : runs)
        EXPECT_EQ(run, std::lround(ratio)) << "at scale " << ratio;
}

TEST_F(Window, sound_options_dialog) {
    TForm2* f = form->Form2;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), "Sound Options");
    EXPECT_EQ(f->windowType(), Qt::Tool);
    // A caption bar with only a close box, and a fixed size.
    EXPECT_TRUE(f->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(f->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(f->minimumSize(), f->maximumSize());
    EXPECT_FALSE(f->isVisible());
    // Every text shows whole in the dialog's font: the advice needs no more height than it has,
    // and the labels lie inside the dialog.
    EXPECT_EQ(f->Label1->pos(), QPoint(8, 8));
    EXPECT_EQ(f->Label1->width(), 122);
    EXPECT_TRUE(f->Label1->wordWrap());
    EXPECT_TRUE(f->Label1->text().startsWith("If you are experiencing noise or static"));
    EXPECT_TRUE(f->Label1->text().endsWith("of poor sound quality."));
    EXPECT_GE(f->Label1->height(), f->Label1->heightForWidth(122));
    EXPECT_GE(f->Label1->height(), 121);
    EXPECT_TRUE(f->rect().contains(f->Label1->geometry()));
    for (QLabel* l : {f->Label18, f->Label19}) {
        EXPECT_TRUE(f->rect().contains(l->geometry())) << l->objectName().toStdString();
        EXPECT_GE(l->width(), l->sizeHint().width()) << l->objectName().toStdString();
    }
    // The drone's level and the instruments stand beside the block size, within its height.
    const int blockPart = f->height();
    EXPECT_GE(f->width(), 272);
    EXPECT_GE(blockPart, 137);
    EXPECT_TRUE(f->rect().contains(f->InstrumentsLabel->geometry()));
    EXPECT_GE(f->DroneLevelLabel->x(), f->Label18->geometry().right());
    EXPECT_EQ(f->TrackBar1->pos(), QPoint(136, 4));
    EXPECT_EQ(f->TrackBar1->width(), 30);
    EXPECT_EQ(f->TrackBar1->geometry().bottom(), blockPart - 5);
    EXPECT_EQ(f->TrackBar1->orientation(), Qt::Vertical);
    EXPECT_EQ(f->TrackBar1->minimum(), 1);
    EXPECT_EQ(f->TrackBar1->maximum(), 17);
    EXPECT_EQ(f->TrackBar1->pageStep(), 1);
    EXPECT_EQ(f->TrackBar1->value(), 10);
    EXPECT_EQ(f->TrackBar1->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(f->Label18->text(), "Fast Response Time");
    EXPECT_EQ(f->Label18->pos(), QPoint(172, 11));
    EXPECT_EQ(f->Label19->text(), "High sound quality");
    // Beside the bottom end, as far up from it as in the 137-pixel dialog.
    EXPECT_EQ(f->Label19->pos(), QPoint(172, blockPart - 137 + 113));

    // Activating the main window applies the slider's block size.
    form->FormActivate();
    EXPECT_EQ(form->blockBytes(), 5120);
    EXPECT_EQ(form->blockSamples(), 2560);
    const int sizes[] = {1024, 1280, 1536, 1792, 2048,  2560,  3072,  3584, 4096,
                         5120, 6144, 7168, 8192, 10240, 12288, 14336, 16384};
    for (int position = 1; position <= 17; ++position) {
        f->TrackBar1->setValue(position);
        EXPECT_EQ(form->blockBytes(), sizes[position - 1]) << position;
        EXPECT_EQ(form->blockSamples(), sizes[position - 1] / 2) << position;
        expectKeyboardFree();
    }
    f->TrackBar1->setValue(4);
    form->setBlockSize(1024);
    form->FormActivate();
    EXPECT_EQ(form->blockBytes(), 1792);
}

TEST_F(Window, every_activation_applies_the_slider) {
    QSignalBlocker quiet(form->Form2->TrackBar1);
    form->Form2->TrackBar1->setValue(4);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form.get(), &activate);
    EXPECT_EQ(form->blockBytes(), 1792);
    form->Form2->TrackBar1->setValue(17);
    QApplication::sendEvent(form->Form2, &activate);
    EXPECT_EQ(form->blockBytes(), 16384);
}

// A click on the slider's track, above or below the handle, moves it one step that way, as a
// desktop slider does; each click applies its block size.
TEST_F(Window, a_click_on_the_sound_slider_track_steps_towards_it) {
    form->AdvSoundOptBtn->click();
    QSlider* slider = form->Form2->TrackBar1;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Form2));
    const QPoint top(slider->width() / 2, 6), bottom(slider->width() / 2, slider->height() - 6);
    for (int i = 1; i <= 3; ++i) {
        QTest::mouseClick(slider, Qt::LeftButton, {}, top);
        EXPECT_EQ(slider->value(), 10 - i) << "towards Fast Response Time";
    }
    EXPECT_EQ(form->blockBytes(), 3072);
    for (int i = 1; i <= 5; ++i) {
        QTest::mouseClick(slider, Qt::LeftButton, {}, bottom);
        EXPECT_EQ(slider->value(), 7 + i) << "towards High sound quality";
    }
    EXPECT_EQ(form->blockBytes(), 7168);
    expectKeyboardFree();
}

// A mouse event on `w` at (x, y) with the left button.
void mouseAt(QWidget* w, QEvent::Type type, int x, int y) {
    const QPointF at(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST_F(Window, the_slider_runs_from_fast_response_at_the_top_and_leaves_the_keyboard_free) {
    // A tuning exercise with its black note selected and under the mouse.
    form->TabsBox->setCurrentIndex(0);
    form->TuneRB->click();
    form->NewBtn->click();
    CNote* black = lastBlackNote(*form->exercise);
    ASSERT_NE(black, nullptr);
    const int x = static_cast<int>(black->centre[0]);
    const int y = static_cast<int>(black->centre[1]);
    mouseAt(form->Score, QEvent::MouseButtonPress, x, y);
    mouseAt(form->Score, QEvent::MouseMove, x, y);
    ASSERT_EQ(black->selected, 1);
    ASSERT_EQ(form->hoveredNote, black);
    // An arrow key pressed in the window that has the keyboard now must raise the note one step.
    const auto upRetunes = [&](const char* when) {
        const double before = black->soundingFrequency;
        ASSERT_NE(QGuiApplication::focusWindow(), nullptr) << when;
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Up);
        EXPECT_NEAR(black->soundingFrequency / before, form->retuneRatio, 1e-12) << when;
    };

    TForm2* f = form->Form2;
    form->AdvSoundOptBtn->click();
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    upRetunes("with the dialog active");

    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    QSlider* s = f->TrackBar1;
    const int cx = s->width() / 2;
    // Centre of the handle at a fraction of the way down the groove.
    const int length = s->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, s);
    const auto handleAt = [&](double down) {
        return static_cast<int>(length / 2.0 + down * (s->height() - length));
    };
    // The start position 10 of 1..17 is drawn 9/16 of the way down: the handle is there.
    mouseAt(s, QEvent::MouseButtonPress, cx, handleAt(9.0 / 16.0));
    ASSERT_TRUE(s->isSliderDown()) << "no handle 9/16 of the way down";
    mouseAt(s, QEvent::MouseMove, cx, 0);
    mouseAt(s, QEvent::MouseButtonRelease, cx, 0);
    EXPECT_EQ(s->value(), 1);
    EXPECT_EQ(form->blockBytes(), 1024);
    EXPECT_EQ(form->blockSamples(), 512);
    // Dragged to the top, the handle is drawn there.
    mouseAt(s, QEvent::MouseButtonPress, cx, handleAt(0));
    EXPECT_TRUE(s->isSliderDown()) << "no handle at the top";
    mouseAt(s, QEvent::MouseButtonRelease, cx, handleAt(0));

    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    upRetunes("after the slider was dragged");

    mouseAt(s, QEvent::MouseButtonPress, cx, handleAt(0));
    mouseAt(s, QEvent::MouseMove, cx, s->height() - 1);
    mouseAt(s, QEvent::MouseButtonRelease, cx, s->height() - 1);
    EXPECT_EQ(s->value(), 17);
    EXPECT_EQ(form->blockBytes(), 16384);
    mouseAt(s, QEvent::MouseButtonPress, cx, handleAt(1));
    EXPECT_TRUE(s->isSliderDown()) << "no handle at the bottom";
    mouseAt(s, QEvent::MouseButtonRelease, cx, handleAt(1));

    // A wheel notch away from the user moves the handle up, towards fast response.
    const QPointF middle(cx, s->height() / 2);
    QWheelEvent wheel(middle, s->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(s, &wheel);
    EXPECT_EQ(s->value(), 16);
    EXPECT_EQ(form->blockBytes(), 14336);
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    upRetunes("after a wheel turn over the slider");
}

TEST_F(Window, new_exercise_and_start_over_clear_the_tuning_diagram) {
    auto& d = *form->popupHandler;
    form->ShowDiagBtn->click();
    form->TabsBox->setCurrentIndex(0);
    form->TuneRB->click();
    const auto hoverAndRetune = [&] {
        for (CStaff& staff : form->exercise->staves)
            for (CChord& chord : staff.chords)
                for (CNote& note : chord.notes)
                    if (!note.locked) {
                        const int x = static_cast<int>(note.centre[0]);
                        const int y = static_cast<int>(note.centre[1]);
                        mouseAt(form->Score, QEvent::MouseButtonPress, x, y);
                        mouseAt(form->Score, QEvent::MouseMove, x, y);
                        for (int i = 0; i < 5; ++i)
                            form->FormKeyDown(38);
                        return;
                    }
        FAIL() << "no black note";
    };
    const auto expectCleared = [&](const char* after) {
        for (QLabel* l : d.nameLabels)
            EXPECT_TRUE(l->text().isEmpty()) << after;
        EXPECT_EQ(d.soundingMarker->geometry(), QRect(223, 29, 3, 17)) << after;
        EXPECT_EQ(d.correctMarker->geometry(), QRect(223, 29, 3, 17)) << after;
    };
    for (const char* button : {"NewBtn", "RestartBtn"}) {
        form->NewBtn->click();
        hoverAndRetune();
        ASSERT_FALSE(d.nameLabels[1]->text().isEmpty());
        ASSERT_NE(d.soundingMarker->x(), d.correctMarker->x()) << "retuned five steps";
        child<QPushButton>(button)->click();
        expectCleared(button);
        EXPECT_TRUE(d.soundingMarker->isVisibleTo(form.get())); // the button is still down
    }
}

TEST_F(Window, sound_runs_on_the_timer_and_stops_at_shut_down) {
    EXPECT_TRUE(QFontDatabase::families().contains("Sonora"));
    form->startSound();
    ASSERT_TRUE(form->Timer1->isActive());
    QTest::qWait(120);
    EXPECT_GT(form->device->blocksWritten(), 0);
    EXPECT_LE(form->device->blocksWritten() - form->device->blocksDone(), 4);
    form->FormDestroy();
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(QFontDatabase::families().contains("Sonora"));
    form->FormDestroy(); // runs once
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST(startup_error, shown_in_a_message_box) {
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            shown = box->text();
    });
    testing::internal::CaptureStderr();
    reportStartupError(QStringLiteral("Unable to open file bassoboe.wav"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(shown, "Unable to open file bassoboe.wav");
    EXPECT_EQ(err.substr(0, err.find('\n') + 1), "Unable to open file bassoboe.wav\n");
}

} // namespace
} // namespace sorvel
