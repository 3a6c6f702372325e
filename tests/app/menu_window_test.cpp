// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar and the session record on the real main window (offscreen): shortcuts press the
// buttons, menus give the keyboard back, the content keeps its layout, the record shows checks.
#include "blacknote.h"
#include "mainmenu.h"
#include "sessionrecordform.h"
#include "sorvelmainform.h"
#include "soundoptionsform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

namespace sorvel {
namespace {

class MenuWindow : public testing::Test {
protected:
    void SetUp() override {
        MTRand_int32::seed(9001);
        form = createMainWindow();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        menu = form->Menu;
        ASSERT_NE(menu, nullptr);
    }
    void keys(const QKeySequence& key) {
        QTest::keySequence(form.get(), key);
        QApplication::processEvents();
    }
    // A key as the keyboard delivers it: to whatever holds the focus in the window.
    void typeKey(Qt::Key key) {
        QTest::keyClick(form->windowHandle(), key);
        QApplication::processEvents();
    }
    void mouseOnStaff(QEvent::Type type, const CNote& note) {
        const QPointF at(note.centre[0], note.centre[1]);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, at, form->Score->mapToGlobal(at), button, button, Qt::NoModifier);
        QApplication::sendEvent(form->Score, &e);
    }
    QMenu* menuTitled(const QString& title) {
        for (QAction* a : menu->actions())
            if (a->text().remove(QLatin1Char('&')) == title)
                return a->menu();
        ADD_FAILURE() << "no menu " << title.toStdString();
        return nullptr;
    }
    // Nothing but the window itself holds the keyboard within the window.
    void expectKeyboardFree() {
        QWidget* focus = form->focusWidget();
        EXPECT_TRUE(focus == nullptr || focus == form.get() || focus == form->Score)
            << "focus on " << focus->metaObject()->className();
    }
    // The offscreen platform leaves a closed menu or box the active window, where a window
    // manager would hand activation back to the main window; do that here.
    void backToWindow() {
        form->activateWindow();
        QTest::qWait(20); // the request is queued; a menu of the window counts as active already
        EXPECT_EQ(QApplication::activeWindow(), form.get());
    }
    std::unique_ptr<TSorvelMainForm> form;
    TMainMenu* menu = nullptr;
};

TEST_F(MenuWindow, menus_and_items_as_listed) {
    const std::vector<std::pair<QString, QStringList>> expected = {
        {"Exercise",
         {"New Exercise\tCtrl+N", "Start Over\tCtrl+Backspace", "Check Answer\tCtrl+Return",
          "Reveal Errors\tCtrl+R", "Find My Threshold...\t", "Undo\tCtrl+Z", "Quit\tCtrl+Q"}},
        {"View", {"Session Record\tCtrl+H", "Beats\tCtrl+B", "Show Answers on Tuning Diagram\t"}},
        {"Tuning", {"Open Scale...\tCtrl+O", "Reference Pitch\t"}},
        {"Sound", {"Instrument\t", "Drone\tCtrl+D", "Sound Options...\t"}},
        {"Help", {"How to Use Sorvel\tF1", "About Sorvel\t"}}};
    ASSERT_EQ(menu->actions().size(), static_cast<qsizetype>(expected.size()));
    for (const auto& [title, items] : expected) {
        QMenu* m = menuTitled(title);
        ASSERT_NE(m, nullptr);
        QStringList shown;
        for (QAction* a : m->actions())
            if (!a->isSeparator())
                shown << a->text().remove(QLatin1Char('&')) + QLatin1Char('\t') +
                             a->shortcut().toString(QKeySequence::PortableText);
        EXPECT_EQ(shown, items) << title.toStdString();
    }
}

// In every state of the buttons: each item is enabled exactly when its button is, and its
// shortcut clicks the button once when enabled, never when disabled.
TEST_F(MenuWindow, each_shortcut_presses_its_button_only_while_it_is_enabled) {
    struct Item {
        QAction* action;
        QPushButton* button;
        QKeySequence key;
    };
    const std::vector<Item> items = {
        {menu->CheckAction, form->GradeBtn, QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {menu->RevealAction, form->AnswersBtn, QKeySequence(Qt::CTRL | Qt::Key_R)},
        {menu->RestartAction, form->RestartBtn, QKeySequence(Qt::CTRL | Qt::Key_Backspace)},
        {menu->NewAction, form->NewBtn, QKeySequence(Qt::CTRL | Qt::Key_N)}};
    const auto exercise = [&] {
        for (const Item& i : items) {
            SCOPED_TRACE(i.button->objectName().toStdString());
            const bool enabled = i.button->isEnabled();
            EXPECT_EQ(i.action->isEnabled(), enabled);
            QSignalSpy clicked(i.button, &QPushButton::clicked);
            keys(i.key);
            EXPECT_EQ(clicked.count(), enabled ? 1 : 0);
        }
        for (const Item& i : items)
            EXPECT_EQ(i.action->isEnabled(), i.button->isEnabled());
    };
    {
        SCOPED_TRACE("help page at start: nothing to do");
        exercise();
    }
    {
        SCOPED_TRACE("a category page: New Exercise only, then the rest once it ran");
        form->TabsBox->setCurrentIndex(1);
        exercise();
        EXPECT_TRUE(form->GradeBtn->isEnabled());
        exercise();
    }
    {
        SCOPED_TRACE("compare mode: nothing to grade or reveal");
        form->CompareRB->click();
        form->NewBtn->click();
        EXPECT_FALSE(form->GradeBtn->isEnabled());
        exercise();
    }
    {
        SCOPED_TRACE("F1 opens the help page, where New Exercise is off");
        keys(QKeySequence(Qt::Key_F1));
        EXPECT_EQ(form->TabsBox->currentIndex(), 3);
        EXPECT_FALSE(form->NewBtn->isEnabled());
        exercise();
    }
}

TEST_F(MenuWindow, check_answer_by_shortcut_shows_the_verdict_and_records_it) {
    form->TabsBox->setCurrentIndex(1);
    keys(QKeySequence(Qt::CTRL | Qt::Key_N));
    ASSERT_NE(exerciseTemplate, nullptr);
    keys(QKeySequence(Qt::CTRL | Qt::Key_Return));
    EXPECT_TRUE(form->GradeLabel->isVisible());
    ASSERT_EQ(form->sessionRecord.rows().size(), 1u);
    EXPECT_EQ(form->sessionRecord.rows()[0].verdict, form->GradeLabel->text().toStdString());
    EXPECT_EQ(form->sessionRecord.rows()[0].page, "Intervals");
}

TEST_F(MenuWindow, show_answers_item_and_button_mirror_each_other) {
    ASSERT_TRUE(menu->ShowAnswersAction->isCheckable());
    EXPECT_FALSE(menu->ShowAnswersAction->isChecked());
    menu->ShowAnswersAction->trigger();
    EXPECT_TRUE(form->ShowDiagBtn->isChecked());
    EXPECT_TRUE(form->popupHandler->correctMarker->isVisibleTo(form->AnswerPopupPanel));
    form->ShowDiagBtn->click();
    EXPECT_FALSE(menu->ShowAnswersAction->isChecked());
    EXPECT_FALSE(form->popupHandler->correctMarker->isVisibleTo(form->AnswerPopupPanel));
}

// A person opens menus with the mouse or the Alt key, leaves them or uses an item, and goes on
// retuning: each arrow key still moves the selected note under the mouse by one step.
TEST_F(MenuWindow, after_any_menu_an_arrow_key_retunes_the_selected_hovered_note) {
    form->TabsBox->setCurrentIndex(0);
    form->TuneRB->click();
    form->NewBtn->click();
    CNote* black = lastBlackNote(*form->exercise);
    ASSERT_NE(black, nullptr);
    mouseOnStaff(QEvent::MouseMove, *black);
    mouseOnStaff(QEvent::MouseButtonPress, *black);
    ASSERT_TRUE(black->selected);
    ASSERT_EQ(form->hoveredNote, black);

    const auto expectRetunes = [&](const char* after) {
        SCOPED_TRACE(after);
        QTest::qWait(20);
        expectKeyboardFree();
        const double before = black->soundingFrequency;
        typeKey(Qt::Key_Up);
        EXPECT_NEAR(black->soundingFrequency / before, form->retuneRatio, 1e-12);
    };
    expectRetunes("no menu yet");
    for (QAction* title : menu->actions()) {
        const std::string name = title->text().toStdString();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(title).center());
        EXPECT_TRUE(title->menu()->isVisible()) << name;
        QTest::keyClick(title->menu(), Qt::Key_Escape);
        expectRetunes(("opened and left with Escape: " + name).c_str());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(title).center());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(title).center());
        expectRetunes(("opened and closed by a click on its title: " + name).c_str());
    }
    QMenu* view = menuTitled("View");
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(view->menuAction()).center());
    QTest::mouseClick(view, Qt::LeftButton, {},
                      view->actionGeometry(menu->ShowAnswersAction).center());
    EXPECT_TRUE(form->ShowDiagBtn->isChecked());
    expectRetunes("an item used with the mouse");

    QTest::keyClick(form->windowHandle(), Qt::Key_Alt);
    expectRetunes("Alt tapped alone");
    QTest::keyClick(form->windowHandle(), Qt::Key_Alt);
    QTest::keyClick(form->windowHandle(), Qt::Key_Escape);
    expectRetunes("Alt, then Escape");
    QTest::keyClick(form->windowHandle(), Qt::Key_E, Qt::AltModifier);
    if (QWidget* popup = QApplication::activePopupWidget()) {
        QTest::keyClick(popup, Qt::Key_Escape);
        if (QWidget* still = QApplication::activePopupWidget())
            QTest::keyClick(still, Qt::Key_Escape);
    }
    expectRetunes("Alt+E, then Escape");

    backToWindow();
    keys(QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_TRUE(form->recordForm()->isVisible());
    expectRetunes("the session record opened");
}

