// SPDX-License-Identifier: GPL-3.0-or-later
// The "Session Record" tool window: the summary per interval or chord type (worst first), a plot
// of the tuning error of each check, and every check of the run. It only shows the record that
// the main window keeps; "Copy" puts the rows on the clipboard as tab-separated text, "Save..."
// writes the same text to a file the user names.
//
//   auto* window = new sorvel::TSessionRecordForm(record, mainForm);   // hidden
//   window->refresh();   // after each Check Answer
#pragma once

#include "sessionrecord.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

namespace sorvel {

// The mean absolute error of each check over the session, in cents; identify checks leave a gap.
class ErrorPlot : public QWidget {
public:
    ErrorPlot(const SessionRecord& record, QWidget* parent);
    QSize sizeHint() const override { return {560, 130}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const SessionRecord& record_;
};

class TSessionRecordForm : public QWidget {
    Q_OBJECT
public:
    // Copying or saving marks the record's rows as kept.
    TSessionRecordForm(SessionRecord& record, QWidget* parent);

    // Shows the record as it stands: new rows are appended, the others stay as they are.
    void refresh();
    void CopyBtnClick();
    // Asks for a file and writes the same text as Copy to it; false when nothing was written.
    bool SaveBtnClick();
    // Writes the text to `path`; a failure is shown in a message box. True when written.
    bool saveTo(const QString& path);

    QTableWidget* SummaryTable = nullptr;
    ErrorPlot* Plot = nullptr;
    QTableWidget* RowsTable = nullptr;
    // One row per threshold test, its trials in the last column; a line per type above it.
    QLabel* ThresholdSummaryLabel = nullptr;
    QTableWidget* ThresholdTable = nullptr;
    QPushButton* CopyBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QLabel* EmptyLabel = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    // Widens the rows' columns (the last one stretches) to fit row `row`.
    void fitColumns(int row);

    SessionRecord& record_;
};

} // namespace sorvel
