// SPDX-License-Identifier: GPL-3.0-or-later
// The threshold test without widgets: a 3-down/1-up staircase on a log scale that says how far
// the next trial is mistuned and when the test ends, the trial's exercise (a New Exercise of one
// type with exactly one tested note off by d cents), what a threshold means in beats, and the
// geometry of the plot of d per trial.
//
//   sorvel::Staircase stairs;
//   while (!stairs.finished()) {
//       sorvel::ThresholdTrial trial = sorvel::makeThresholdTrial(request, stairs.nextCents(),
//                                                                 generator);
//       stairs.answer(musicianSaidSharp == (trial.sign > 0));
//   }
//   sorvel::ThresholdEstimate e = stairs.estimate();   // e.cents, e.spread
#pragma once

#include "newexercise.h"
#include "options.h"

#include <string>
#include <vector>

namespace sorvel {

struct StaircaseTrial {
    double cents = 0;      // how far the tested note was off
    bool right = false;    // the musician named its direction
    bool reversal = false; // this answer turned the track around
};

struct ThresholdEstimate {
    double cents = 0;      // geometric mean of d at the last reversals (or where d ended)
    double spread = 1;     // exp of the standard deviation of their logs: a factor >= 1
    int reversalsUsed = 0; // 0 when the test had no reversal at all
    double rightShare = 0; // right answers over all trials, 0..1
    int trials = 0;
    bool complete = false; // ended by its reversals, not by the trial limit or a stop
};

// Transformed up-down staircase (3-down/1-up): three right answers in a row make
// d smaller, one wrong answer makes it larger, which settles where 79.4 % of answers are right
// (0.794^3 = 0.5). Steps are factors on d: 2 at first, halved (in log) at each reversal down to
// 1.25, so the start at 30 cents is left quickly and the end is measured finely.
class Staircase {
public:
    static constexpr double startCents = 30.0;
    static constexpr double lowestCents = 0.25;
    static constexpr double highestCents = 60.0;
    static constexpr double firstFactor = 2.0;
    static constexpr double finalFactor = 1.25;
    static constexpr int rightToStepDown = 3;
    static constexpr int reversalsToEnd = 10;
    static constexpr int maxTrials = 80;
    static constexpr int reversalsAveraged = 6;
    static constexpr double targetShare = 0.794;

    Staircase();
    // The mistuning of the next trial, in cents.
    double nextCents() const;
    // Takes the answer to the trial at nextCents(); ignored once the test has finished.
    void answer(bool right);
    bool finished() const;
    const std::vector<StaircaseTrial>& trials() const { return trials_; }
    int reversals() const { return reversals_; }
    // The threshold from the trials so far: the last six reversals, or as many as there are;
    // with none, where d stands (a listener always right ends at the floor).
    ThresholdEstimate estimate() const;

private:
    double logCents_;
    double logStep_;
    int rightRun_ = 0;
    int direction_ = 0; // -1 the last move was down, +1 up, 0 none yet
    int reversals_ = 0;
    std::vector<StaircaseTrial> trials_;
};

// The option page as the threshold test asks it: only box `type` of the page ticked (an
// interval or chord box; ignored for single notes), the identify task at the easiest level, so
// that New Exercise mistunes one note; the page's other choices stay the musician's.
ExerciseRequest thresholdRequest(ExerciseRequest page, int type);

struct ThresholdTrial {
    NewExercise made;          // the exercise to show; grading and Start Over off
    std::vector<CNote> tested; // the tested sonority's notes, low to high as generated
    std::size_t mistuned = 0;  // index into `tested`
    int sign = 1;              // -1 flat, +1 sharp
    double cents = 0;
};

// A New Exercise of `request` in which exactly one tested note (never a white one) sounds
// `cents` away from its correct pitch in the current system; the others are in tune. The
// note and the direction are drawn with `draw`, after the exercise's own draws.
ThresholdTrial makeThresholdTrial(const ExerciseRequest& request, double cents,
                                  CGenerateChord& generator, const IndexDraw& draw);

// How a mistuning of `cents` on note `mistuned` of `notes` shows as beats: against the other
// note whose just ratio to it has the lowest partials, the rate of beating of those partials
// changes by `beatsPerSecond`. A single note is compared with its in-tune copy (partial 1).
struct BeatEstimate {
    int partner = -1; // index into notes; -1 for a single note
    int partial = 1;  // partial of the mistuned note that meets the partner's
    int partnerPartial = 1;
    double beatsPerSecond = 0;
};
BeatEstimate estimateBeats(const std::vector<CNote>& notes, std::size_t mistuned, double cents);

// The result in words for the window and the record: the threshold with its spread, the rate
// right and the beats at the sonority of `trial`.
std::string thresholdSummaryText(const ThresholdEstimate& e, const ThresholdTrial& trial);
// The beats part alone: "At C4-E4, 6.1 cents on E4 changes the beating of its 4th partial
// against the 5th of C4 by 4.6 a second."
std::string beatsText(const ThresholdTrial& trial, double cents);
// The trials as text: "30+ 30+ 30+ 15-R ...": d, + right or - wrong, R a reversal.
std::string trackText(const std::vector<StaircaseTrial>& trials);

// The plot of d per trial in a box of `width` x `height` pixels: trials left to right, d on a
// log scale from the floor (bottom) to the ceiling (top).
struct PlotPoint {
    double x = 0;
    double y = 0;
    bool right = false;
    bool reversal = false;
};
struct PlotTick {
    double cents = 0;
    double y = 0;
};
struct PlotGeometry {
    double left = 0, top = 0, right = 0, bottom = 0; // the plotting area
    int trialsShown = 0;                             // the x axis runs 1 .. trialsShown
    std::vector<PlotPoint> points;
    std::vector<PlotTick> ticks;
};
PlotGeometry thresholdPlot(const std::vector<StaircaseTrial>& trials, double width, double height);

} // namespace sorvel