TEST_F(MenuWindow, the_content_keeps_its_layout_under_the_menu_bar) {
    EXPECT_EQ(menu->geometry(), QRect(0, 0, 938, menu->height()));
    EXPECT_GT(menu->height(), 10);
    EXPECT_EQ(form->Content->geometry(), QRect(0, menu->height(), 938, 489));
    // Places in the content area, wherever the widget's parent is.
    const std::vector<std::pair<QWidget*, QRect>> places = {
        {form->Score, {2, 9, 461, 241}},
        {form->NewBtn, {2, 256, 111, 25}},
        {form->RestartBtn, {119, 256, 111, 25}},
        {form->GradeBtn, {236, 256, 111, 25}},
        {form->AnswersBtn, {352, 256, 111, 25}},
        {form->ShowDiagBtn, {8, 295, 448, 37}},
        {form->AnswerPopupPanel, {8, 346, 448, 100}},
        {form->AdvSoundOptBtn, {2, 461, 145, 25}},
        {form->TabsBox, {469, 8, 465, 281}},
    };
    for (const auto& [w, r] : places)
        EXPECT_EQ(QRect(w->mapTo(form->Content, QPoint(0, 0)), w->size()), r)
            << w->objectName().toStdString();
    // Nothing of the content lies under the menu bar or beyond the content area.
    for (QWidget* w : form->Content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(QRect(0, 0, 938, 489).contains(w->geometry())) << w->objectName().toStdString();
}

TEST_F(MenuWindow, the_record_window_shows_every_check_and_copies_it) {
    form->TabsBox->setCurrentIndex(1);
    for (QRadioButton* task : {form->IdentifyRB, form->TuneRB})
        for (int i = 0; i < 4; ++i) {
            task->click();
            form->NewBtn->click();
            form->GradeBtn->click();
        }
    keys(QKeySequence(Qt::CTRL | Qt::Key_H));
    TSessionRecordForm* record = form->recordForm();
    ASSERT_TRUE(record->isVisible());
    EXPECT_EQ(record->windowTitle(), "Session Record");
    EXPECT_TRUE(record->windowFlags() & Qt::Tool);

    const std::vector<SessionRow>& rows = form->sessionRecord.rows();
    ASSERT_EQ(rows.size(), 8u);
    ASSERT_EQ(record->RowsTable->rowCount(), 8);
    for (int r = 0; r < 8; ++r) {
        EXPECT_EQ(record->RowsTable->item(r, 3)->text(), r < 4 ? "Identify" : "Correct the tuning");
        EXPECT_EQ(record->RowsTable->item(r, 2)->text().toStdString(),
                  rows[static_cast<std::size_t>(r)].asked);
        // Tuning checks list the cents of their black notes; identify checks have none.
        EXPECT_EQ(record->RowsTable->item(r, 7)->text().isEmpty(), r < 4);
    }
    int checks = 0;
    for (int r = 0; r < record->SummaryTable->rowCount(); ++r)
        checks += record->SummaryTable->item(r, 1)->text().toInt();
    EXPECT_EQ(checks, 8);

    // A ninth check appears at once.
    form->GradeBtn->click();
    EXPECT_EQ(record->RowsTable->rowCount(), 9);

    record->CopyBtn->click();
    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied.toStdString(), form->sessionRecord.toTabSeparated());
    EXPECT_EQ(copied.count(QLatin1Char('\n')), 10);

    // The plot marks the tuning checks in green or red.
    const QImage plot = record->Plot->grab().toImage();
    int marks = 0;
    for (int y = 0; y < plot.height(); ++y)
        for (int x = 0; x < plot.width(); ++x) {
            const QColor c = plot.pixelColor(x, y);
            marks += c == QColor(0, 150, 0) || c == QColor(220, 0, 0);
        }
    EXPECT_GE(marks, 40);
}

