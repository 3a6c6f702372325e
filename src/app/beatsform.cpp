// SPDX-License-Identifier: GPL-3.0-or-later
#include "beatsform.h"

#include "drone.h"
#include "pitch.h"
#include "sorvelmainform.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <chrono>

namespace sorvel {
namespace {

constexpr int rowHeight = 26;
constexpr int top = 34;
constexpr int pulseLeft = 300;
constexpr int pulseWidth = 60;

} // namespace

TBeatsForm::TBeatsForm(TSorvelMainForm& form)
    : QWidget(&form,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      form_(form) {
    setObjectName(QStringLiteral("BeatsForm"));
    setWindowTitle(QStringLiteral("Beats"));
    // Opening it leaves the keyboard with the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMinimumSize(460, 160);
    resize(460, 240);
    RefreshTimer = new QTimer(this);
    RefreshTimer->setInterval(16);
    RefreshTimer->setTimerType(Qt::PreciseTimer);
    connect(RefreshTimer, &QTimer::timeout, this, &TBeatsForm::refresh);
}

void TBeatsForm::showEvent(QShowEvent* e) {
    refresh();
    RefreshTimer->start();
    QWidget::showEvent(e);
}

void TBeatsForm::hideEvent(QHideEvent* e) {
    RefreshTimer->stop();
    QWidget::hideEvent(e);
}

void TBeatsForm::setRevealed(bool revealed) {
    revealed_ = revealed;
    refresh();
}

QRect TBeatsForm::pulseRect(int i) const {
    return {pulseLeft, top + i * rowHeight + 3, pulseWidth, rowHeight - 6};
}

void TBeatsForm::refresh() {
    lines_.clear();
    sample_.reset();
    notesSounding_ = false;
    const Synthesizer* synth = form_.synthesizer.get();
    // Only what sounds: while the sound is off the window is empty.
    if (synth == nullptr || !form_.Timer1->isActive()) {
        update();
        return;
    }
    // The notes that sound, and the drone under them: a tone the player tunes against too.
    struct Part {
        std::string name;
        double sounding = 0.0, correct = 0.0;
        bool drone = false;
        double gainDb = 0.0;
    };
    std::vector<Part> parts;
    std::vector<const CNote*> notes;
    for (const CNote* n : synth->soundingNotes)
        if (n != nullptr && std::find(notes.begin(), notes.end(), n) == notes.end()) {
            notes.push_back(n);
            const auto s = static_cast<std::size_t>(n->system);
            parts.push_back({noteName(n->octave, n->letter, n->accidental), n->soundingFrequency,
                             s < n->systemFrequencies.size() ? n->systemFrequencies[s]
                                                             : n->soundingFrequency});
        }
    notesSounding_ = !notes.empty();
    if (const auto drone = synth->droneFrequency(); drone && form_.exercise)
        parts.push_back({droneNoteName(*form_.exercise) + " drone", *drone, *drone, true,
                         20.0 * std::log10(std::max(form_.droneLevel(), 1e-6f))});
    std::vector<double> sounding, correct, gains;
    for (const Part& part : parts) {
        sounding.push_back(part.sounding);
        correct.push_back(part.correct);
        gains.push_back(part.gainDb);
    }
    const vecf& levels = synth->instrument().heldLevels();
    const auto rows =
        beatRows(sounding, {levels.data(), levels.size()}, Synthesizer::sampleRate / 2, gains);
    const bool showCorrect = revealed_ || !exerciseMade.gradingEnabled;

    // The voices at the sample heard now: a note's voice plays at the note's frequency.
    Synthesizer::SoundingAt heard;
    bool known = false;
    if (form_.device) {
        const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
        sample_ = form_.device->heardSample(now);
        known = sample_ && synth->voicesAt(*sample_, heard);
    }
    auto phaseOf = [&](const Part& part) -> std::optional<double> {
        if (known && part.drone && heard.drone.frequency == part.sounding)
            return heard.drone.phase;
        for (int v = 0; known && !part.drone && v < heard.count; ++v)
            if (heard.voices[static_cast<std::size_t>(v)].frequency == part.sounding)
                return heard.voices[static_cast<std::size_t>(v)].phase;
        return std::nullopt;
    };
    for (const BeatRow& r : rows) {
        const Part& lo = parts[static_cast<std::size_t>(r.low)];
        const Part& hi = parts[static_cast<std::size_t>(r.high)];
        Line line{r, lo.name, hi.name, {}, {}};
        if (showCorrect)
            line.correctRate = beatRateAt(r, correct);
        const auto pl = phaseOf(lo);
        const auto ph = phaseOf(hi);
        if (pl && ph)
            line.brightness = beatBrightness(r, *pl, *ph);
        lines_.push_back(std::move(line));
    }
    update();
}

void TBeatsForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().windowText().color());
    const int columns[] = {10, 135, 180, 245, pulseLeft, pulseLeft + pulseWidth + 12};
    const char* headings[] = {"Notes", "m:n", "Beats", "Level", "Pulse", "Correct"};
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    for (int c = 0; c < 6; ++c)
        if (c < 5 || revealed_ || !exerciseMade.gradingEnabled)
            p.drawText(QRect(columns[c], 8, 120, 20), Qt::AlignLeft | Qt::AlignVCenter,
                       QString::fromLatin1(headings[c]));
    p.setFont(font());
    if (lines_.empty()) {
        const QString hint =
            notesSounding_  ? QStringLiteral("No two notes sound harmonics within 20 Hz.")
            : form_.droneOn ? QStringLiteral("Rest the mouse on a note to see its beats with the "
                                             "drone.")
                            : QStringLiteral("Rest the mouse on a chord or interval to see its "
                                             "beats.");
        p.drawText(QRect(10, top, width() - 20, 2 * rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   hint);
        return;
    }
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        const Line& l = lines_[static_cast<std::size_t>(i)];
        const int y = top + i * rowHeight;
        if (y + rowHeight > height())
            break;
        auto cell = [&](int c, const QString& text) {
            p.drawText(QRect(columns[c], y, columns[c + 1 < 6 ? c + 1 : c] - columns[c] + 80,
                             rowHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, text);
        };
        cell(0, QString::fromStdString(l.low + " \u2013 " + l.high));
        cell(1, QStringLiteral("%1:%2").arg(l.row.m).arg(l.row.n));
        cell(2, QStringLiteral("%1 Hz").arg(l.row.rate, 0, 'f', 2));
        cell(3, QStringLiteral("%1 dB").arg(l.row.audibility, 0, 'f', 0));
        // The pulse: from dark (the harmonics cancel) to bright (they add), in the staff's blue.
        const double b = l.brightness.value_or(0.0);
        const QColor colour = l.brightness
                                  ? QColor::fromRgbF(float(0.1 + 0.9 * b), float(0.1 + 0.9 * b),
                                                     float(0.2 + 0.8 * b))
                                  : QColor(128, 128, 128);
        p.fillRect(pulseRect(i), colour);
        p.drawRect(pulseRect(i).adjusted(0, 0, -1, -1));
        if (l.correctRate)
            cell(5, QStringLiteral("%1 Hz").arg(*l.correctRate, 0, 'f', 2));
    }
}

} // namespace sorvel
