// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainmenu.h"

#include "sorvelmainform.h"
#include "tuningmenu.h"
#include "soundmenu.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace sorvel {

namespace {

// Alt tapped alone does not move the keyboard into the menu bar: the arrow keys that follow
// belong to the retuning. F10 and Alt+letter still open the menus.
class NoAltTapStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

TMainMenu::TMainMenu(TSorvelMainForm& form) : QMenuBar(&form), form_(form) {
    setObjectName(QStringLiteral("MainMenu"));
    // The menu must be a row of this window on every desktop, above the fixed content.
    setNativeMenuBar(false);
    setFocusPolicy(Qt::NoFocus);
    auto* style = new NoAltTapStyle(QApplication::style()->name());
    style->setParent(this);
    setStyle(style);

    QMenu* exercise = addMenu(QStringLiteral("&Exercise"));
    NewAction = pressing(exercise, QStringLiteral("&New Exercise"),
                         QKeySequence(Qt::CTRL | Qt::Key_N), form.NewBtn);
    RestartAction = pressing(exercise, QStringLiteral("&Start Over"),
                             QKeySequence(Qt::CTRL | Qt::Key_Backspace), form.RestartBtn);
    CheckAction = pressing(exercise, QStringLiteral("&Check Answer"),
                           QKeySequence(Qt::CTRL | Qt::Key_Return), form.GradeBtn);
    // Ctrl with the keypad's Enter key checks too.
    CheckAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    RevealAction = pressing(exercise, QStringLiteral("&Reveal Errors"),
                            QKeySequence(Qt::CTRL | Qt::Key_R), form.AnswersBtn);
    ThresholdAction = exercise->addAction(QStringLiteral("Find My &Threshold..."));
    connect(ThresholdAction, &QAction::triggered, &form, &TSorvelMainForm::showThresholdTest);
    exercise->addSeparator();
    // Brings back what New Exercise or Start Over replaced; a second undo returns again.
    UndoAction = exercise->addAction(QStringLiteral("&Undo"));
    UndoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    UndoAction->setEnabled(false);
    connect(UndoAction, &QAction::triggered, &form, &TSorvelMainForm::UndoClick);
    connect(&form, &TSorvelMainForm::undoChanged, this, [this, &form] {
        const std::string_view label = form.undo.label();
        UndoAction->setText(QLatin1Char('&') +
                            QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
        UndoAction->setEnabled(form.undo.available());
    });
    exercise->addSeparator();
    QuitAction = exercise->addAction(QStringLiteral("&Quit"));
    QuitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QuitAction->setMenuRole(QAction::QuitRole);
    connect(QuitAction, &QAction::triggered, &form, &TSorvelMainForm::QuitActionTriggered);

    QMenu* view = addMenu(QStringLiteral("&View"));
    RecordAction = view->addAction(QStringLiteral("Session &Record"));
    RecordAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(RecordAction, &QAction::triggered, &form, &TSorvelMainForm::showSessionRecord);
    BeatsAction = view->addAction(QStringLiteral("&Beats"));
    BeatsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(BeatsAction, &QAction::triggered, &form, &TSorvelMainForm::showBeats);
    ShowAnswersAction = view->addAction(QStringLiteral("Show &Answers on Tuning Diagram"));
    ShowAnswersAction->setCheckable(true);
    ShowAnswersAction->setChecked(form.ShowDiagBtn->isChecked());
    connect(ShowAnswersAction, &QAction::triggered, form.ShowDiagBtn, &QPushButton::click);
    connect(form.ShowDiagBtn, &QPushButton::toggled, ShowAnswersAction, &QAction::setChecked);

    TuningMenu = new TTuningMenu(form, this);
    addMenu(TuningMenu);

    QMenu* sound = addMenu(QStringLiteral("&Sound"));
    SoundOptionsAction = sound->addAction(QStringLiteral("Sound &Options..."));
    connect(SoundOptionsAction, &QAction::triggered, form.AdvSoundOptBtn, &QPushButton::click);
    SoundChoices = new TSoundMenu(*sound, form);

    QMenu* help = addMenu(QStringLiteral("&Help"));
    HelpAction = help->addAction(QStringLiteral("&How to Use Sorvel"));
    HelpAction->setShortcut(QKeySequence(Qt::Key_F1));
    connect(HelpAction, &QAction::triggered, &form, [&form] { form.TabsBox->setCurrentIndex(3); });
    AboutAction = help->addAction(QStringLiteral("&About Sorvel"));
    AboutAction->setMenuRole(QAction::AboutRole);
    connect(AboutAction, &QAction::triggered, this, &TMainMenu::showAbout);

    // A menu, once closed, leaves no control holding the keyboard: the arrow keys retune. The
    // call waits for the menu bar to hand its own focus back first.
    for (QMenu* menu : {exercise, view, static_cast<QMenu*>(TuningMenu), sound, help})
        connect(menu, &QMenu::aboutToHide, &form,
                [&form] { QTimer::singleShot(0, &form, &TSorvelMainForm::removeFocus); });
}

QAction* TMainMenu::pressing(QMenu* menu, const QString& text, const QKeySequence& key,
                             QPushButton* button) {
    QAction* action = menu->addAction(text);
    action->setShortcut(key);
    action->setEnabled(button->isEnabled());
    // click() does nothing on a disabled button, so the item can never do more than the button.
    connect(action, &QAction::triggered, button, &QPushButton::click);
    button->installEventFilter(this);
    mirrored_.emplace_back(button, action);
    return action;
}

bool TMainMenu::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::EnabledChange)
        for (auto& [button, action] : mirrored_)
            if (button == watched)
                action->setEnabled(button->isEnabled());
    // The bar watches the window for the Alt key; after it has acted, see where the keys go.
    const bool handled = QMenuBar::eventFilter(watched, e);
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)
        handBackKeyboard();
    return handled;
}

void TMainMenu::keyPressEvent(QKeyEvent* e) {
    QMenuBar::keyPressEvent(e);
    handBackKeyboard();
}

void TMainMenu::handBackKeyboard() {
    if (window()->focusWidget() == this && activeAction() == nullptr)
        form_.removeFocus();
}

QString TMainMenu::aboutText() {
    return QStringLiteral(
               "<p><b>Sorvel %1</b><br>Ear training for musical tuning.</p>"
               "<p>Sorvel is free software under the GNU General Public License, version 3 or "
               "any later version. It comes with no warranty.</p>"
               "<p>Every sound is synthesized from one recording of a held F3 of the instrument "
               "chosen in Sound &gt; Instrument: English horn, oboe, clarinet, flute, violin, "
               "cello, French horn, trumpet, choir &ldquo;aah&rdquo; or pipe organ, each "
               "rendered with FluidSynth from the FluidR3_GM General MIDI sound font "
               "(&copy; 2000-2002, 2008 Frank Wen, MIT licence). The sine and the bright tone "
               "are made without a recording.</p>"
               "<p>The notation font &ldquo;Sonora&rdquo; is made at build time from outlines of "
               "LilyPond's Emmentaler font (&copy; 1996-2017 the LilyPond authors) and stays "
               "under the SIL Open Font Licence 1.1.</p>")
        .arg(QStringLiteral(SORVEL_VERSION));
}

void TMainMenu::showAbout() {
    QMessageBox::about(&form_, QStringLiteral("About Sorvel"), aboutText());
    form_.removeFocus();
}

} // namespace sorvel
