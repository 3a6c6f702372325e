// SPDX-License-Identifier: GPL-3.0-or-later
// The "Beats" tool window: for the sonority that sounds, each pair of its notes (and of a note
// and the drone, while it is on) with the harmonics that beat, the rate, how audible it is, and
// a pulse that brightens and darkens with the beat, in phase with what is heard (from the synthesizer's own phases at the sample the
// device plays now). After Reveal Errors, and in Compare Tuning Systems, each row also gives the
// rate of the correct tuning. It only shows what the beats functions compute.
//
//   auto* beats = new sorvel::TBeatsForm(mainForm);   // hidden; View > Beats shows it
#pragma once

#include "beats.h"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace sorvel {

class TSorvelMainForm;

class TBeatsForm : public QWidget {
    Q_OBJECT
public:
    explicit TBeatsForm(TSorvelMainForm& form);

    // One row as shown.
    struct Line {
        BeatRow row;
        std::string low, high;             // note names; the drone's is "A2 drone"
        std::optional<double> correctRate; // after Reveal Errors and in compare mode
        std::optional<double> brightness;  // none while the voices are not known
    };
    const std::vector<Line>& lines() const { return lines_; }
    // The output sample the pulses were drawn for (none while nothing plays).
    std::optional<std::int64_t> shownSample() const { return sample_; }
    // Where row i's pulse is painted.
    QRect pulseRect(int i) const;
    // Reads the sound anew and repaints; the timer calls it about 60 times a second.
    void refresh();
    // Whether the correct tuning's rates are shown (set by Reveal Errors, cleared by a new
    // exercise or Start Over).
    void setRevealed(bool revealed);

    QTimer* RefreshTimer = nullptr;

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    TSorvelMainForm& form_;
    std::vector<Line> lines_;
    std::optional<std::int64_t> sample_;
    bool notesSounding_ = false; // a sonority is hovered (the drone alone has no beats)
    bool revealed_ = false;
};

} // namespace sorvel