// A stray Ctrl+N or Ctrl+Backspace loses nothing: Ctrl+Z brings back the retuned answer.
TEST_F(MenuWindow, undo_after_new_exercise_and_start_over_restores_the_answer) {
    form->TabsBox->setCurrentIndex(1);
    form->TuneRB->click();
    keys(QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_TRUE(menu->UndoAction->isEnabled()) << "the start-up A4 can come back too";
    CNote* black = lastBlackNote(*form->exercise);
    ASSERT_NE(black, nullptr);
    mouseOnStaff(QEvent::MouseMove, *black);
    mouseOnStaff(QEvent::MouseButtonPress, *black);
    for (int i = 0; i < 3; ++i)
        typeKey(Qt::Key_Up);
    const double answer = black->soundingFrequency;
    const std::string asked = exerciseMade.typeName;
    const CTwoStaffChord* made = exerciseTemplate.get();

    for (const QKeySequence& stray :
         {QKeySequence(Qt::CTRL | Qt::Key_N), QKeySequence(Qt::CTRL | Qt::Key_Backspace)}) {
        SCOPED_TRACE(stray.toString().toStdString());
        keys(stray);
        ASSERT_NE(lastBlackNote(*form->exercise), nullptr);
        EXPECT_FALSE(lastBlackNote(*form->exercise)->selected) << "the answer is gone";
        keys(QKeySequence(Qt::CTRL | Qt::Key_Z));
        black = lastBlackNote(*form->exercise);
        ASSERT_NE(black, nullptr);
        EXPECT_EQ(black->soundingFrequency, answer);
        EXPECT_TRUE(black->selected);
        EXPECT_EQ(form->exercise->selection.noteRef, black);
        EXPECT_EQ(exerciseMade.typeName, asked);
        EXPECT_EQ(form->task, 3);
        EXPECT_TRUE(form->GradeBtn->isEnabled());
        EXPECT_TRUE(menu->UndoAction->text().startsWith(QLatin1String("&Redo")));
        if (stray[0] == QKeyCombination(Qt::CTRL | Qt::Key_N)) {
            EXPECT_EQ(exerciseTemplate.get(), made);
        }
        // The restored answer can still be retuned and checked.
        mouseOnStaff(QEvent::MouseMove, *black);
        typeKey(Qt::Key_Down);
        typeKey(Qt::Key_Up);
        EXPECT_NEAR(black->soundingFrequency, answer, answer * 1e-12);
    }
}

// The record window, opened for the first time, lies wholly on the screen and, where the screen
// leaves room, clear of the staff and the tuning diagram (app.record_window_at_1280x800 runs this
// on a 1280 x 800 screen).
TEST_F(MenuWindow, the_record_window_lies_on_the_screen_beside_the_staff) {
    keys(QKeySequence(Qt::CTRL | Qt::Key_H));
    TSessionRecordForm* record = form->recordForm();
    ASSERT_TRUE(record->isVisible());
    const QRect screen = form->screen()->availableGeometry();
    SCOPED_TRACE(QStringLiteral("screen %1 x %2").arg(screen.width()).arg(screen.height())
                     .toStdString());
    EXPECT_TRUE(screen.contains(record->frameGeometry()));
    EXPECT_TRUE(screen.contains(record->CopyBtn->mapToGlobal(record->CopyBtn->rect().bottomRight())));
    const QRect diagram(form->AnswerPopupPanel->mapToGlobal(QPoint(0, 0)),
                        form->AnswerPopupPanel->size());
    const QRect staff(form->Score->mapToGlobal(QPoint(0, 0)), form->Score->size());
    if (screen.width() >= 1280) {
        EXPECT_FALSE(record->frameGeometry().intersects(diagram));
        EXPECT_FALSE(record->frameGeometry().intersects(staff));
    }
    // The sound options too.
    form->AdvSoundOptBtn->click();
    EXPECT_TRUE(screen.contains(form->Form2->frameGeometry()));
    if (screen.height() >= 800) {
        EXPECT_FALSE(form->Form2->frameGeometry().intersects(diagram));
    }
}

// A dark desktop palette: the diagram is a picture on white and keeps its dark text.
TEST(DarkPalette, diagram_labels_are_dark_on_white) {
    const QPalette before = QApplication::palette();
    QPalette dark(QColor(45, 45, 48), QColor(30, 30, 30));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(235, 235, 235));
    QApplication::setPalette(dark);
    {
        auto form = createMainWindow();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        const QImage panel = form->AnswerPopupPanel->grab().toImage();
        const auto lightness = [](QColor c) { return c.lightness(); };
        int dark = 0, light = 0, between = 0;
        for (QLabel* l : form->AnswerPopupPanel->findChildren<QLabel*>()) {
            if (!l->isVisible() || l->text().isEmpty())
                continue;
            const QRect r = l->geometry() & panel.rect();

            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    const int v = lightness(panel.pixelColor(x, y));
                    dark += v < 96;
                    light += v > 224;
                    between += v >= 96 && v <= 224;
                }
        }
        // Light text on the white panel would leave no dark pixel at all.
        EXPECT_GT(light, 3 * dark) << "a white ground";
        EXPECT_GT(dark, 500) << "dark text on it";
        EXPECT_LT(between, 2 * dark) << "only the edges of the letters are grey";
        // The rest of the window follows the palette.
        EXPECT_EQ(form->NewBtn->palette().color(QPalette::ButtonText), QColor(235, 235, 235));
    }
    QApplication::setPalette(before);
}

