// SPDX-License-Identifier: GPL-3.0-or-later
// The Beats window over the real main window, with SDL's disk driver recording what is played:
// for a mistuned fifth and third the rate shown is the beat measured in the recording, and the
// pulse drawn brightens and darkens with the recording's envelope.
#include "beatsform.h"
#include "layout.h"
#include "mainmenu.h"
#include "qtenvironment.h"
#include "recording.h"
#include "sorvelmainform.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <unistd.h>

namespace sorvel {
namespace {

const auto* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment("beats_window_tests"));

constexpr double rate = 22050.0;

// The least-squares phase theta of y ~ a + r cos(w t + theta).
double phaseOf(const std::vector<double>& t, const std::vector<double>& y, double w) {
    // Normal equations of y = a + b cos + c sin, solved by Cramer's rule.
    double m[3][3] = {}, v[3] = {};
    for (std::size_t i = 0; i < t.size(); ++i) {
        const double f[3] = {1.0, std::cos(w * t[i]), std::sin(w * t[i])};
        for (int r = 0; r < 3; ++r) {
            v[r] += f[r] * y[i];
            for (int c = 0; c < 3; ++c)
                m[r][c] += f[r] * f[c];
        }
    }
    auto det = [](double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    double coefficient[3];
    for (int k = 0; k < 3; ++k) {
        double a[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                a[r][c] = c == k ? v[r] : m[r][c];
        coefficient[k] = det(a) / det(m);
    }
    return std::atan2(-coefficient[2], coefficient[1]);
}

class BeatsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        recording_ = (std::filesystem::temp_directory_path() /
                      ("sorvel-" + std::string(info->name()) + "-" + std::to_string(getpid()) +
                       ".raw"))
                         .string();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", recording_.c_str(), 1);
        form = createMainWindow();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override {
        form.reset();
        std::filesystem::remove(recording_);
    }

    std::unique_ptr<TSorvelMainForm> form;
    std::string recording_;
};

// Samples row `index` of `beats` as drawn for two seconds, then checks its rate against the beat
// measured in the recording at `band` Hz (from `before`, where the sound began) and its pulse
// against the phase of that beat. Returns the row.
TBeatsForm::Line checkRow(const std::string& recording, std::size_t before, TBeatsForm& beats,
                          std::size_t rows, std::size_t index, double band) {
    QTest::qWait(1500); // through the attack

    // The pulse as drawn, and the output sample it was drawn for.
    std::vector<double> drawnAt, drawn;
    for (int k = 0; k < 200; ++k) {
        QTest::qWait(23);
        beats.refresh();
        EXPECT_EQ(beats.lines().size(), rows);
        if (beats.lines().size() != rows || !beats.shownSample() ||
            !beats.lines()[index].brightness)
            continue;
        const QImage image = beats.grab(beats.pulseRect(int(index))).toImage();
        const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
        drawnAt.push_back(double(*beats.shownSample()));
        drawn.push_back((c.redF() - 0.1) / 0.9);
    }
    EXPECT_GT(drawn.size(), 100u) << "the pulse was drawn from the sound's phases";
    if (beats.lines().size() != rows || drawn.size() <= 100u)
        return {};
    const TBeatsForm::Line line = beats.lines()[index];
    QTest::qWait(1000); // what was drawn last reaches the recording

    // The recording from the first sound on: output sample 0 is its first non-zero sample.
    const std::vector<std::int16_t> all = testing::readRecording(recording);
    std::size_t first = before;
    while (first < all.size() && all[first] == 0)
        ++first;
    EXPECT_LT(first + 22050, all.size());
    // The envelope of the band where the two harmonics meet, 1024-sample windows 256 apart.
    std::vector<double> at, envelope;
    for (std::size_t s = first + 33075; s + 1024 <= all.size(); s += 256) {
        at.push_back(double(s + 512 - first));
        envelope.push_back(testing::spectrumAt(
            std::span<const std::int16_t>(all).subspan(s, 1024), band, rate));
    }
    EXPECT_GT(at.size(), 300u);
    // The beat: the strongest periodicity of the envelope near the rate shown.
    double mean = 0;
    for (double e : envelope)
        mean += e / double(envelope.size());
    auto strength = [&](double f) {
        std::complex<double> sum = 0;
        for (std::size_t i = 0; i < at.size(); ++i)
            sum += (envelope[i] - mean) * std::polar(1.0, -2 * std::numbers::pi * f * at[i] / rate);
        return std::abs(sum);
    };
    double measured = line.row.rate, step = 0.05;
    for (int pass = 0; pass < 4; ++pass, step /= 10) {
        double best = measured, bestValue = -1;
        for (double f = measured - 20 * step; f <= measured + 20 * step; f += step)
            if (const double s = strength(f); s > bestValue) {
                bestValue = s;
                best = f;
            }
        measured = best;
    }
    EXPECT_NEAR(line.row.rate, measured, 0.01) << "shown " << line.row.rate;

    // In phase: the envelope's phase and the drawn pulse's at the measured rate.
    const double w = 2 * std::numbers::pi * measured / rate;
    const double heard = phaseOf(at, envelope, w);
    const double shown = phaseOf(drawnAt, drawn, w);
    const double apart = std::remainder(heard - shown, 2 * std::numbers::pi) * 180 / std::numbers::pi;
    EXPECT_LE(std::abs(apart), 30.0);
    std::printf("%s - %s %d:%d shown %.4f Hz, measured %.4f Hz; pulse %.1f degrees from the "
                "envelope\n",
                line.low.c_str(), line.high.c_str(), line.row.m, line.row.n, line.row.rate,
                measured, apart);
    return line;
}

// Puts white notes on the staff, one column, each sounding at its own sounding frequency;
// returns the last.
CNote* showColumn(TSorvelMainForm& form, const std::vector<CNote>& notes) {
    CTwoStaffChord columns;
    columns.columns.emplace_back();
    columns.columns[0].notes = notes;
    form.exercise = std::make_unique<CMusic>(buildMusic(columns));
    CNote* target = nullptr;
    for (CStaff& staff : form.exercise->staves)
        for (CChord& chord : staff.chords)
            for (CNote& note : chord.notes) {
                note.locked = 1;
                target = &note;
            }
    form.rebuildScore();
    return target;
}

void moveTo(TSorvelMainForm& form, double x, double y) {
    QMouseEvent move(QEvent::MouseMove, QPointF(x, y), form.Score->mapToGlobal(QPointF(x, y)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.Score, &move);
}

// Hovers a two-note sonority (white notes at the given frequencies) with the Beats window open
// and checks the rate and the pulse against what was recorded.
void checkBeats(const std::string& recording, TSorvelMainForm& form, int lowLetter, int lowOctave,
                double lowF, int highLetter, double highF, int m, int n) {
    std::vector<CNote> notes;
    notes.emplace_back(lowOctave, lowLetter, 0, std::vector<double>(5, lowF), 0);
    notes.emplace_back(4, highLetter, 0, std::vector<double>(5, highF), 0);
    notes[0].soundingFrequency = lowF;
    notes[1].soundingFrequency = highF;
    const CNote* target = showColumn(form, notes);
    form.Menu->BeatsAction->trigger();
    TBeatsForm* beats = form.beatsForm();
    ASSERT_TRUE(beats->isVisible());
    EXPECT_TRUE(beats->RefreshTimer->isActive());

    const std::size_t before = testing::readRecording(recording).size();
    moveTo(form, target->centre[0], target->centre[1]);
    ASSERT_TRUE(form.Timer1->isActive());
    const TBeatsForm::Line line = checkRow(recording, before, *beats, 1, 0, m * lowF);
    EXPECT_EQ(line.row.m, m);
    EXPECT_EQ(line.row.n, n);

    // Off the staff the sound stops, and the window empties.
    moveTo(form, target->centre[0], 235);
    beats->refresh();
    EXPECT_TRUE(beats->lines().empty());
    EXPECT_FALSE(beats->shownSample());
    QTest::qWait(600); // the faded tail, then silence, reaches the recording
}

TEST_F(BeatsWindow, rates_and_pulses_follow_a_mistuned_fifth_and_third) {
    // A3 and a pure fifth 4 cents sharp: 1.53 Hz at 3:2; C4 and a just third 10 cents sharp:
    // 7.57 Hz at 5:4.
    checkBeats(recording_, *form, 5, 3, 220.0, 2, 330.0 * std::pow(2.0, 4 / 1200.0), 3, 2);
    const double c4 = 261.6256;
    checkBeats(recording_, *form, 0, 4, c4, 2, 1.25 * c4 * std::pow(2.0, 10 / 1200.0), 5, 4);
}

} // namespace
} // namespace sorvel

namespace sorvel {
namespace {

TEST_F(BeatsWindow, a_note_against_the_drone_has_its_row_its_rate_and_its_pulse) {
    // A3 20 cents sharp over the drone an octave lower, A2 at 110 Hz: the drone's second
    // harmonic against the note's first, 220 (2^(20/1200) - 1) = 2.5563 Hz.
    std::vector<CNote> a3;
    a3.emplace_back(3, 5, 0, std::vector<double>(5, 220.0), 0);
    a3[0].soundingFrequency = 220.0 * std::pow(2.0, 20 / 1200.0);
    const CNote* target = showColumn(*form, a3);
    form->Menu->BeatsAction->trigger();
    TBeatsForm* beats = form->beatsForm();
    const std::size_t before = testing::readRecording(recording_).size();
    form->setDrone(true);
    moveTo(*form, target->centre[0], target->centre[1]);
    const TBeatsForm::Line line = checkRow(recording_, before, *beats, 1, 0, 220.0);
    EXPECT_EQ(line.low, "A2 drone");
    EXPECT_EQ(line.high, "A3");
    EXPECT_EQ(line.row.m, 2);
    EXPECT_EQ(line.row.n, 1);
    EXPECT_NEAR(line.row.rate, 220.0 * (std::pow(2.0, 20 / 1200.0) - 1), 1e-6);

    // The drone alone beats with nothing; turned off, it leaves the window empty.
    moveTo(*form, target->centre[0], 235);
    beats->refresh();
    EXPECT_TRUE(beats->lines().empty());
    EXPECT_TRUE(beats->shownSample()) << "the drone still sounds";
    form->setDrone(false);
    QTest::qWait(600);
    beats->refresh();
    EXPECT_TRUE(beats->lines().empty());
}

} // namespace
} // namespace sorvel
