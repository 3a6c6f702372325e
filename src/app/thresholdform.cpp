// SPDX-License-Identifier: GPL-3.0-or-later
#include "thresholdform.h"

#include "sessionrecordform.h"
#include "sorvelmainform.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace sorvel {

// ---- Plot ---------------------------------------------------------------------------------

ThresholdPlot::ThresholdPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ThresholdPlot"));
    setMinimumHeight(170);
}

void ThresholdPlot::setTrials(const std::vector<StaircaseTrial>* trials) {
    trials_ = trials;
    update();
}

void ThresholdPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    static const std::vector<StaircaseTrial> none;
    const PlotGeometry g = thresholdPlot(trials_ ? *trials_ : none, width(), height());
    const QRectF area(QPointF(g.left, g.top), QPointF(g.right, g.bottom));
    for (const PlotTick& t : g.ticks) {
        p.setPen(QColor(225, 225, 225));
        p.drawLine(QPointF(g.left, t.y), QPointF(g.right, t.y));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, t.y - 8, g.left - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(t.cents));
    }
    p.setPen(Qt::black);
    p.drawLine(area.bottomLeft(), area.bottomRight());
    p.drawLine(area.bottomLeft(), area.topLeft());
    p.drawText(QRectF(0, g.bottom + 2, width(), height() - g.bottom - 2),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("cents off (log scale) at trials 1 to %1\nringed: reversal; "
                              "hollow: wrong answer")
                   .arg(g.trialsShown));
    if (g.points.empty())
        return;
    QPainterPath line;
    line.moveTo(g.points.front().x, g.points.front().y);
    for (const PlotPoint& pt : g.points)
        line.lineTo(pt.x, pt.y);
    p.setPen(QPen(QColor(160, 160, 160), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    for (const PlotPoint& pt : g.points) {
        const QColor colour = pt.right ? QColor(30, 30, 30) : QColor(200, 0, 0);
        p.setPen(QPen(colour, 1.5));
        p.setBrush(pt.right ? QBrush(colour) : QBrush(Qt::white));
        p.drawEllipse(QPointF(pt.x, pt.y), 3.0, 3.0);
        if (pt.reversal) {
            p.setPen(QPen(QColor(0, 90, 200), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(pt.x, pt.y), 6.5, 6.5);
        }
    }
}

// ---- Window -------------------------------------------------------------------------------

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    // The keyboard stays with the staff; the window's keys are shortcuts.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QShortcut* key(QWidget* parent, Qt::Key k) {
    auto* s = new QShortcut(QKeySequence(k), parent);
    // The musician's hands are on the main window, hovering its staff.
    s->setContext(Qt::ApplicationShortcut);
    return s;
}

} // namespace

