// SPDX-License-Identifier: GPL-3.0-or-later
#include "threshold.h"

#include "answering.h"
#include "pitch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace sorvel {

namespace {

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Cents to the precision a musician reads: 0.31, 4.2, 15.
std::string centsWords(double cents) {
    return format(cents < 1.0 ? "%.2f" : cents < 10.0 ? "%.1f" : "%.0f", cents);
}

std::string ordinal(int n) {
    const int lastTwo = n % 100;
    const char* suffix = lastTwo >= 11 && lastTwo <= 13 ? "th"
                         : n % 10 == 1                  ? "st"
                         : n % 10 == 2                  ? "nd"
                         : n % 10 == 3                  ? "rd"
                                                        : "th";
    return std::to_string(n) + suffix;
}

std::string nameOf(const CNote& n) {
    return noteName(n.octave, n.letter, n.accidental);
}

// Just ratios (upper : lower) of the intervals within an octave, by semitones.
struct Ratio {
    int upper;
    int lower;
};
constexpr std::array<Ratio, 12> justRatios = {{{1, 1},
                                               {16, 15},
                                               {9, 8},
                                               {6, 5},
                                               {5, 4},
                                               {4, 3},
                                               {45, 32},
                                               {3, 2},
                                               {8, 5},
                                               {5, 3},
                                               {9, 5},
                                               {15, 8}}};

} // namespace

// ---- Staircase ------------------------------------------------------------------------------

Staircase::Staircase() : logCents_(std::log(startCents)), logStep_(std::log(firstFactor)) {}

double Staircase::nextCents() const {
    return std::exp(logCents_);
}

bool Staircase::finished() const {
    return reversals_ >= reversalsToEnd || static_cast<int>(trials_.size()) >= maxTrials;
}

void Staircase::answer(bool right) {
    if (finished())
        return;
    StaircaseTrial trial{nextCents(), right, false};
    int move = 0;
    if (right) {
        if (++rightRun_ == rightToStepDown) {
            move = -1;
            rightRun_ = 0;
        }
    } else {
        rightRun_ = 0;
        move = 1;
    }
    if (move != 0) {
        if (direction_ != 0 && move != direction_) {
            trial.reversal = true;
            ++reversals_;
            logStep_ = std::max(logStep_ / 2.0, std::log(finalFactor));
        }
        // A move the bounds stop still counts as a direction: at the ceiling, the next three
        // right answers turn the track.
        direction_ = move;
        logCents_ =
            std::clamp(logCents_ + move * logStep_, std::log(lowestCents), std::log(highestCents));
    }
    trials_.push_back(trial);
}

ThresholdEstimate Staircase::estimate() const {
    ThresholdEstimate e;
    e.trials = static_cast<int>(trials_.size());
    e.complete = reversals_ >= reversalsToEnd;
    if (!trials_.empty())
        e.rightShare = static_cast<double>(std::count_if(trials_.begin(), trials_.end(),
                                                         [](const auto& t) { return t.right; })) /
                       static_cast<double>(trials_.size());
    std::vector<double> logs;
    for (auto it = trials_.rbegin();
         it != trials_.rend() && static_cast<int>(logs.size()) < reversalsAveraged; ++it)
        if (it->reversal)
            logs.push_back(std::log(it->cents));
    e.reversalsUsed = static_cast<int>(logs.size());
    if (logs.empty()) {
        e.cents = nextCents();
        return e;
    }
    const double n = static_cast<double>(logs.size());
    const double mean = std::accumulate(logs.begin(), logs.end(), 0.0) / n;
    double squares = 0;
    for (double l : logs)
        squares += (l - mean) * (l - mean);
    e.cents = std::exp(mean);
    e.spread = logs.size() > 1 ? std::exp(std::sqrt(squares / (n - 1.0))) : 1.0;
    return e;
}

// ---- The trial ------------------------------------------------------------------------------

