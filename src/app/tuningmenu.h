// SPDX-License-Identifier: GPL-3.0-or-later
// The Tuning menu: "Open Scale..." imports a Scala scale (with its keyboard mapping when one is
// chosen with it) as a sixth tuning system, and "Reference Pitch" sets the A4 every system is
// tuned to. Both apply from the next New Exercise; the systems and the pitch are kept only
// while Sorvel runs.
#pragma once

#include <QMenu>

class QAction;
class QActionGroup;

namespace sorvel {

class TSorvelMainForm;

class TTuningMenu : public QMenu {
    Q_OBJECT
public:
    TTuningMenu(TSorvelMainForm& form, QWidget* parent);

    QAction* OpenScaleAction = nullptr;
    QMenu* ReferenceMenu = nullptr;
    QAction* OtherPitchAction = nullptr;

    // Checks the item of the reference pitch the tuning has now.
    void showReferencePitch();

private:
    void openScale();
    void askReferencePitch();

    TSorvelMainForm& form_;
    QActionGroup* pitches_ = nullptr;
};

} // namespace sorvel
