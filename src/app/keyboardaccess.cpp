// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyboardaccess.h"

#include "mainmenu.h"
#include "sorvelmainform.h"
#include "spokennames.h"
#include "staffaccessible.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <vector>

namespace sorvel {

namespace {

// Every control Tab can reach, in reading order: the staff, the left column top to bottom, then
// the right one (pages, then the exercise options), each row left to right. Controls of the
// pages not shown are skipped by Tab itself.
void readingOrder(TSorvelMainForm& form) {
    struct Stop {
        QWidget* w;
        int column, y, x;
    };
    std::vector<Stop> stops;
    const int rightColumn = form.TabsBox->x();
    for (QWidget* w : form.Content->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w == form.Score)
            continue;
        const QPoint at = w->mapTo(form.Content, QPoint(0, w->height() / 2));
        stops.push_back({w, at.x() >= rightColumn ? 1 : 0, at.y(), at.x()});
    }
    // Rows: controls whose middles lie within a few pixels of each other share one.
    std::sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        return a.column != b.column ? a.column < b.column : a.y < b.y;
    });
    int rowStart = -1000, row = 0;
    std::vector<std::pair<int, Stop>> rows;
    for (const Stop& s : stops) {
        if (s.y - rowStart > 6) {
            rowStart = s.y;
            ++row;
        }
        rows.emplace_back(row, s);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.x < b.second.x;
    });
    QWidget* previous = form.Score;
    for (const auto& [r, s] : rows) {
        QWidget::setTabOrder(previous, s.w);
        previous = s.w;
    }
}

// The label that names a list or the slider, without its colon.
void nameFrom(TSorvelMainForm& form, QWidget* control, const char* label) {
    auto* l = form.findChild<QLabel*>(QString::fromLatin1(label));
    if (!control || !l)
        return;
    QString text = l->text();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    control->setAccessibleName(text);
    l->setBuddy(control); // the "labelled by" relation
}

void names(TSorvelMainForm& form) {
    nameFrom(form, form.TuningBox, "Label20");
    nameFrom(form, form.Tuning2Box, "Label21");
    nameFrom(form, form.BottomNote, "Label23");
    nameFrom(form, form.ChordRoot, "Label22");
    nameFrom(form, form.DifficultyBar, "Label17");
    form.HelpMemo->setAccessibleName(QStringLiteral("Help"));
    form.AnswerPopupPanel->setAccessibleName(QStringLiteral("Tuning diagram"));
    form.Score->setAccessibleName(QStringLiteral("Staff"));
    // "m3" and "M3" must not both be read as "em three".
    for (QCheckBox* b : form.findChildren<QCheckBox*>()) {
        const std::string caption = b->text().toStdString();
        const std::string spoken = spokenAbbreviation(caption);
        if (spoken != caption)
            b->setAccessibleName(QString::fromStdString(spoken));
    }
}

// Alt+letter on the exercise buttons, the tasks and the pages; none clashes with the menu bar's titles
// (Exercise, View, Tuning, Sound, Help).
void mnemonics(TSorvelMainForm& form) {
    form.NewBtn->setText(QStringLiteral("&New Exercise"));
    form.RestartBtn->setText(QStringLiteral("Start &Over"));
    form.GradeBtn->setText(QStringLiteral("Chec&k Answer"));
    form.AnswersBtn->setText(QStringLiteral("&Reveal Errors"));
    form.ShowDiagBtn->setText(QStringLiteral("Show Answers on Tuning &Diagram"));
    form.AdvSoundOptBtn->setText(QStringLiteral("&Advanced Sound Options..."));
    form.IdentifyRB->setText(QStringLiteral("Identif&y flat or sharp pitches"));
    form.TuneRB->setText(QStringLiteral("Correct the t&uning"));
    form.CompareRB->setText(QStringLiteral("Com&pare Tuning Systems"));
    const char* pages[] = {"Sin&gle Notes", "&Intervals", "&Chords", "Help &Me!"};
    for (int i = 0; i < form.TabsBox->count() && i < 4; ++i)
        form.TabsBox->setTabText(i, QString::fromLatin1(pages[i]));
}

} // namespace

void setUpKeyboardAccess(TSorvelMainForm& form) {
    installStaffAccessibility();
    mnemonics(form);
    names(form);
    readingOrder(form);
    form.HelpMemo->setTabChangesFocus(true);
    // The window's focus is the staff's: activating the window gives the keyboard to it.
    form.setFocusProxy(form.Score);
    form.Score->setFocus(Qt::OtherFocusReason);
}

bool windowKey(TSorvelMainForm& form, const QKeyEvent& e) {
    const Qt::KeyboardModifiers mods = e.modifiers() & ~Qt::KeypadModifier;
    QWidget* focus = form.focusWidget();
    const bool onStaff = !focus || focus == &form || focus == form.Score;
    switch (e.key()) {
    case Qt::Key_Escape:
        if (onStaff)
            return false; // the staff's Escape stops the sound
        form.removeFocus();
        return true;
    case Qt::Key_F6:
        form.removeFocus();
        return true;
    case Qt::Key_F10:
        if (mods != Qt::NoModifier || !form.Menu || form.Menu->actions().isEmpty())
            return false;
        form.Menu->setActiveAction(form.Menu->actions().constFirst());
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        if (!(mods & Qt::ControlModifier))
            return false;
        const bool back = e.key() == Qt::Key_PageUp || e.key() == Qt::Key_Backtab ||
                          (mods & Qt::ShiftModifier);
        const int count = form.TabsBox->count();
        form.TabsBox->setCurrentIndex((form.TabsBox->currentIndex() + (back ? -1 : 1) + count) %
                                      count);
        return true;
    }
    default:
        return false;
    }
}

} // namespace sorvel
