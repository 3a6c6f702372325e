// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundmenu.h"

#include "sorvelmainform.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace sorvel {

TSoundMenu::TSoundMenu(QMenu& sound, TSorvelMainForm& form) : QObject(&sound), form_(form) {
    QAction* first = sound.actions().isEmpty() ? nullptr : sound.actions().first();
    InstrumentMenu = new QMenu(QStringLiteral("&Instrument"), &sound);
    InstrumentMenu->setObjectName(QStringLiteral("InstrumentMenu"));
    auto* group = new QActionGroup(InstrumentMenu);
    group->setExclusive(true);
    for (std::size_t i = 0; i < instruments.size(); ++i) {
        const std::string_view caption = instruments[i].caption;
        QAction* action = InstrumentMenu->addAction(
            QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, &form,
                [&form, i] { form.chooseInstrument(static_cast<int>(i)); });
        InstrumentActions.push_back(action);
        // The two without a recording stand apart.
        if (i + 1 < instruments.size() && instruments[i].program != 0 &&
            instruments[i + 1].program == 0)
            InstrumentMenu->addSeparator();
    }
    sound.insertMenu(first, InstrumentMenu);

    DroneAction = new QAction(QStringLiteral("&Drone"), &sound);
    DroneAction->setCheckable(true);
    DroneAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(DroneAction, &QAction::triggered, &form, &TSorvelMainForm::setDrone);
    sound.insertAction(first, DroneAction);
    sound.insertSeparator(first);

    connect(&form, &TSorvelMainForm::soundChoiceChanged, this, &TSoundMenu::showChoice);
    showChoice();
}

void TSoundMenu::showChoice() {
    const auto chosen = static_cast<std::size_t>(form_.instrument);
    if (chosen < InstrumentActions.size())
        InstrumentActions[chosen]->setChecked(true);
    DroneAction->setChecked(form_.droneOn);
}

} // namespace sorvel
