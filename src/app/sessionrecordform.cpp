// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessionrecordform.h"

#include "spokennames.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace sorvel {

namespace {

QTableWidget* table(QWidget* parent, const char* name, const QStringList& headers) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->setVisible(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    // The arrow keys belong to the retuning, even while this window is in front.
    t->setFocusPolicy(Qt::NoFocus);
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    return t;
}

void setRow(QTableWidget* t, int row, const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        // "m3" and "G#3" as words for a screen reader.
        item->setData(Qt::AccessibleTextRole,
                      QString::fromStdString(spokenPhrase(cells[c].toStdString())));
        t->setItem(row, c, item);
    }
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString centsText(double cents) {
    return QString::number(cents, 'f', 1);
}

} // namespace

// ---- Plot ---------------------------------------------------------------------------------

ErrorPlot::ErrorPlot(const SessionRecord& record, QWidget* parent)
    : QWidget(parent), record_(record) {
    setObjectName(QStringLiteral("ErrorPlot"));
    setMinimumHeight(120);
}

void ErrorPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    const std::vector<SessionRow>& rows = record_.rows();
    double largest = 0;
    for (const SessionRow& row : rows)
        largest = std::max(largest, row.meanAbsError().value_or(0.0));
    // Whole multiples of 5 cents, at least 10, so that a few cents never fill the height.
    const double top = std::max(10.0, std::ceil(largest / 5.0) * 5.0);
    const QRectF area(40, 20, width() - 52, height() - 40);

    p.setPen(Qt::black);
    p.drawText(QRectF(4, 2, width() - 8, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Mean error of each tuning check, in cents"));
    const double step = top <= 20 ? 5.0 : top <= 50 ? 10.0 : 25.0;
    for (double c = 0; c <= top + 1e-9; c += step) {
        const double y = area.bottom() - area.height() * c / top;
        p.setPen(QColor(220, 220, 220));
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, y - 8, area.left() - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(c));
    }
    p.drawLine(area.bottomLeft(), area.bottomRight());
    p.drawLine(area.bottomLeft(), area.topLeft());
    const int count = static_cast<int>(rows.size());
    p.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), 16), Qt::AlignCenter,
               QStringLiteral("checks of this session, in order (%1)").arg(count));
    if (count == 0)
        return;

    const auto xOf = [&](int i) {
        return count == 1 ? area.center().x()
                          : area.left() + 8 + (area.width() - 16) * i / (count - 1.0);
    };
    QPainterPath line;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        const auto e = rows[static_cast<std::size_t>(i)].meanAbsError();
        if (!e)
            continue;
        const QPointF at(xOf(i), area.bottom() - area.height() * *e / top);
        if (any)
            line.lineTo(at);
        else
            line.moveTo(at);
        any = true;
    }
    if (!any) {
        p.drawText(area, Qt::AlignCenter, QStringLiteral("No tuning checks yet"));
        return;
    }
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.drawPath(line);
    for (int i = 0; i < count; ++i) {
        const SessionRow& row = rows[static_cast<std::size_t>(i)];
        const auto e = row.meanAbsError();
        if (!e)
            continue;
        const QPointF at(xOf(i), area.bottom() - area.height() * *e / top);
        const QColor colour = row.good ? QColor(0, 150, 0) : QColor(220, 0, 0);
        p.setPen(colour);
        p.setBrush(colour);
        p.drawEllipse(at, 3.5, 3.5);
    }
}

// ---- Window -------------------------------------------------------------------------------