ExerciseRequest thresholdRequest(ExerciseRequest page, int type) {
    if (page.category == ExerciseCategory::intervals && type >= 0 && type < 12) {
        page.intervalBoxes.fill(false);
        page.intervalBoxes[static_cast<std::size_t>(type)] = true;
    } else if (page.category == ExerciseCategory::chords && type >= 0 && type < 11) {
        page.chordBoxes.fill(false);
        page.chordBoxes[static_cast<std::size_t>(type)] = true;
    }
    page.task = ExerciseTask::identify;
    page.difficulty = 0; // one mistuned note in every interval and chord
    return page;
}

ThresholdTrial makeThresholdTrial(const ExerciseRequest& request, double cents,
                                  CGenerateChord& generator, const IndexDraw& draw) {
    ThresholdTrial trial;
    trial.cents = cents;
    trial.made = makeNewExercise(request, generator);
    NewExercise& made = trial.made;
    const int copies = made.referenceCopy ? 2 : 1;
    const int perCopy = made.oneColumn ? 1 : made.noteCount;
    auto& columns = made.exerciseTemplate.columns;

    // New Exercise mistuned by whole retuning steps; the test asks for exactly d.
    std::vector<CNote*> free;
    for (int c = perCopy * (copies - 1); c < perCopy * copies; ++c)
        for (CNote& n : columns[static_cast<std::size_t>(c)].notes) {
            n.soundingFrequency = correctFrequency(n);
            if (!n.locked)
                free.push_back(&n);
        }
    if (!free.empty()) {
        CNote* chosen = free[static_cast<std::size_t>(draw(static_cast<int>(free.size())))];
        trial.sign = 2 * draw(2) - 1;
        chosen->soundingFrequency *= centsFactor(trial.sign * cents);
        for (int c = perCopy * (copies - 1); c < perCopy * copies; ++c)
            for (CNote& n : columns[static_cast<std::size_t>(c)].notes) {
                if (&n == chosen)
                    trial.mistuned = trial.tested.size();
                trial.tested.push_back(n);
            }
    }
    made.mistunedCount = free.empty() ? 0 : 1;
    made.gradingEnabled = false; // the answer is Flat or Sharp, in the test's window
    made.task = 0;               // no marks, no retuning: clicks only select
    return trial;
}

// ---- Beats ----------------------------------------------------------------------------------

BeatEstimate estimateBeats(const std::vector<CNote>& notes, std::size_t mistuned, double cents) {
    BeatEstimate best;
    if (mistuned >= notes.size())
        return best;
    const CNote& m = notes[mistuned];
    const double f = correctFrequency(m);
    const double shift = centsFactor(cents) - 1.0;
    best.beatsPerSecond = f * shift;
    int bestSum = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (i == mistuned)
            continue;
        const int upperIsMistuned = m.pitchNumber() >= notes[i].pitchNumber();
        const int span = std::abs(m.pitchNumber() - notes[i].pitchNumber());
        Ratio r = justRatios[static_cast<std::size_t>(span % 12)];
        for (int o = 0; o < span / 12; ++o)
            r.upper *= 2;
        const int g = std::gcd(r.upper, r.lower);
        r.upper /= g;
        r.lower /= g;
        // upper/lower = a/b: partial b of the upper note meets partial a of the lower one.
        const int mine = upperIsMistuned ? r.lower : r.upper;
        const int theirs = upperIsMistuned ? r.upper : r.lower;
        if (best.partner < 0 || r.upper + r.lower < bestSum) {
            bestSum = r.upper + r.lower;
            best.partner = static_cast<int>(i);
            best.partial = mine;
            best.partnerPartial = theirs;
            best.beatsPerSecond = mine * f * shift;
        }
    }
    return best;
}

