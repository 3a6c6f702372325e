// SPDX-License-Identifier: GPL-3.0-or-later
// The threshold staircase against simulated listeners whose threshold is known, and the trial
// exercise: exactly one tested note off by exactly d, flat and sharp alike.
#include "threshold.h"

#include "pitch.h"
#include "sessionrecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace sorvel {
namespace {

// A listener whose chance of naming the direction is a cumulative normal in log cents (slope
// sigma in natural-log units) rising from chance (50 %) to 98 % (a 2 % lapse rate), placed so
// that 79.4 % of answers are right at T cents.
struct Listener {
    double threshold;
    double sigma = 0.5;
    double lapse = 0.02;
    double right(double cents) const {
        // z of the 79.4 % point: Phi(z) = (0.794 - 0.5) / (0.98 - 0.5) = 0.6125 -> z = 0.28584.
        const double mu = std::log(threshold) - 0.28584 * sigma;
        const double phi = 0.5 * std::erfc(-(std::log(cents) - mu) / (sigma * std::sqrt(2.0)));
        return 0.5 + (0.5 - lapse) * phi;
    }
};

// Runs one test to its end; checks the bounds of every trial on the way.
template <class Answer> ThresholdEstimate runTest(Answer answer) {
    Staircase stairs;
    while (!stairs.finished()) {
        const double d = stairs.nextCents();
        EXPECT_GE(d, Staircase::lowestCents * (1 - 1e-12));
        EXPECT_LE(d, Staircase::highestCents * (1 + 1e-12));
        stairs.answer(answer(d));
    }
    EXPECT_LE(stairs.trials().size(), 80u);
    return stairs.estimate();
}

TEST(Staircase, simulated_listeners_get_their_threshold) {
    for (const double t : {1.0, 4.0, 15.0}) {
        SCOPED_TRACE(t);
        std::mt19937 rng(static_cast<std::uint32_t>(1000 * t));
        std::uniform_real_distribution<double> u(0.0, 1.0);
        const Listener listener{t};
        std::vector<double> estimates;
        for (int test = 0; test < 200; ++test)
            estimates.push_back(
                runTest([&](double d) { return u(rng) < listener.right(d); }).cents);
        std::sort(estimates.begin(), estimates.end());
        const double median = (estimates[99] + estimates[100]) / 2.0;
        EXPECT_NEAR(median / t, 1.0, 0.15);
        const auto within = std::count_if(estimates.begin(), estimates.end(),
                                          [t](double e) { return e / t < 1.6 && t / e < 1.6; });
        EXPECT_GE(within, 180);
    }
}

TEST(Staircase, always_right_reaches_the_floor_and_random_stays_near_the_ceiling) {
    const ThresholdEstimate right = runTest([](double) { return true; });
    EXPECT_DOUBLE_EQ(right.cents, Staircase::lowestCents);
    EXPECT_EQ(right.reversalsUsed, 0);
    EXPECT_EQ(right.trials, 80);
    EXPECT_DOUBLE_EQ(right.rightShare, 1.0);

    std::mt19937 rng(77);
    std::vector<double> estimates;
    for (int test = 0; test < 200; ++test)
        estimates.push_back(runTest([&](double) { return rng() % 2 == 0; }).cents);
    std::sort(estimates.begin(), estimates.end());
    // Within a factor 1.6 of the ceiling nine times in ten, and never down among real thresholds.
    EXPECT_GT(estimates[20], Staircase::highestCents / 1.6);
    EXPECT_GT(estimates.front(), 20.0);
}

// The first trials by hand: 30 cents three times, then 15 (a factor 2); a wrong answer there
// turns the track up by the halved step (15 x sqrt 2), and the next turn steps by 1.25.
TEST(Staircase, steps_and_reversals) {
    Staircase s;
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(s.nextCents(), 30.0);
        s.answer(true);
    }
    EXPECT_NEAR(s.nextCents(), 15.0, 1e-9);
    s.answer(false);
    EXPECT_TRUE(s.trials().back().reversal);
    EXPECT_NEAR(s.nextCents(), 15.0 * std::sqrt(2.0), 1e-9);
    for (int i = 0; i < 3; ++i)
        s.answer(true);
    EXPECT_TRUE(s.trials().back().reversal);
    EXPECT_NEAR(s.nextCents(), 15.0 * std::sqrt(2.0) / 1.25, 1e-9);
    const ThresholdEstimate e = s.estimate();
    EXPECT_EQ(e.reversalsUsed, 2);
    EXPECT_NEAR(e.cents, std::sqrt(15.0 * 15.0 * std::sqrt(2.0)), 1e-9);
    EXPECT_NEAR(std::log(e.spread), std::log(std::sqrt(2.0)) / std::sqrt(2.0), 1e-9);
    EXPECT_EQ(trackText(s.trials()).substr(0, 19), "30+ 30+ 30+ 15-R 21");
}

