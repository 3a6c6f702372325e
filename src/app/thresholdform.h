// SPDX-License-Identifier: GPL-3.0-or-later
// The "Find My Threshold" tool window: runs a threshold test for one type of the current page
// on the main window's staff, takes "Flat" or "Sharp" by button or key (F, S; T starts or stops
// a test), plots d per trial and, at the end, shows the threshold and adds it to the session
// record. The staircase and the trials are the exercise layer's (threshold.h).
//
//   auto* window = new sorvel::TThresholdForm(mainForm);   // hidden until the menu shows it
#pragma once

#include "threshold.h"

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QShortcut;
class QTimer;

namespace sorvel {

class TSorvelMainForm;

// d per trial on a log scale, reversals ringed, wrong answers hollow.
class ThresholdPlot : public QWidget {
public:
    explicit ThresholdPlot(QWidget* parent);
    QSize sizeHint() const override { return {310, 200}; }
    void setTrials(const std::vector<StaircaseTrial>* trials);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const std::vector<StaircaseTrial>* trials_ = nullptr;
};

class TThresholdForm : public QWidget {
    Q_OBJECT
public:
    explicit TThresholdForm(TSorvelMainForm& form);

    // Lists the types the current page offers: the ticked boxes, or all when none is ticked.
    void refreshTypes();
    // Starts a test of the chosen type, or stops the one running (kept in the record when it
    // had answers).
    void StartBtnClick();
    // The musician's answer to the trial on the staff. When the staff no longer shows the trial
    // (another exercise was made meanwhile), the trial comes back and the answer is not taken.
    void answer(bool sharp);
    bool running() const { return running_; }
    const std::optional<Staircase>& staircase() const { return stairs_; }
    const ThresholdTrial& trial() const { return trial_; }

    QComboBox* TypeBox = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* FlatBtn = nullptr;
    QPushButton* SharpBtn = nullptr;
    QLabel* StatusLabel = nullptr;
    QLabel* TakenLabel = nullptr;
    QLabel* ResultLabel = nullptr;
    ThresholdPlot* Plot = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void nextTrial();
    void finish(bool stopped);
    void updateControls();

    TSorvelMainForm& form_;
    std::optional<Staircase> stairs_;
    ThresholdTrial trial_;
    ExerciseRequest request_;
    QString kind_;
    CGenerateChord generator_;
    bool running_ = false;
    QTimer* takenTimer_ = nullptr;
    QShortcut* flatKey_ = nullptr;
    QShortcut* sharpKey_ = nullptr;
    QShortcut* startKey_ = nullptr;
    QShortcut* typeKey_ = nullptr; // the next type in the list, while no test runs
};

} // namespace sorvel
