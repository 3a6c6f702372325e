// SPDX-License-Identifier: GPL-3.0-or-later
// The "Session Record" tool window: the summary per interval or chord type (worst first), a plot
// of the tuning error of each check, and every check of the run. It only shows the record that
// the main window keeps; "Copy" puts the rows on the clipboard as tab-separated text.
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
    TSessionRecordForm(const SessionRecord& record, QWidget* parent);

    // Shows the record as it stands.
    void refresh();
    void CopyBtnClick();

    QTableWidget* SummaryTable = nullptr;
    ErrorPlot* Plot = nullptr;
    QTableWidget* RowsTable = nullptr;
    QPushButton* CopyBtn = nullptr;
    QLabel* EmptyLabel = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    const SessionRecord& record_;
};

} // namespace sorvel
