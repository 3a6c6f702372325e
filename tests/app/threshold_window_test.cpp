// SPDX-License-Identifier: GPL-3.0-or-later
// The threshold test on the real main window (offscreen): opened from the menu, answered by
// key, ending with a result in the window and a row with its trials in the session record.
#include "mainmenu.h"
#include "sessionrecordform.h"
#include "sorvelmainform.h"
#include "thresholdform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace sorvel {
namespace {

class ThresholdWindow : public testing::Test {
protected:
    void SetUp() override {
        MTRand_int32::seed(2828);
        form = createMainWindow();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        window = form->thresholdForm();
    }
    // A key as the keyboard delivers it, to the main window.
    void typeKey(Qt::Key key) {
        QTest::keyClick(form->windowHandle(), key);
        QApplication::processEvents();
    }
    std::unique_ptr<TSorvelMainForm> form;
    TThresholdForm* window = nullptr;
};

TEST_F(ThresholdWindow, a_run_by_key_ends_with_a_result_and_a_record_row) {
    form->TabsBox->setCurrentIndex(1);
    form->findChild<QCheckBox*>(QStringLiteral("I03"))->setChecked(true); // minor third
    form->findChild<QCheckBox*>(QStringLiteral("I04"))->setChecked(true); // major third
    form->Menu->ThresholdAction->trigger();
    ASSERT_TRUE(window->isVisible());
    ASSERT_EQ(window->TypeBox->count(), 2);
    EXPECT_EQ(window->TypeBox->currentText(), QStringLiteral("m3"));
    EXPECT_FALSE(window->FlatBtn->isEnabled());
    // Y steps through the types, round again after the last.
    for (const char* next : {"M3", "m3", "M3"}) {
        typeKey(Qt::Key_Y);
        EXPECT_EQ(window->TypeBox->currentText(), QString::fromLatin1(next));
    }

    typeKey(Qt::Key_T);
    ASSERT_TRUE(window->running());
    typeKey(Qt::Key_Y);
    EXPECT_EQ(window->TypeBox->currentText(), QStringLiteral("M3")) << "a test keeps its type";
    EXPECT_FALSE(form->GradeBtn->isEnabled()) << "Check Answer would give the answer away";
    EXPECT_TRUE(form->undo.available()) << "the exercise before the test can come back";

    // Three right answers, then a wrong one, again and again: a reversal at every turn.
    std::vector<bool> given;
    int guard = 0;
    while (window->running() && ++guard < 60) {
        ASSERT_TRUE(form->showsTrial());
        EXPECT_EQ(exerciseMade.typeName, "M3");
        const bool right = given.size() % 4 != 3;
        const bool sharp = window->trial().sign > 0;
        typeKey(sharp == right ? Qt::Key_S : Qt::Key_F);
        given.push_back(right);
        if (given.size() == 5) {
            SCOPED_TRACE("another exercise meanwhile: the answer waits for the trial");
            form->NewBtn->click();
            ASSERT_FALSE(form->showsTrial());
            typeKey(Qt::Key_S);
            EXPECT_TRUE(form->showsTrial());
            EXPECT_EQ(window->staircase()->trials().size(), 5u);
        }
    }
    ASSERT_FALSE(window->running());
    EXPECT_GE(window->staircase()->reversals(), Staircase::reversalsToEnd);
    EXPECT_TRUE(window->ResultLabel->text().contains(QStringLiteral("Threshold: ")))
        << window->ResultLabel->text().toStdString();
    EXPECT_TRUE(window->ResultLabel->text().contains(QStringLiteral("a second")));

    ASSERT_EQ(form->sessionRecord.thresholdRows().size(), 1u);
    const ThresholdRow& row = form->sessionRecord.thresholdRows().front();
    EXPECT_EQ(row.kind, "M3");
    EXPECT_FALSE(row.stopped);
    ASSERT_EQ(row.trials.size(), given.size());
    for (std::size_t i = 0; i < given.size(); ++i)
        EXPECT_EQ(row.trials[i].right, given[i]) << i;
    EXPECT_EQ(form->sessionRecord.unkeptRows(), 1u);
    ASSERT_EQ(form->recordForm()->ThresholdTable->rowCount(), 1);
    EXPECT_EQ(form->recordForm()->ThresholdTable->item(0, 6)->text(),
              QString::fromStdString(trackText(row.trials)));

    form->recordForm()->CopyBtnClick();
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(QStringLiteral("Threshold test\t")));
    EXPECT_TRUE(copied.contains(QString::fromStdString(trackText(row.trials))));
    EXPECT_TRUE(copied.contains(QStringLiteral("Threshold summary\tM3\t1 test\tlast ")));
    EXPECT_EQ(form->sessionRecord.unkeptRows(), 0u);
    // The keys are the test's only while it runs.
    typeKey(Qt::Key_F);
    EXPECT_EQ(form->sessionRecord.thresholdRows().front().trials.size(), given.size());
}

TEST_F(ThresholdWindow, closing_the_window_stops_the_test_and_keeps_its_trials) {
    form->TabsBox->setCurrentIndex(0);
    form->showThresholdTest();
    typeKey(Qt::Key_T);
    typeKey(Qt::Key_F);
    typeKey(Qt::Key_S);
    window->close();
    EXPECT_FALSE(window->running());
    ASSERT_EQ(form->sessionRecord.thresholdRows().size(), 1u);
    EXPECT_TRUE(form->sessionRecord.thresholdRows().front().stopped);
    EXPECT_EQ(form->sessionRecord.thresholdRows().front().trials.size(), 2u);
    EXPECT_EQ(form->sessionRecord.thresholdRows().front().kind, "Single note");
}

} // namespace
} // namespace sorvel