TSessionRecordForm::TSessionRecordForm(SessionRecord& record, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      record_(record) {
    setObjectName(QStringLiteral("SessionRecordForm"));
    setWindowTitle(QStringLiteral("Session Record"));
    // Opening it leaves the keyboard with the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(900, 620);
    // Where the screen leaves less room, it may be given less, not below this.
    setMinimumSize(560, 400);

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("By interval or chord, worst first:"), this);
    layout->addWidget(heading);
    SummaryTable =
        table(this, "SummaryTable",
              {QStringLiteral("Interval or chord"), QStringLiteral("Checks"),
               QStringLiteral("Two best verdicts"), QStringLiteral("Mean error (cents)")});
    SummaryTable->setMaximumHeight(8 * (SummaryTable->fontMetrics().height() + 6));
    layout->addWidget(SummaryTable);
    Plot = new ErrorPlot(record, this);
    layout->addWidget(Plot);
    RowsTable =
        table(this, "RowsTable",
              {QStringLiteral("Time"), QStringLiteral("Page"), QStringLiteral("Asked"),
               QStringLiteral("Task"), QStringLiteral("Tuning"), QStringLiteral("Difficulty"),
               QStringLiteral("Verdict"), QStringLiteral("Cents per note"),
               QStringLiteral("Sound")});
    // Columns start as wide as their headings and grow with their rows, so that the notes'
    // cents, last, keep the room that is left.
    for (int c = 0; c + 1 < RowsTable->columnCount(); ++c)
        RowsTable->setColumnWidth(
            c, RowsTable->fontMetrics().horizontalAdvance(RowsTable->horizontalHeaderItem(c)->text()) +
                   24);
    layout->addWidget(RowsTable, 1);
    ThresholdSummaryLabel = new QLabel(this);
    ThresholdSummaryLabel->setObjectName(QStringLiteral("ThresholdSummaryLabel"));
    ThresholdSummaryLabel->setWordWrap(true);
    layout->addWidget(ThresholdSummaryLabel);
    ThresholdTable =
        table(this, "ThresholdTable",
              {QStringLiteral("Time"), QStringLiteral("Threshold test"), QStringLiteral("Tuning"),
               QStringLiteral("Cents"), QStringLiteral("Spread"), QStringLiteral("Right"),
               QStringLiteral("Trials (cents; + right, - wrong, R reversal)")});
    ThresholdTable->setMaximumHeight(6 * (ThresholdTable->fontMetrics().height() + 6));
    layout->addWidget(ThresholdTable);
    EmptyLabel = new QLabel(
        QStringLiteral("Each \"Check Answer\" and each threshold test adds a row. Nothing is "
                       "kept after Sorvel closes."),
        this);
    layout->addWidget(EmptyLabel);
    CopyBtn = new QPushButton(QStringLiteral("Copy"), this);
    CopyBtn->setObjectName(QStringLiteral("CopyBtn"));
    CopyBtn->setToolTip(QStringLiteral("Put every row on the clipboard as tab-separated text."));
    CopyBtn->setFocusPolicy(Qt::NoFocus);
    connect(CopyBtn, &QPushButton::clicked, this, &TSessionRecordForm::CopyBtnClick);
    SaveBtn = new QPushButton(QStringLiteral("Save..."), this);
    SaveBtn->setObjectName(QStringLiteral("SaveBtn"));
    SaveBtn->setToolTip(QStringLiteral("Write every row to a file, as tab-separated text."));
    SaveBtn->setFocusPolicy(Qt::NoFocus);
    connect(SaveBtn, &QPushButton::clicked, this, &TSessionRecordForm::SaveBtnClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SaveBtn);
    buttons->addWidget(CopyBtn);
    layout->addLayout(buttons);
    refresh();
}

void TSessionRecordForm::showEvent(QShowEvent* e) {
    refresh();
    QWidget::showEvent(e);
}