// Quitting with rows not yet saved or copied asks once: Cancel keeps the window, Discard ends;
// rows that were copied do not ask. (The close box asks the same; the offscreen platform cannot
// send the window system's close event that tells it from a close by the program, so tools/e2e
// checks it on a real display.)
TEST_F(MenuWindow, quitting_with_unsaved_rows_asks_save_discard_or_cancel) {
    form->TabsBox->setCurrentIndex(1);
    form->NewBtn->click();
    form->GradeBtn->click();
    int asked = 0;
    const auto answerWith = [&asked](QMessageBox::StandardButton button) {
        QTimer::singleShot(50, [&asked, button] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++asked;
                box->button(button)->click();
            }
        });
    };
    answerWith(QMessageBox::Cancel);
    keys(QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form->isVisible());

    // Saving to a place that cannot be written says so and keeps the rows unsaved.
    QString warning;
    QTimer::singleShot(50, [&warning] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warning = box->text();
            box->accept();
        }
    });
    EXPECT_FALSE(form->recordForm()->saveTo(QStringLiteral("/nonexistent-folder/record.txt")));
    EXPECT_TRUE(warning.contains(QLatin1String("/nonexistent-folder/record.txt"))) << warning.toStdString();
    EXPECT_EQ(form->sessionRecord.unkeptRows(), 1u);

    form->recordForm()->CopyBtn->click();
    EXPECT_TRUE(form->mayQuit()) << "copied rows do not ask";
    form->GradeBtn->click();
    answerWith(QMessageBox::Discard);
    backToWindow();
    keys(QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MenuWindow, about_names_the_licences_and_quit_closes_the_window) {
    QString shown;
    QTimer::singleShot(50, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    menu->AboutAction->trigger();
    for (const char* part :
         {"Sorvel", "GNU General Public License", "FluidR3_GM", "MIT", "SIL Open Font Licence"})
        EXPECT_TRUE(shown.contains(QLatin1String(part))) << part;
    expectKeyboardFree();

    backToWindow();
    keys(QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_FALSE(form->isVisible());
}

} // namespace
} // namespace sorvel
