// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menu bar. Each exercise item presses its button, so it does exactly what the
// button does and is enabled exactly when the button is; closing a menu gives the keyboard back
// to the window, so the arrow keys retune at once.
//
//   auto* menu = new sorvel::TMainMenu(form);   // a child of the form, above its content
#pragma once

#include <QMenuBar>

#include <utility>
#include <vector>

class QAction;
class QPushButton;

namespace sorvel {

class TSorvelMainForm;
class TTuningMenu;
class TSoundMenu;

class TMainMenu : public QMenuBar {
    Q_OBJECT
public:
    explicit TMainMenu(TSorvelMainForm& form);

    // Exercise
    QAction* NewAction = nullptr;
    QAction* RestartAction = nullptr;
    QAction* CheckAction = nullptr;
    QAction* RevealAction = nullptr;
    QAction* ThresholdAction = nullptr;
    QAction* UndoAction = nullptr;
    QAction* QuitAction = nullptr;
    // View
    QAction* RecordAction = nullptr;
    QAction* BeatsAction = nullptr;
    QAction* ShowAnswersAction = nullptr;
    // Tuning
    TTuningMenu* TuningMenu = nullptr;
    // Sound
    QAction* SoundOptionsAction = nullptr;
    TSoundMenu* SoundChoices = nullptr; // Instrument, Drone
    // Help
    QAction* HelpAction = nullptr;
    QAction* AboutAction = nullptr;

    // The About box's text (rich text).
    static QString aboutText();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // An item that clicks `button` and follows its enabled state.
    QAction* pressing(QMenu* menu, const QString& text, const QKeySequence& key,
                      QPushButton* button);
    void showAbout();
    // Once keyboard navigation of the bar has ended, the window takes the keyboard back, also
    // when no control held it before the Alt key (the bar would otherwise keep it).
    void handBackKeyboard();

    TSorvelMainForm& form_;
    std::vector<std::pair<QPushButton*, QAction*>> mirrored_;
};

} // namespace sorvel