TEST(ThresholdTrial, exactly_one_note_off_by_d_flat_or_sharp_alike) {
    MTRand_int32::seed(2028);
    CGenerateChord generator;
    std::mt19937 rng(28);
    std::uniform_real_distribution<double> logD(std::log(0.25), std::log(60.0));
    int sharp = 0;
    for (int k = 0; k < 1000; ++k) {
        ExerciseRequest page;
        page.category = static_cast<ExerciseCategory>(k % 3);
        page.compareBox = k % 7 != 0;
        page.task = k % 5 == 0 ? ExerciseTask::compare : ExerciseTask::tune;
        page.intervalStyleBoxes = {true, k % 2 == 0};
        const int type = page.category == ExerciseCategory::chords ? k % 11 : k % 12;
        const double d = std::exp(logD(rng));
        const ThresholdTrial trial =
            makeThresholdTrial(thresholdRequest(page, type), d, generator, random_index);
        SCOPED_TRACE(k);
        int off = 0;
        for (const CChord& column : trial.made.exerciseTemplate.columns)
            for (const CNote& n : column.notes) {
                const double dev =
                    cents(n.soundingFrequency) -
                    cents(n.systemFrequencies.at(static_cast<std::size_t>(n.system)));
                if (std::abs(dev) < 1e-6)
                    continue;
                ++off;
                EXPECT_NEAR(dev, trial.sign * d, 0.001);
                EXPECT_EQ(n.locked, 0);
            }
        EXPECT_EQ(off, 1);
        if (page.category != ExerciseCategory::singleNotes) {
            EXPECT_EQ(trial.made.typeName,
                      page.category == ExerciseCategory::chords
                          ? chordOptionNames[static_cast<std::size_t>(type)]
                          : intervalOptionNames[static_cast<std::size_t>(type)]);
        }
        EXPECT_FALSE(trial.made.gradingEnabled);
        sharp += trial.sign > 0;
    }
    // Binomial(1000, 1/2): 3.5 standard deviations either side.
    EXPECT_NEAR(sharp, 500, 56);
}

// A major third C4-E4 in equal temperament with E4 10 cents off: partial 4 of E4 meets partial
// 5 of C4, so its beating changes by 4 x 329.628 Hz x (2^(10/1200) - 1) = 7.638 a second.
TEST(ThresholdTrial, beats_of_the_lowest_coincident_partials) {
    std::vector<CNote> third = {CNote(4, 0, 0), CNote(4, 2, 0)};
    assignFrequencies(third, 0);
    const BeatEstimate b = estimateBeats(third, 1, 10.0);
    EXPECT_EQ(b.partner, 0);
    EXPECT_EQ(b.partial, 4);
    EXPECT_EQ(b.partnerPartial, 5);
    EXPECT_NEAR(b.beatsPerSecond, 7.638, 0.001);
    // A tenth and a chord: the fifth of C-E-G is its lowest ratio to G; a single A4 beats 1:1.
    std::vector<CNote> chord = {CNote(4, 0, 0), CNote(4, 2, 0), CNote(4, 4, 0)};
    assignFrequencies(chord, 0);
    const BeatEstimate g = estimateBeats(chord, 2, 10.0);
    EXPECT_EQ(g.partner, 0);
    EXPECT_EQ(g.partial, 2);
    EXPECT_EQ(g.partnerPartial, 3);
    std::vector<CNote> a4 = {CNote(4, 5, 0)};
    assignFrequencies(a4, 0);
    EXPECT_NEAR(estimateBeats(a4, 0, 10.0).beatsPerSecond, 440 * (std::pow(2, 10 / 1200.0) - 1),
                1e-9);
}

TEST(ThresholdPlot, log_scale_inside_the_box) {
    Staircase s;
    for (int i = 0; i < 22; ++i)
        s.answer(i % 4 != 3);
    const PlotGeometry g = thresholdPlot(s.trials(), 400, 200);
    EXPECT_EQ(g.trialsShown, 40);
    ASSERT_EQ(g.points.size(), 22u);
    // 1, 2 and 4 cents lie equally far apart; 0.25 is the bottom, 60 the top.
    const auto y = [&](double c) {
        for (const PlotTick& t : g.ticks)
            if (t.cents == c)
                return t.y;
        ADD_FAILURE() << c;
        return 0.0;
    };
    EXPECT_NEAR(y(0.5) - y(1.0), y(0.25) - y(0.5), 1e-9);
    EXPECT_DOUBLE_EQ(y(0.25), g.bottom);
    EXPECT_DOUBLE_EQ(y(60.0), g.top);
    for (const PlotPoint& p : g.points) {
        EXPECT_GE(p.x, g.left);
        EXPECT_LE(p.x, g.right);
        EXPECT_GE(p.y, g.top);
        EXPECT_LE(p.y, g.bottom);
    }
    EXPECT_LT(g.points[2].y, g.points[3].y); // 30 cents plots higher than 15
}

// Per type: every test counts, a stopped one gives no figure; the last and the lowest finished
// thresholds are kept. Unsaved tests count as rows the quit question asks about.
TEST(ThresholdRecord, summary_per_type_and_unkept_tests) {
    SessionRecord record;
    const auto add = [&](const char* kind, double cents, bool stopped) {
        ThresholdRow row;
        row.kind = kind;
        row.estimate.cents = cents;
        row.stopped = stopped;
        row.trials = {{30.0, true, false}, {15.0, false, true}};
        record.addThreshold(row);
    };
    add("M3", 6.0, false);
    add("P5", 9.0, false);
    add("M3", 4.0, false);
    add("M3", 2.0, true);
    add("m3", 1.0, true);
    const std::vector<ThresholdSummaryRow> s = record.thresholdSummary();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].kind, "M3");
    EXPECT_EQ(s[0].tests, 3);
    EXPECT_DOUBLE_EQ(*s[0].lastCents, 4.0);
    EXPECT_DOUBLE_EQ(*s[0].bestCents, 4.0);
    EXPECT_FALSE(s[2].lastCents.has_value());
    EXPECT_EQ(record.unkeptRows(), 5u);
    const std::string text = record.toTabSeparated();
    EXPECT_NE(text.find("\tM3\t"), std::string::npos);
    EXPECT_NE(text.find("30+ 15-R"), std::string::npos);
    EXPECT_NE(text.find("Threshold summary\tm3\t1 test\tno test ran to its end"),
              std::string::npos);
    record.markKept();
    EXPECT_EQ(record.unkeptRows(), 0u);
}

} // namespace
} // namespace sorvel