TThresholdForm::TThresholdForm(TSorvelMainForm& form)
    : QWidget(&form,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      form_(form) {
    setObjectName(QStringLiteral("ThresholdForm"));
    setWindowTitle(QStringLiteral("Find My Threshold"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Narrow enough to stand beside the main window on a 1280-pixel screen, off the option
    // pages the musician chooses the type on.
    resize(330, 640);
    setMinimumSize(300, 460);

    auto* layout = new QVBoxLayout(this);
    auto* method = new QLabel(
        QStringLiteral(
            "Each trial puts a sonority on the staff with one black note mistuned, flat or sharp. "
            "Hover the staff to listen, then answer Flat (key F) or Sharp (key S).\n"
            "Method: a 3-down/1-up staircase on a log scale, which settles where 79.4 % of "
            "answers are right. The mistuning starts at 30 cents, shrinks after three right "
            "answers and grows after a wrong one, by a factor 2 at first, then 1.25; it stays "
            "between 0.25 and 60 cents. The test ends after 10 reversals or 80 trials; the "
            "threshold is the geometric mean of the last 6 reversals."),
        this);
    method->setObjectName(QStringLiteral("MethodLabel"));
    method->setWordWrap(true);
    layout->addWidget(method);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Test (Y):"), this));
    TypeBox = new QComboBox(this);
    TypeBox->setObjectName(QStringLiteral("TypeBox"));
    TypeBox->setFocusPolicy(Qt::NoFocus);
    TypeBox->setToolTip(QStringLiteral(
        "A single note, or a type ticked on the current page; Y chooses the next one."));
    row->addWidget(TypeBox, 1);
    StartBtn = button(this, "StartBtn", QStringLiteral("Start (T)"));
    row->addWidget(StartBtn);
    layout->addLayout(row);

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setWordWrap(true);
    layout->addWidget(StatusLabel);

    auto* answers = new QHBoxLayout;
    FlatBtn = button(this, "FlatBtn", QStringLiteral("Flat (F)"));
    SharpBtn = button(this, "SharpBtn", QStringLiteral("Sharp (S)"));
    TakenLabel = new QLabel(this);
    TakenLabel->setObjectName(QStringLiteral("TakenLabel"));
    TakenLabel->setMinimumWidth(
        TakenLabel->fontMetrics().horizontalAdvance(QStringLiteral("Answer taken")) + 8);
    answers->addWidget(FlatBtn);
    answers->addWidget(SharpBtn);
    answers->addWidget(TakenLabel);
    answers->addStretch(1);
    layout->addLayout(answers);

    Plot = new ThresholdPlot(this);
    layout->addWidget(Plot, 1);
    ResultLabel = new QLabel(this);
    ResultLabel->setObjectName(QStringLiteral("ResultLabel"));
    ResultLabel->setWordWrap(true);
    ResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(ResultLabel);

    takenTimer_ = new QTimer(this);
    takenTimer_->setSingleShot(true);
    takenTimer_->setInterval(700);
    connect(takenTimer_, &QTimer::timeout, TakenLabel, &QLabel::clear);

    connect(StartBtn, &QPushButton::clicked, this, &TThresholdForm::StartBtnClick);
    connect(FlatBtn, &QPushButton::clicked, this, [this] { answer(false); });
    connect(SharpBtn, &QPushButton::clicked, this, [this] { answer(true); });
    flatKey_ = key(this, Qt::Key_F);
    sharpKey_ = key(this, Qt::Key_S);
    startKey_ = key(this, Qt::Key_T);
    typeKey_ = key(this, Qt::Key_Y);
    connect(typeKey_, &QShortcut::activated, this, [this] {
        if (!running_ && TypeBox->count() > 1)
            TypeBox->setCurrentIndex((TypeBox->currentIndex() + 1) % TypeBox->count());
    });
    connect(flatKey_, &QShortcut::activated, this, [this] { answer(false); });
    connect(sharpKey_, &QShortcut::activated, this, [this] { answer(true); });
    connect(startKey_, &QShortcut::activated, this, &TThresholdForm::StartBtnClick);

    connect(form.TabsBox, &QTabWidget::currentChanged, this, &TThresholdForm::refreshTypes);
    for (QCheckBox* b : form.optionBoxes())
        connect(b, &QCheckBox::toggled, this, &TThresholdForm::refreshTypes);
    refreshTypes();
    updateControls();
}

void TThresholdForm::refreshTypes() {
    if (running_)
        return; // the test keeps its type
    const QString before = TypeBox->currentText();
    TypeBox->clear();
    const int page = form_.TabsBox->currentIndex();
    if (page == 0) {
        TypeBox->addItem(QStringLiteral("Single note against its reference"), -1);
    } else if (page == 1 || page == 2) {
        const std::vector<QCheckBox*>& boxes =
            page == 1 ? form_.intervalOptions.boxes : form_.chordOptions.boxes;
        bool any = false;
        for (QCheckBox* b : boxes)
            any = any || b->isChecked();
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (!any || boxes[i]->isChecked())
                TypeBox->addItem(boxes[i]->text(), static_cast<int>(i));
    }
    if (const int at = TypeBox->findText(before); at >= 0)
        TypeBox->setCurrentIndex(at);
    updateControls();
}

void TThresholdForm::updateControls() {
    const bool typed = TypeBox->count() > 0;
    StartBtn->setText(running_ ? QStringLiteral("Stop (T)") : QStringLiteral("Start (T)"));
    StartBtn->setEnabled(running_ || typed);
    TypeBox->setEnabled(!running_);
    FlatBtn->setEnabled(running_);
    SharpBtn->setEnabled(running_);
    flatKey_->setEnabled(running_);
    sharpKey_->setEnabled(running_);
    startKey_->setEnabled(isVisible() && (running_ || typed));
    typeKey_->setEnabled(isVisible() && !running_ && TypeBox->count() > 1);
    if (running_)
        StatusLabel->setText(
            QStringLiteral("%1, trial %2 of at most %3, %4 of %5 reversals. Is the black note "
                           "that is out of tune flat or sharp?")
                .arg(kind_)
                .arg(stairs_->trials().size() + 1)
                .arg(Staircase::maxTrials)
                .arg(stairs_->reversals())
                .arg(Staircase::reversalsToEnd));
    else if (!typed)
        StatusLabel->setText(QStringLiteral(
            "Open the Single Notes, Intervals or Chords page to choose what to test."));
    else if (!stairs_)
        StatusLabel->setText(QStringLiteral("Choose what to test (Y), then press Start (T). "
                                            "It plays in the current tuning and instrument."));
}

void TThresholdForm::StartBtnClick() {
    if (running_) {
        finish(true);
        return;
    }
    if (TypeBox->count() == 0)
        return;
    const int type = TypeBox->currentData().toInt();
    kind_ =
        form_.TabsBox->currentIndex() == 0 ? QStringLiteral("Single note") : TypeBox->currentText();
    request_ = thresholdRequest(form_.readExerciseRequest(), type);
    stairs_.emplace();
    running_ = true;
    ResultLabel->clear();
    Plot->setTrials(&stairs_->trials());
    nextTrial();
}

void TThresholdForm::nextTrial() {
    trial_ = makeThresholdTrial(request_, stairs_->nextCents(), generator_, random_index);
    form_.showTrial(trial_.made);
    updateControls();
}

void TThresholdForm::answer(bool sharp) {
    if (!running_)
        return;
    if (!form_.showsTrial()) {
        form_.showTrial(trial_.made);
        TakenLabel->setText(QStringLiteral("Trial back on the staff: listen, then answer"));
        takenTimer_->start(2000);
        return;
    }
    stairs_->answer(sharp == (trial_.sign > 0));
    Plot->update();
    TakenLabel->setText(QStringLiteral("Answer taken"));
    takenTimer_->start(700);
    if (stairs_->finished())
        finish(false);
    else
        nextTrial();
}

void TThresholdForm::finish(bool stopped) {
    running_ = false;
    const ThresholdEstimate e = stairs_->estimate();
    const QString result =
        stopped ? QStringLiteral("Stopped after %1 trials: no threshold.").arg(e.trials)
                : QString::fromStdString(thresholdSummaryText(e, trial_));
    ResultLabel->setText(kind_ + QStringLiteral(": ") + result);
    StatusLabel->setText(stopped ? QStringLiteral("The test was stopped.")
                                 : QStringLiteral("The test is over; it is in the session "
                                                  "record. Start (T) tests again."));
    if (e.trials > 0) {
        ThresholdRow row;
        row.time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
        row.kind = kind_.toStdString();
        row.tuning = trial_.made.tuningName;
        row.estimate = e;
        row.stopped = stopped;
        row.trials = stairs_->trials();
        row.result = result.toStdString();
        const std::string_view heard =
            instruments[static_cast<std::size_t>(form_.instrument)].caption;
        form_.sessionRecord.setSound(heard, form_.droneOn);
        form_.sessionRecord.addThreshold(std::move(row));
        form_.refreshRecordWindow();
    }
    refreshTypes(); // boxes ticked during the test count from now on
    updateControls();
}

void TThresholdForm::showEvent(QShowEvent* e) {
    refreshTypes();
    QWidget::showEvent(e);
    updateControls();
}

void TThresholdForm::closeEvent(QCloseEvent* e) {
    if (running_)
        finish(true);
    QWidget::closeEvent(e);
    startKey_->setEnabled(false);
    typeKey_->setEnabled(false);
}

} // namespace sorvel
