// SPDX-License-Identifier: GPL-3.0-or-later
// The Sound menu's choices of what is heard: "Instrument", a radio group of every instrument,
// and "Drone" (Ctrl+D). Both act on the main window at once, also while sound plays, and
// follow it when it changes them itself (from the command line, or a recording that failed).
//
//   auto* choices = new sorvel::TSoundMenu(*soundMenu, form);   // above the menu's own items
#pragma once

#include <QObject>

#include <vector>

class QAction;
class QMenu;

namespace sorvel {

class TSorvelMainForm;

class TSoundMenu : public QObject {
    Q_OBJECT
public:
    TSoundMenu(QMenu& sound, TSorvelMainForm& form);

    QMenu* InstrumentMenu = nullptr;
    // One per instrument, in the order of the instrument table.
    std::vector<QAction*> InstrumentActions;
    QAction* DroneAction = nullptr;

private:
    // The checks as the window has them.
    void showChoice();

    TSorvelMainForm& form_;
};

} // namespace sorvel