std::string beatsText(const ThresholdTrial& trial, double cents) {
    if (trial.tested.empty())
        return {};
    const BeatEstimate b = estimateBeats(trial.tested, trial.mistuned, cents);
    const CNote& m = trial.tested[trial.mistuned];
    const std::string rate = format("%.1f", b.beatsPerSecond);
    if (b.partner < 0)
        return "At " + nameOf(m) + ", " + centsWords(cents) + " cents is " +
               format("%.2f", b.beatsPerSecond) +
               " Hz: sounding with its in-tune copy it would beat " + rate + " times a second.";
    std::string chord;
    for (const CNote& n : trial.tested)
        chord += (chord.empty() ? "" : "-") + nameOf(n);
    const CNote& partner = trial.tested[static_cast<std::size_t>(b.partner)];
    std::string text = "At " + chord + ", " + centsWords(cents) + " cents on " + nameOf(m) +
                       " changes the beating of its " + ordinal(b.partial) +
                       " partial against the " + ordinal(b.partnerPartial) + " of " +
                       nameOf(partner) + " by " + rate + " a second.";
    // Partials this high are weak in most instruments: the ear hears roughness, not beats.
    if (std::max(b.partial, b.partnerPartial) > 10)
        text += " Partials this high barely beat audibly.";
    return text;
}

std::string thresholdSummaryText(const ThresholdEstimate& e, const ThresholdTrial& trial) {
    std::string text;
    if (e.reversalsUsed == 0)
        text = e.cents <= Staircase::lowestCents * 1.001
                   ? "Threshold: at or below " + centsWords(e.cents) +
                         " cents, the finest the test offers."
                   : "No threshold: the track never turned (it ended at " + centsWords(e.cents) +
                         " cents).";
    else
        text = "Threshold: " + centsWords(e.cents) + " cents (spread x" + format("%.2f", e.spread) +
               ", from " + std::to_string(e.reversalsUsed) + " reversals).";
    if (e.cents >= Staircase::highestCents / Staircase::finalFactor)
        text += " That is near the largest mistuning the test plays: the direction was not heard.";
    text += " Right: " + format("%.0f", 100.0 * e.rightShare) + " % of " +
            std::to_string(e.trials) + " trials.";
    if (!e.complete)
        text += " The test ended before its " + std::to_string(Staircase::reversalsToEnd) +
                " reversals; take the figure as rough.";
    const std::string beats = beatsText(trial, e.cents);
    if (!beats.empty())
        text += " " + beats;
    return text;
}

std::string trackText(const std::vector<StaircaseTrial>& trials) {
    std::string text;
    for (const StaircaseTrial& t : trials) {
        if (!text.empty())
            text += ' ';
        text += format("%.3g", t.cents) + (t.right ? "+" : "-") + (t.reversal ? "R" : "");
    }
    return text;
}

// ---- Plot -----------------------------------------------------------------------------------

PlotGeometry thresholdPlot(const std::vector<StaircaseTrial>& trials, double width, double height) {
    PlotGeometry g;
    g.left = 44;
    g.top = 10;
    g.right = std::max(g.left + 10, width - 12);
    g.bottom = std::max(g.top + 10, height - 40); // two lines of legend below
    // The axis grows in steps of 20 trials up to the limit, so that points do not jump each time.
    const int n = static_cast<int>(trials.size());
    g.trialsShown = std::min(Staircase::maxTrials, std::max(20, (n + 19) / 20 * 20));
    const double low = std::log(Staircase::lowestCents);
    const double high = std::log(Staircase::highestCents);
    const auto yOf = [&](double cents) {
        return g.bottom - (g.bottom - g.top) * (std::log(cents) - low) / (high - low);
    };
    const auto xOf = [&](int i) {
        return g.left + (g.right - g.left) * i / std::max(1, g.trialsShown - 1);
    };
    for (double c : {0.25, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 60.0})
        g.ticks.push_back({c, yOf(c)});
    for (int i = 0; i < n; ++i) {
        const StaircaseTrial& t = trials[static_cast<std::size_t>(i)];
        g.points.push_back({xOf(i), yOf(t.cents), t.right, t.reversal});
    }
    return g;
}

} // namespace sorvel
