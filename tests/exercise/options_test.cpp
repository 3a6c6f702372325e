// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace sorvel {
namespace {

// A draw that answers `pick` (clamped to the range) and remembers the range it was asked for.
struct ScriptedDraw {
    int pick = 0;
    std::vector<int> asked;
    IndexDraw fn() {
        return [this](int n) {
            asked.push_back(n);
            return std::min(pick, n - 1);
        };
    }
};

IndexDraw seededDraw(unsigned seed) {
    auto engine = std::make_shared<std::mt19937>(seed);
    return [engine](int n) { return std::uniform_int_distribution<int>(0, n - 1)(*engine); };
}

TEST(options, nothing_ticked_means_every_box) {
    const std::vector<bool> none(12, false);
    std::set<int> seen;
    const IndexDraw draw = seededDraw(1);
    for (int i = 0; i < 600; ++i)
        seen.insert(chooseOption(none, draw));
    EXPECT_EQ(seen.size(), 12u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 11);
}

TEST(options, only_ticked_boxes_are_drawn_and_one_draw_is_always_made) {
    std::vector<bool> onlyG(12, false);
    onlyG[7] = true;
    ScriptedDraw scripted;
    for (int pick : {0, 5, 11}) {
        scripted.pick = pick;
        EXPECT_EQ(chooseOption(onlyG, scripted.fn()), 7);
    }
    EXPECT_EQ(scripted.asked, (std::vector<int>{1, 1, 1}));

    std::vector<bool> some(12, false);
    some[2] = some[4] = some[9] = true;
    scripted.asked.clear();
    scripted.pick = 2;
    EXPECT_EQ(chooseOption(some, scripted.fn()), 9); // third ticked box in list order
    scripted.pick = 0;
    EXPECT_EQ(chooseOption(some, scripted.fn()), 2);
    EXPECT_EQ(scripted.asked, (std::vector<int>{3, 3}));
    EXPECT_THROW(chooseOption({}, scripted.fn()), std::invalid_argument);
}

TEST(options, a_triad_never_gets_a_third_inversion) {
    std::vector<bool> triadsOnly(11, false);
    triadsOnly[0] = triadsOnly[2] = true;
    const std::vector<bool> onlyThird = {false, false, false, true};
    std::set<int> inversions;
    const IndexDraw draw = seededDraw(2);
    for (int i = 0; i < 300; ++i) {
        const ChordChoice c = chooseChord(triadsOnly, onlyThird, draw);
        EXPECT_TRUE(c.chosen == 0 || c.chosen == 2);
        inversions.insert(c.inversion);
    }
    EXPECT_EQ(inversions, (std::set<int>{0, 1, 2}));

    std::vector<bool> seventhOnly(11, false);
    seventhOnly[6] = true;
    ScriptedDraw scripted;
    const ChordChoice c = chooseChord(seventhOnly, onlyThird, scripted.fn());
    EXPECT_EQ(c.chosen, 6);
    EXPECT_EQ(c.inversion, 3);
    EXPECT_EQ(scripted.asked, (std::vector<int>{1, 1}));
}

TEST(options, no_chord_ticked_draws_among_all_eleven) {
    const std::vector<bool> none(11, false);
    const std::vector<bool> noInversion(4, false);
    ScriptedDraw scripted;
    scripted.pick = 10;
    const ChordChoice c = chooseChord(none, noInversion, scripted.fn());
    EXPECT_EQ(c.chosen, 10);
    EXPECT_EQ(c.inversion, 3);
    scripted.pick = 3;
    EXPECT_EQ(chooseChord(none, noInversion, scripted.fn()).inversion, 2); // a triad: 3 choices
    EXPECT_EQ(scripted.asked, (std::vector<int>{11, 4, 11, 3}));
}

} // namespace
} // namespace sorvel