void TSessionRecordForm::refresh() {
    const std::vector<SummaryRow> summary = record_.summary();
    SummaryTable->setRowCount(static_cast<int>(summary.size()));
    for (int i = 0; i < static_cast<int>(summary.size()); ++i) {
        const SummaryRow& s = summary[static_cast<std::size_t>(i)];
        setRow(SummaryTable, i,
               {qs(s.kind), QString::number(s.checks),
                QStringLiteral("%1 %").arg(std::lround(100.0 * s.goodShare)),
                s.meanAbsError ? centsText(*s.meanAbsError) : QStringLiteral("-")});
    }
    SummaryTable->resizeColumnsToContents();

    // Only the rows added since the last refresh are filled in: a check costs the same late in
    // a long session as at its start.
    const std::vector<SessionRow>& rows = record_.rows();
    const int total = static_cast<int>(rows.size());
    int first = RowsTable->rowCount();
    if (first > total)
        first = 0;
    RowsTable->setRowCount(total);
    for (int i = first; i < total; ++i) {
        const SessionRow& r = rows[static_cast<std::size_t>(i)];
        const QString cents = qs(r.centsText());
        setRow(RowsTable, i,
               {qs(r.time), qs(r.page), qs(r.asked), qs(r.task), qs(r.tuning),
                qs(difficultyWords(r.difficulty)), qs(r.verdict), cents, qs(r.sound)});
        // Every note in full, one a line, however narrow the column.
        RowsTable->item(i, 7)->setToolTip(QString(cents).replace(QStringLiteral(", "),
                                                                 QStringLiteral("\n")));
        fitColumns(i);
    }
    if (first < total)
        RowsTable->scrollToBottom();
    const std::vector<ThresholdRow>& tests = record_.thresholdRows();
    ThresholdTable->setRowCount(static_cast<int>(tests.size()));
    for (int i = 0; i < static_cast<int>(tests.size()); ++i) {
        const ThresholdRow& t = tests[static_cast<std::size_t>(i)];
        const QString track = qs(trackText(t.trials));
        setRow(ThresholdTable, i,
               {qs(t.time), qs(t.kind), qs(t.tuning), qs(thresholdCentsText(t)),
                t.stopped ? QStringLiteral("-")
                          : QStringLiteral("x%1").arg(t.estimate.spread, 0, 'f', 2),
                QStringLiteral("%1 % of %2")
                    .arg(std::lround(100.0 * t.estimate.rightShare))
                    .arg(t.trials.size()),
                track});
        ThresholdTable->item(i, 1)->setToolTip(qs(t.result));
        ThresholdTable->item(i, 6)->setToolTip(track);
    }
    ThresholdTable->resizeColumnsToContents();
    QStringList lines;
    for (const ThresholdSummaryRow& s : record_.thresholdSummary())
        lines << (s.lastCents ? QStringLiteral("%1: %2 %3, last %4 cents, best %5 cents")
                                    .arg(qs(s.kind))
                                    .arg(s.tests)
                                    .arg(s.tests == 1 ? QStringLiteral("test")
                                                      : QStringLiteral("tests"))
                                    .arg(*s.lastCents, 0, 'f', 2)
                                    .arg(*s.bestCents, 0, 'f', 2)
                              : QStringLiteral("%1: %2 stopped").arg(qs(s.kind)).arg(s.tests));
    ThresholdSummaryLabel->setText(
        lines.isEmpty() ? QStringLiteral("Threshold tests (Exercise > Find My Threshold...): none yet.")
                        : QStringLiteral("Threshold tests: ") + lines.join(QStringLiteral("; ")));
    EmptyLabel->setVisible(rows.empty() && tests.empty());
    Plot->update();
}

void TSessionRecordForm::fitColumns(int row) {
    const QFontMetrics metrics(RowsTable->font());
    for (int c = 0; c + 1 < RowsTable->columnCount(); ++c) {
        const int wanted = metrics.horizontalAdvance(RowsTable->item(row, c)->text()) + 12;
        if (wanted > RowsTable->columnWidth(c))
            RowsTable->setColumnWidth(c, wanted);
    }
}

void TSessionRecordForm::CopyBtnClick() {
    QApplication::clipboard()->setText(QString::fromStdString(record_.toTabSeparated()));
    record_.markKept();
}

bool TSessionRecordForm::SaveBtnClick() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Session Record"), QStringLiteral("sorvel-record.txt"),
        QStringLiteral("Tab-separated text (*.txt *.tsv);;All files (*)"));
    return !path.isEmpty() && saveTo(path);
}

bool TSessionRecordForm::saveTo(const QString& path) {
    const std::string error = writeTextFile(path.toStdString(), record_.toTabSeparated());
    if (!error.empty()) {
        QMessageBox::warning(this, QStringLiteral("Session Record"), QString::fromStdString(error));
        return false;
    }
    record_.markKept();
    return true;
}

} // namespace sorvel
