// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuningmenu.h"

#include "sorvelmainform.h"
#include "tuningsetup.h"
#include "tuningsystems.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>

#include <cmath>

namespace sorvel {

TTuningMenu::TTuningMenu(TSorvelMainForm& form, QWidget* parent)
    : QMenu(QStringLiteral("&Tuning"), parent), form_(form) {
    setObjectName(QStringLiteral("TuningMenu"));
    OpenScaleAction = addAction(QStringLiteral("&Open Scale..."));
    OpenScaleAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(OpenScaleAction, &QAction::triggered, this, &TTuningMenu::openScale);

    ReferenceMenu = addMenu(QStringLiteral("&Reference Pitch"));
    ReferenceMenu->setObjectName(QStringLiteral("ReferenceMenu"));
    pitches_ = new QActionGroup(this);
    for (double a4 : usualReferencePitches) {
        QAction* item = ReferenceMenu->addAction(
            QStringLiteral("A4 = %1").arg(QString::fromStdString(referencePitchText(a4))));
        item->setCheckable(true);
        item->setData(a4);
        pitches_->addAction(item);
        connect(item, &QAction::triggered, this, [this, a4] {
            form_.setReferencePitch(a4);
            showReferencePitch();
        });
    }
    ReferenceMenu->addSeparator();
    OtherPitchAction = ReferenceMenu->addAction(QStringLiteral("&Other..."));
    OtherPitchAction->setCheckable(true);
    pitches_->addAction(OtherPitchAction);
    connect(OtherPitchAction, &QAction::triggered, this, &TTuningMenu::askReferencePitch);
    showReferencePitch();
}

void TTuningMenu::showReferencePitch() {
    const double a4 = activeTuning().referencePitch();
    bool usual = false;
    for (QAction* item : pitches_->actions())
        if (item != OtherPitchAction && item->data().toDouble() == a4) {
            item->setChecked(true);
            usual = true;
        }
    OtherPitchAction->setChecked(!usual);
    OtherPitchAction->setText(
        usual ? QStringLiteral("&Other...")
              : QStringLiteral("&Other (A4 = %1)...")
                    .arg(QString::fromStdString(referencePitchText(a4))));
}

void TTuningMenu::askReferencePitch() {
    bool ok = false;
    const double a4 = QInputDialog::getDouble(
        &form_, QStringLiteral("Reference Pitch"),
        QStringLiteral("A4 in Hz (380 to 480); every tuning system follows it:"),
        activeTuning().referencePitch(), lowestReferencePitch, highestReferencePitch, 1, &ok, {},
        0.1);
    if (ok)
        form_.setReferencePitch(std::round(a4 * 10.0) / 10.0);
    showReferencePitch();
    form_.removeFocus();
}

void TTuningMenu::openScale() {
    // The historical temperaments installed with Sorvel come first; any other folder is a click
    // away.
    const QStringList files = QFileDialog::getOpenFileNames(
        &form_, QStringLiteral("Open Scale (a .scl file, and a .kbm mapping if wanted)"),
        QDir(QStringLiteral("scales")).absolutePath(),
        QStringLiteral("Scala files (*.scl *.kbm);;All files (*)"));
    if (!files.isEmpty()) {
        std::vector<std::string> paths;
        for (const QString& f : files)
            paths.push_back(f.toStdString());
        form_.importScale(paths);
    }
    form_.removeFocus();
}

} // namespace sorvel
