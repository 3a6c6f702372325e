// SPDX-License-Identifier: GPL-3.0-or-later
#include "answering.h"

#include "pitch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

namespace sorvel {
namespace {

// An A4 sounding `offCents` away from its correct 440 Hz, its notehead box 30 x 20 at
// (left, top) with the centre in the middle, as drawing would store it.
CNote placedNote(double left, double top, double offCents = 0.0) {
    CNote note(4, 5, 0, {440.0, 440.0, 440.0, 440.0, 440.0}, 0);
    note.soundingFrequency = 440.0 * std::pow(2.0, offCents / 1200.0);
    note.hitBox = {left, top, 30.0, 20.0};
    note.centre = {left + 15.0, top + 10.0};
    return note;
}

CChord sonority(double minX, double maxX, std::vector<CNote> notes) {
    CChord chord;
    chord.notes = std::move(notes);
    chord.minX = minX;
    chord.maxX = maxX;
    return chord;
}

CChord empty() {
    return CChord{};
}

CMusic grandStaff(std::vector<CChord> treble, std::vector<CChord> bass) {
    CMusic music;
    music.staves.resize(2);
    music.staves[0].middleStep = 41;
    music.staves[0].chords = std::move(treble);
    music.staves[1].middleStep = 29;
    music.staves[1].chords = std::move(bass);
    music.columnCount = static_cast<int>(music.staves[0].chords.size());
    return music;
}

CNote& noteOf(CMusic& music, int staff, int chord, int note) {
    return music.staves[staff].chords[chord].notes[note];
}

// A sounding frequency whose deviation from `correct` is exactly `target` cents as the
// program computes it, found by stepping through neighbouring doubles.
double exactlyOff(double correct, double target) {
    double f = correct * std::pow(2.0, target / 1200.0);
    for (int i = 0; i < 100000; ++i) {
        const double d = centsDifference(f, correct);
        if (d == target)
            return f;
        f = std::nextafter(f, d < target ? 1e9 : 0.0);
    }
    ADD_FAILURE() << "no frequency exactly " << target << " cents off";
    return f;
}

// ---- Hit-testing and listening -------------------------------------------------------------

TEST(hit_testing, only_the_band_between_15_and_225_sounds) {
    CMusic music = grandStaff({sonority(100, 130, {placedNote(100, 50)})}, {empty()});
    struct Row {
        double y;
        bool sounds;
    };
    for (const Row row : {Row{14, false}, Row{226, false}, Row{15, true}, Row{225, true},
                          Row{14.999, false}, Row{225.001, false}}) {
        std::vector<CNote*> sounding = {&noteOf(music, 0, 0, 0)};
        std::vector<double> phases = {1.5, 2.5, 3.5};
        EXPECT_EQ(selectSonorityAt(sounding, phases, music, 115, row.y), row.sounds) << row.y;
        if (row.sounds) {
            EXPECT_EQ(sounding.size(), 2u) << row.y;
        } else {
            EXPECT_TRUE(sounding.empty()) << row.y;
            EXPECT_EQ(phases, (std::vector<double>{1.5, 2.5, 3.5})) << "phases kept at " << row.y;
        }
    }
}

TEST(hit_testing, a_sonority_reaches_20_pixels_beyond_its_extent) {
    CMusic music = grandStaff({sonority(100, 128.75, {placedNote(100, 50)})}, {empty()});
    std::vector<CNote*> sounding;
    std::vector<double> phases;
    for (double x : {80.0, 148.75, 115.0, 100.0})
        EXPECT_TRUE(selectSonorityAt(sounding, phases, music, x, 60)) << x;
    for (double x : {79.99, 148.76, 0.0, 400.0})
        EXPECT_FALSE(selectSonorityAt(sounding, phases, music, x, 60)) << x;
}

TEST(hit_testing, nearer_sonority_wins_and_the_earlier_on_a_tie) {
    // Centres at 115 and 155; widened extents overlap between 120 and 150.
    CMusic music = grandStaff(
        {sonority(100, 130, {placedNote(100, 50)}), sonority(140, 170, {placedNote(140, 50)})},
        {empty(), empty()});
    CNote* first = &noteOf(music, 0, 0, 0);
    CNote* second = &noteOf(music, 0, 1, 0);
    struct Row {
        double x;
        CNote* expected;
    };
    for (const Row row : {Row{130, first}, Row{134.9, first}, Row{135, first}, Row{135.1, second},
                          Row{150, second}}) {
        std::vector<CNote*> sounding;
        std::vector<double> phases;
        ASSERT_TRUE(selectSonorityAt(sounding, phases, music, row.x, 60));
        ASSERT_EQ(sounding.size(), 2u);
        EXPECT_EQ(sounding[0], row.expected) << row.x;
        EXPECT_EQ(sounding[1], row.expected) << row.x;
    }
}

TEST(hit_testing, a_note_counts_only_3_pixels_inside_its_box) {
    CMusic music = grandStaff({sonority(100, 130, {placedNote(100, 50)})}, {empty()});
    CNote* note = &noteOf(music, 0, 0, 0);
    // Box x 100..130, y 50..70: the hits lie in x 103..127, y 53..67.
    struct Row {
        double x, y;
        bool hit;
    };
    for (const Row row :
         {Row{102, 60, false}, Row{103, 60, true}, Row{127, 60, true}, Row{128, 60, false},
          Row{115, 52, false}, Row{115, 53, true}, Row{115, 67, true}, Row{115, 68, false}}) {
        EXPECT_EQ(findNoteAt(music, row.x, row.y, -3) == note, row.hit) << row.x << "," << row.y;
        EXPECT_EQ(findNoteForClick(music, row.x, row.y).has_value(), row.hit)
            << row.x << "," << row.y;
        // On the box's rim the sonority still sounds, but no note is hovered.
        std::vector<CNote*> sounding;
        std::vector<double> phases;
        const auto hover = hoverAt(&music, sounding, phases, row.x, row.y);
        ASSERT_TRUE(hover.has_value());
        EXPECT_TRUE(hover->sounding);
        EXPECT_EQ(hover->note == note, row.hit);
    }
    EXPECT_EQ(findNoteAt(music, 101, 60, 0), note) << "without a margin the whole box counts";
}

TEST(hit_testing, a_sonority_on_one_staff_sounds_twice) {
    CMusic music = grandStaff({sonority(100, 130, {placedNote(100, 50)}), empty()},
                              {empty(), sonority(140, 170, {placedNote(140, 160)})});
    std::vector<CNote*> sounding;
    std::vector<double> phases;
    ASSERT_TRUE(selectSonorityAt(sounding, phases, music, 115, 100));
    EXPECT_EQ(sounding, (std::vector<CNote*>{&noteOf(music, 0, 0, 0), &noteOf(music, 0, 0, 0)}));
    ASSERT_TRUE(selectSonorityAt(sounding, phases, music, 160, 100));
    EXPECT_EQ(sounding, (std::vector<CNote*>{&noteOf(music, 1, 1, 0), &noteOf(music, 1, 1, 0)}));
    EXPECT_EQ(phases.size(), 2u);
}

TEST(hit_testing, a_column_empty_on_every_staff_is_skipped) {
    CMusic music =
        grandStaff({sonority(100, 130, {placedNote(100, 50)}), empty()}, {empty(), empty()});
    // The empty column's extent would cover the whole staff if it were looked at.
    music.staves[0].chords[1].minX = 0;
    music.staves[0].chords[1].maxX = 1000;
    music.staves[1].chords[1].minX = 0;
    music.staves[1].chords[1].maxX = 1000;
    std::vector<CNote*> sounding;
    std::vector<double> phases;
    EXPECT_FALSE(selectSonorityAt(sounding, phases, music, 400, 100));
    EXPECT_TRUE(sounding.empty());
    EXPECT_TRUE(selectSonorityAt(sounding, phases, music, 115, 100));
    EXPECT_EQ(sounding.size(), 2u);
}

TEST(hit_testing, nothing_happens_without_an_exercise) {
    CNote kept(4, 5, 0);
    std::vector<CNote*> sounding = {&kept};
    std::vector<double> phases = {4.0};
    EXPECT_FALSE(hoverAt(nullptr, sounding, phases, 115, 60).has_value());
    EXPECT_EQ(sounding, std::vector<CNote*>{&kept});
    EXPECT_EQ(phases, std::vector<double>{4.0});
    EXPECT_FALSE(clickAt(nullptr, 2, MouseButton::left, 115, 60));
    EXPECT_FALSE(retuneSelected(nullptr, sounding, 3, 2.0, upArrowKey));
}

TEST(hit_testing, phases_survive_for_the_voices_that_keep_sounding) {
    // Column 0 sounds four notes, column 1 three.
    CMusic music = grandStaff({sonority(100, 130, {placedNote(100, 50), placedNote(100, 40)}),
                               sonority(200, 230, {placedNote(200, 50), placedNote(200, 40)})},
                              {sonority(100, 130, {placedNote(100, 160), placedNote(100, 170)}),
                               sonority(200, 230, {placedNote(200, 160)})});
    std::vector<CNote*> sounding;
    std::vector<double> phases;
    ASSERT_TRUE(selectSonorityAt(sounding, phases, music, 115, 100));
    EXPECT_EQ(phases, (std::vector<double>{0, 0, 0, 0}));
    phases = {1, 2, 3, 4};
    ASSERT_TRUE(selectSonorityAt(sounding, phases, music, 215, 100));
    EXPECT_EQ(sounding.size(), 3u);
    EXPECT_EQ(phases, (std::vector<double>{1, 2, 3}));
    ASSERT_TRUE(selectSonorityAt(sounding, phases, music, 115, 100));
    EXPECT_EQ(phases, (std::vector<double>{1, 2, 3, 0}));
}

// ---- Marking and retuning ------------------------------------------------------------------

TEST(marking, right_clicks_change_nothing) {
    for (int task : {2, 3}) {
        CMusic music = grandStaff({sonority(100, 130, {placedNote(100, 50)})}, {empty()});
        EXPECT_FALSE(clickAt(&music, task, MouseButton::right, 115, 60));
        const CNote& note = noteOf(music, 0, 0, 0);
        EXPECT_EQ(note.markKind + note.marked + note.selected + note.displayState, 0);
        EXPECT_EQ(music.selection.noteRef, nullptr);
    }
}

TEST(marking, clicks_cycle_flat_sharp_unmarked) {
    CMusic music = grandStaff({sonority(100, 130, {placedNote(100, 50)})}, {empty()});
    const CNote& note = noteOf(music, 0, 0, 0);
    struct State {
        int markKind, marked, displayState;
    };
    const MouseButton buttons[] = {MouseButton::left, MouseButton::middle, MouseButton::left};
    const State after[] = {{1, 1, 1}, {2, 1, 1}, {0, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(clickAt(&music, 2, buttons[i], 115, 60));
        EXPECT_EQ(note.markKind, after[i].markKind) << "click " << i + 1;
        EXPECT_EQ(note.marked, after[i].marked) << "click " << i + 1;
        EXPECT_EQ(note.displayState, after[i].displayState) << "click " << i + 1;
        EXPECT_EQ(note.selected, 0);
    }
    EXPECT_FALSE(clickAt(&music, 2, MouseButton::left, 102, 60)) << "2 pixels inside misses";
}

TEST(marking, white_notes_are_not_marked_but_the_staff_redraws) {
    CMusic music = grandStaff({sonority(100, 130, {placedNote(100, 50)})}, {empty()});
    CNote& note = noteOf(music, 0, 0, 0);
    note.locked = 1;
    EXPECT_TRUE(clickAt(&music, 2, MouseButton::left, 115, 60));
    EXPECT_EQ(note.markKind, 0);
    EXPECT_EQ(note.marked, 0);
    EXPECT_EQ(note.displayState, 0);
}

TEST(marking, a_click_selects_one_note_only) {
    CMusic music = grandStaff(
        {sonority(100, 130, {placedNote(100, 50)}), sonority(200, 230, {placedNote(200, 50)})},
        {empty(), sonority(200, 230, {placedNote(200, 160)})});
    ASSERT_TRUE(clickAt(&music, 3, MouseButton::left, 115, 60));
    EXPECT_EQ(noteOf(music, 0, 0, 0).displayState, 2);
    ASSERT_TRUE(clickAt(&music, 3, MouseButton::middle, 215, 170));
    const CNote& chosen = noteOf(music, 1, 1, 0);
    EXPECT_EQ(chosen.selected, 1);
    EXPECT_EQ(chosen.displayState, 2);
    EXPECT_EQ(noteOf(music, 0, 0, 0).selected, 0);
    EXPECT_EQ(noteOf(music, 0, 0, 0).displayState, 0);
    EXPECT_EQ(music.selection.staff, 1);
    EXPECT_EQ(music.selection.chord, 1);
    EXPECT_EQ(music.selection.note, 0);
    EXPECT_EQ(music.selection.noteRef, &chosen);
    EXPECT_EQ(noteOf(music, 0, 1, 0).markKind, 0) << "selecting marks nothing";
}

// Two columns at difficulty position 1; the first note is selected and hovered.
struct RetuneFixture : ::testing::Test {
    CMusic music = grandStaff(
        {sonority(100, 130, {placedNote(100, 50)}), sonority(200, 230, {placedNote(200, 50)})},
        {empty(), empty()});
    std::vector<CNote*> sounding;
    std::vector<double> phases;
    const double ratio = std::pow(2.0, 10.0 / 1200.0);
    CNote& note = noteOf(music, 0, 0, 0);

    void SetUp() override {
        ASSERT_TRUE(clickAt(&music, 3, MouseButton::left, 115, 60));
        ASSERT_TRUE(hoverAt(&music, sounding, phases, 115, 60)->sounding);
    }
};

TEST_F(RetuneFixture, ten_up_arrows_raise_a_semitone_and_up_down_restores) {
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(retuneSelected(&music, sounding, 3, ratio, upArrowKey));
    EXPECT_NEAR(note.soundingFrequency, 440.0 * std::pow(2.0, 1.0 / 12.0), 1e-9);
    EXPECT_NEAR(centsDifference(note.soundingFrequency, 440.0), 100.0, 1e-9);
    const double raised = note.soundingFrequency;
    EXPECT_TRUE(retuneSelected(&music, sounding, 3, ratio, upArrowKey));
    EXPECT_TRUE(retuneSelected(&music, sounding, 3, ratio, downArrowKey));
    EXPECT_NEAR(note.soundingFrequency, raised, 1e-9);
}

TEST_F(RetuneFixture, the_wheel_takes_one_step_per_event) {
    struct Row {
        int delta;
        double cents;
    };
    for (const Row row : {Row{120, 10}, Row{1200, 20}, Row{0, 10}, Row{-360, 0}, Row{-1, -10}}) {
        EXPECT_TRUE(retuneByWheel(&music, sounding, 3, ratio, row.delta));
        EXPECT_NEAR(centsDifference(note.soundingFrequency, 440.0), row.cents, 1e-9) << row.delta;
    }
}

TEST_F(RetuneFixture, keys_need_the_selected_note_in_the_last_hovered_sonority) {
    ASSERT_TRUE(hoverAt(&music, sounding, phases, 215, 60)->sounding);
    EXPECT_FALSE(retuneSelected(&music, sounding, 3, ratio, upArrowKey));
    EXPECT_FALSE(retuneByWheel(&music, sounding, 3, ratio, 120));
    // Leaving the band empties the list.
    ASSERT_TRUE(hoverAt(&music, sounding, phases, 115, 60)->sounding);
    ASSERT_FALSE(hoverAt(&music, sounding, phases, 115, 230)->sounding);
    EXPECT_FALSE(retuneSelected(&music, sounding, 3, ratio, downArrowKey));
    EXPECT_EQ(note.soundingFrequency, 440.0);
}

TEST_F(RetuneFixture, keys_do_nothing_in_the_identify_task_or_on_a_white_note) {
    EXPECT_FALSE(retuneSelected(&music, sounding, 2, ratio, upArrowKey));
    EXPECT_FALSE(retuneByWheel(&music, sounding, 2, ratio, -120));
    note.locked = 1;
    EXPECT_FALSE(retuneSelected(&music, sounding, 3, ratio, upArrowKey));
    EXPECT_EQ(note.soundingFrequency, 440.0);
}

// ---- Grading -------------------------------------------------------------------------------

struct Expected {
    std::string text;
    int red, green, blue;
};

void expectVerdict(const CMusic& music, const GradingRules& rules, const Expected& expected,
                   const std::string& what) {
    const GradeIndex index = gradeAnswer(music, rules);
    const GradeMessage& message = gradeMessage(index.column, index.row);
    EXPECT_EQ(std::string(message.text), expected.text) << what;
    EXPECT_EQ(message.red, expected.red) << what;
    EXPECT_EQ(message.green, expected.green) << what;
    EXPECT_EQ(message.blue, expected.blue) << what;
}

const Expected right{"Right", 0, 128, 0};
const Expected soSoBlue{"So-so", 0, 0, 255};
const Expected wrong{"Wrong", 255, 0, 0};
const Expected excellent{"Excellent", 0, 128, 0};
const Expected good{"Good", 0, 140, 105};
const Expected fair{"Fair", 255, 0, 191};
const Expected poor{"Poor", 255, 0, 0};

// A reference copy (white, in tune) followed by the tested sonority in one column each.
CMusic withReference(std::vector<CNote> tested) {
    std::vector<CNote> reference;
    for (std::size_t i = 0; i < tested.size(); ++i) {
        reference.push_back(placedNote(100, 50));
        reference.back().locked = 1;
    }
    return grandStaff({sonority(100, 130, reference), sonority(200, 230, std::move(tested))},
                      {empty(), empty()});
}

CNote marked(CNote note, int markKind) {
    note.markKind = markKind;
    note.marked = markKind > 0;
    return note;
}

TEST(grading, identify_interval_verdicts) {
    const GradingRules rules{2, 2, true, 0, gradingTolerance(2)};
    const CNote flat = placedNote(200, 50, -20);
    const CNote sharp = placedNote(200, 40, 20);
    expectVerdict(withReference({marked(flat, 1), marked(sharp, 2)}), rules, right, "both right");
    expectVerdict(withReference({marked(flat, 1), marked(sharp, 1)}), rules, soSoBlue, "one wrong");
    expectVerdict(withReference({marked(flat, 0), marked(sharp, 1)}), rules, wrong, "both wrong");
    const CNote inTune = placedNote(200, 50, 0);
    expectVerdict(withReference({inTune, marked(sharp, 2)}), rules, right, "unmarked in tune");
    expectVerdict(withReference({marked(inTune, 2), marked(sharp, 2)}), rules, soSoBlue,
                  "an in-tune note must stay unmarked");
}

TEST(grading, one_cent_either_way_is_in_tune) {
    const GradingRules rules{2, 1, true, 0, gradingTolerance(0)};
    struct Row {
        double offCents;
        int markKind;
        const Expected& verdict;
    };
    const double oneSharp = exactlyOff(440.0, 1.0);
    const double oneFlat = exactlyOff(440.0, -1.0);
    for (const Row row :
         {Row{1.0, 0, right}, Row{1.0, 2, wrong}, Row{-1.0, 0, right}, Row{-1.0, 1, wrong},
          Row{1.01, 0, wrong}, Row{1.01, 2, right}, Row{-1.01, 1, right}, Row{-1.01, 2, wrong}}) {
        CNote note = marked(placedNote(200, 50, row.offCents), row.markKind);
        if (row.offCents == 1.0)
            note.soundingFrequency = oneSharp;
        if (row.offCents == -1.0)
            note.soundingFrequency = oneFlat;
        expectVerdict(withReference({note}), rules, row.verdict,
                      std::to_string(row.offCents) + " cents, mark " +
                          std::to_string(row.markKind));
    }
}

TEST(grading, identify_skips_the_reference_copy_but_counts_an_inner_white_note) {
    // A white reference note that were graded would count as an unmarked sharp note.
    CMusic music = withReference({marked(placedNote(200, 50, 20), 2)});
    noteOf(music, 0, 0, 0).soundingFrequency = 460.0;
    expectVerdict(music, GradingRules{2, 1, true, 0, 5.0}, right, "reference copy skipped");

    CNote white = placedNote(200, 40);
    white.locked = 1;
    CMusic inner =
        grandStaff({sonority(200, 230, {marked(placedNote(200, 50, -20), 1), white})}, {empty()});
    const GradingRules rules{2, 2, false, 1, 5.0};
    EXPECT_EQ(gradeAnswer(inner, rules), (GradeIndex{1, 1}));
    expectVerdict(inner, rules, right, "one graded note");
}

TEST(grading, identify_verdict_outside_the_table_is_wrong) {
    CMusic music = withReference({placedNote(200, 50)});
    // No graded note left once the inner reference is taken off: not a rating of the tuning.
    expectVerdict(music, GradingRules{2, 1, true, 1, 5.0}, wrong, "total 0");
    // More graded notes than the sonority holds.
    CMusic extra = grandStaff(
        {sonority(100, 130,
                  {placedNote(100, 50, 20), placedNote(100, 40, 20), placedNote(100, 30, 20)})},
        {empty()});
    expectVerdict(extra, GradingRules{2, 2, true, 0, 5.0}, wrong, "more errors than notes");
}

TEST(grading, single_note_in_the_tuning_task) {
    const double tol = gradingTolerance(3);
    struct Row {
        double tolerances;
        const Expected& verdict;
    };
    for (const Row row :
         {Row{0.0, excellent}, Row{0.9, excellent}, Row{-0.9, excellent}, Row{1.5, good},
          Row{-1.5, good}, Row{2.5, fair}, Row{3.5, poor}, Row{10.0, poor}}) {
        const CMusic music = withReference({placedNote(200, 50, row.tolerances * tol)});
        expectVerdict(music, GradingRules{3, 1, true, 0, tol}, row.verdict,
                      std::to_string(row.tolerances) + " tolerances off");
    }
}

TEST(grading, interval_both_sharp_is_good_not_excellent) {
    const double tol = gradingTolerance(6);
    EXPECT_DOUBLE_EQ(tol, 2.5);
    const GradingRules rules{3, 2, true, 0, tol};
    expectVerdict(withReference({placedNote(200, 50, 4), placedNote(200, 40, 4)}), rules, good,
                  "both 4 cents sharp");
    expectVerdict(withReference({placedNote(200, 50, 0.5), placedNote(200, 40, -0.5)}), rules,
                  excellent, "within a cent");
    expectVerdict(withReference({placedNote(200, 50, 0), placedNote(200, 40, 2.5 * tol)}), rules,
                  fair, "interval 1.5 tolerances beyond");
    expectVerdict(withReference({placedNote(200, 50, 0), placedNote(200, 40, 40 * tol)}), rules,
                  poor, "far off");
}

TEST(grading, triad_with_one_note_two_tolerances_off_is_good) {
    const double tol = gradingTolerance(2);
    const GradingRules rules{3, 3, true, 0, tol};
    expectVerdict(
        withReference({placedNote(200, 50), placedNote(200, 40, 2 * tol), placedNote(200, 30)}),
        rules, good, "s = 0.471");
}

// WCAG 2 relative luminance of an sRGB colour, and the contrast of two luminances.
double relativeLuminance(int red, int green, int blue) {
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(red) + 0.7152 * linear(green) + 0.0722 * linear(blue);
}

double hueDegrees(int red, int green, int blue) {
    const double r = red / 255.0, g = green / 255.0, b = blue / 255.0;
    const double hi = std::max({r, g, b}), span = hi - std::min({r, g, b});
    if (span == 0)
        return 0;
    const double h = hi == r ? std::fmod((g - b) / span, 6.0) : hi == g ? (b - r) / span + 2
                                                                        : (r - g) / span + 4;
    return std::fmod(60 * h + 360, 360);
}

// Every verdict reads on the staff's white (3:1, the least for large bold text) and keeps the
// hue the message table gives it, so that green still means best and red worst.
TEST(grading, verdict_colours_read_on_white_in_the_table_hues) {
    struct Hue {
        int row, column, red, green, blue; // the table's own colour
    };
    const Hue table[] = {{0, 0, 255, 0, 0}, {0, 1, 255, 0, 191}, {0, 2, 0, 255, 191},
                         {0, 3, 0, 255, 0}, {1, 0, 255, 0, 0},   {1, 1, 0, 255, 0},
                         {2, 0, 255, 0, 0}, {2, 1, 0, 0, 255},   {2, 2, 0, 255, 0},
                         {3, 0, 255, 0, 0}, {3, 1, 255, 0, 191}, {3, 2, 0, 255, 191},
                         {3, 3, 0, 255, 0}, {4, 0, 255, 0, 0},   {4, 1, 255, 0, 191},
                         {4, 2, 0, 0, 255}, {4, 3, 0, 255, 191}, {4, 4, 0, 255, 0}};
    const double white = relativeLuminance(255, 255, 255);
    for (const Hue& h : table) {
        const GradeMessage& m = gradeMessage(h.column, h.row);
        const std::string where = std::to_string(h.row) + "/" + std::to_string(h.column);
        const double contrast = (white + 0.05) / (relativeLuminance(m.red, m.green, m.blue) + 0.05);
        EXPECT_GE(contrast, 3.0) << where;
        const double shift = std::abs(hueDegrees(m.red, m.green, m.blue) -
                                      hueDegrees(h.red, h.green, h.blue));
        EXPECT_LE(std::min(shift, 360 - shift), 3.0) << where;
    }
    // The rule the formula must follow: the pale table green itself does not read.
    EXPECT_LT((white + 0.05) / (relativeLuminance(0, 255, 0) + 0.05), 1.4);
}

TEST(grading, message_table) {
    struct Row {
        int row, column;
        Expected message;
    };
    const Row table[] = {
        {0, 0, {"Poor", 255, 0, 0}},
        {0, 1, {"Fair", 255, 0, 191}},
        {0, 2, {"Good", 0, 140, 105}},
        {0, 3, {"Excellent", 0, 128, 0}},
        {1, 0, {"Wrong", 255, 0, 0}},
        {1, 1, {"Right", 0, 128, 0}},
        {2, 0, {"Wrong", 255, 0, 0}},
        {2, 1, {"So-so", 0, 0, 255}},
        {2, 2, {"Right", 0, 128, 0}},
        {3, 0, {"Wrong", 255, 0, 0}},
        {3, 1, {"So-so", 255, 0, 191}},
        {3, 2, {"So-so", 0, 140, 105}},
        {3, 3, {"Right", 0, 128, 0}},
        {4, 0, {"Wrong", 255, 0, 0}},
        {4, 1, {"Poor", 255, 0, 191}},
        {4, 2, {"So-so", 0, 0, 255}},
        {4, 3, {"Okay", 0, 140, 105}},
        {4, 4, {"Right", 0, 128, 0}},
        // Outside the table.
        {0, 4, {"Wrong", 255, 0, 0}},
        {1, 2, {"Wrong", 255, 0, 0}},
        {2, -1, {"Wrong", 255, 0, 0}},
        {4, 5, {"Wrong", 255, 0, 0}},
        {5, 0, {"Wrong", 255, 0, 0}},
        {-1, 0, {"Wrong", 255, 0, 0}},
    };
    for (const Row& row : table) {
        const GradeMessage& message = gradeMessage(row.column, row.row);
        const std::string where = std::to_string(row.row) + "/" + std::to_string(row.column);
        EXPECT_EQ(std::string(message.text), row.message.text) << where;
        EXPECT_EQ(message.red, row.message.red) << where;
        EXPECT_EQ(message.green, row.message.green) << where;
        EXPECT_EQ(message.blue, row.message.blue) << where;
    }
}

// ---- Reveal --------------------------------------------------------------------------------

struct Colour {
    int red, green, blue;
};

TEST(reveal, tuning_task_shades) {
    const double f = 440.0 * std::pow(2.0, 3.0 / 1200.0); // about 3 cents sharp
    const double d = centsDifference(f, 440.0);
    struct Row {
        double tolerance;
        Colour colour;
    };
    for (const Row row :
         {Row{d, {220, 255, 220}}, Row{2 * d, {110, 255, 110}}, Row{4 * d, {55, 255, 55}},
          Row{d / 3.6, {255, 105, 105}}, Row{d / 6, {255, 0, 0}}, Row{d / 50, {255, 0, 0}}}) {
        CMusic music = withReference({placedNote(200, 50)});
        CNote& note = noteOf(music, 0, 1, 0);
        note.soundingFrequency = f;
        revealAnswers(music, 3, row.tolerance);
        EXPECT_EQ(note.displayState, 4);
        EXPECT_EQ(note.displayColour, rgbValue(row.colour.red, row.colour.green, row.colour.blue))
            << "a / tol = " << d / row.tolerance;
    }
    CMusic exact = withReference({placedNote(200, 50), placedNote(200, 40, -3)});
    revealAnswers(exact, 3, 2.5);
    EXPECT_EQ(noteOf(exact, 0, 1, 0).displayColour, rgbValue(0, 255, 0));
    EXPECT_EQ(noteOf(exact, 0, 1, 1).displayColour, rgbValue(255, 211, 211)) << "flat: |diff|";
}

// The verdict and colour of a note left `steps` retuning steps off, in whole numbers: at
// difficulty d a step is (30 - 4d) / 3 cents and the tolerance (45 - 5d) / 6 cents, so the note
// lies num / den tolerances off with num = 2 * steps * (30 - 4d) and den = 45 - 5d.
struct Expectation {
    int rating;
    Colour colour;
};
Expectation expectedAfterRetuning(int difficulty, int steps, bool interval) {
    const int num = 2 * steps * (30 - 4 * difficulty);
    const int den = 45 - 5 * difficulty;
    int s = num <= den ? 0 : (num - den + den - 1) / den; // whole tolerances beyond, rounded up
    if (interval && s == 0 && steps > 0)
        s = 1; // a step is at least 2 cents: the note itself is off
    if (num <= den) {
        const int shade = 220 * num / den;
        return {3 - std::min(s, 3), {shade, 255, shade}};
    }
    const int shade = std::max(0, 220 * (6 * den - num) / (5 * den));
    return {3 - std::min(s, 3), {255, shade, shade}};
}

double centsOff(const CNote& note) {
    return 1200.0 * std::log2(note.soundingFrequency / note.systemFrequencies.at(note.system));
}

// Made exercises of the tuning task with one mistuned note, retuned with the arrow keys back to
// its correct pitch: on every step the verdict and the reveal colour must be the exact ones,
// whatever rounding the retuning left. At position 6 a step equals the tolerance, so a note one
// step short lies exactly on it.
TEST(grading, retuned_notes_get_one_verdict_and_colour_per_step) {
    EXPECT_EQ(expectedAfterRetuning(5, 1, false).rating, 3); // "Excellent"
    EXPECT_EQ(expectedAfterRetuning(5, 1, false).colour.red, 220);
    EXPECT_EQ(expectedAfterRetuning(5, 2, false).rating, 2); // "Good"
    EXPECT_EQ(expectedAfterRetuning(5, 2, false).colour.green, 176);

    std::map<int, int> checkedAtPosition6; // steps off -> exercises
    for (int difficulty = 0; difficulty <= 6; ++difficulty) {
        for (ExerciseCategory category :
             {ExerciseCategory::singleNotes, ExerciseCategory::intervals}) {
            const bool interval = category == ExerciseCategory::intervals;
            ExerciseRequest request;
            request.category = category;
            request.task = ExerciseTask::tune;
            request.compareBox = true;
            request.difficulty = difficulty;
            for (std::uint32_t seed = 1; seed <= 300; ++seed) {
                MTRand_int32::seed(seed);
                CGenerateChord generator;
                const NewExercise made = makeNewExercise(request, generator);
                if (made.mistunedCount != 1)
                    continue;
                CMusic music = startOver(made.exerciseTemplate);
                std::optional<NoteIndex> mistuned;
                for (int st = 0; st < static_cast<int>(music.staves.size()); ++st) {
                    const auto& chords = music.staves[st].chords;
                    for (int c = 0; c < static_cast<int>(chords.size()); ++c)
                        for (int n = 0; n < static_cast<int>(chords[c].notes.size()); ++n)
                            if (std::fabs(centsOff(chords[c].notes[n])) > 0.1)
                                mistuned = NoteIndex{st, c, n};
                }
                ASSERT_TRUE(mistuned) << "seed " << seed;
                CNote& note = noteOf(music, mistuned->staff, mistuned->chord, mistuned->note);
                const double off = centsOff(note);
                const int steps = static_cast<int>(std::lround(std::fabs(off) / made.retuneCents));
                select(music, *mistuned);
                const std::vector<CNote*> sounding = {&note};
                for (int left = steps; left >= 0; --left) {
                    const Expectation expected = expectedAfterRetuning(difficulty, left, interval);
                    const std::string what = "position " + std::to_string(difficulty + 1) +
                                             (interval ? " interval" : " note") + ", seed " +
                                             std::to_string(seed) + ", " + std::to_string(left) +
                                             " steps off";
                    EXPECT_EQ(gradeAnswer(music, gradingRulesOf(made)),
                              (GradeIndex{expected.rating, 0}))
                        << what;
                    CMusic revealed = music;
                    revealAnswers(revealed, tuneTask, gradingTolerance(difficulty));
                    const CNote& shown =
                        noteOf(revealed, mistuned->staff, mistuned->chord, mistuned->note);
                    EXPECT_EQ(
                        shown.displayColour,
                        rgbValue(expected.colour.red, expected.colour.green, expected.colour.blue))
                        << what;
                    if (difficulty == 5)
                        ++checkedAtPosition6[left];
                    if (left > 0) {
                        ASSERT_TRUE(retuneSelected(&music, sounding, tuneTask, made.retuneRatio,
                                                   off > 0 ? downArrowKey : upArrowKey));
                    }
                }
            }
        }
    }
    EXPECT_GE(checkedAtPosition6[1], 200);
    EXPECT_GE(checkedAtPosition6[2], 150);
}

TEST(reveal, identify_task_marks_the_errors) {
    CNote correctlyMarked = marked(placedNote(200, 20, 20), 2);
    correctlyMarked.displayState = 1;
    CNote wronglyMarked = marked(placedNote(200, 10, 0), 1);
    wronglyMarked.displayState = 1;
    CMusic music = withReference({placedNote(200, 50, -20), marked(placedNote(200, 40, 20), 1),
                                  placedNote(200, 30, 0.5), correctlyMarked, wronglyMarked});
    revealAnswers(music, 2, 5.0);
    struct State {
        int markKind, marked, displayState;
    };
    const State after[] = {
        {1, 1, 1}, // unmarked flat: blue triangle up
        {2, 1, 1}, // sharp marked flat: blue triangle down
        {0, 0, 0}, // in tune, unmarked: untouched
        {2, 1, 1}, // correctly marked: untouched
        {1, 1, 5}, // in tune but marked: keeps its mark, drawn in its own colour
    };
    for (int i = 0; i < 5; ++i) {
        const CNote& note = noteOf(music, 0, 1, i);
        EXPECT_EQ(note.markKind, after[i].markKind) << i;
        EXPECT_EQ(note.marked, after[i].marked) << i;
        EXPECT_EQ(note.displayState, after[i].displayState) << i;
    }
    EXPECT_EQ(noteOf(music, 0, 1, 4).displayColour, rgbValue(255, 0, 0)) << "shown in red";
    EXPECT_EQ(noteOf(music, 0, 1, 0).displayColour, 0);
}

TEST(reveal, white_notes_never_change) {
    for (int task : {2, 3}) {
        CMusic music = withReference({placedNote(200, 50, -20)});
        CNote& white = noteOf(music, 0, 0, 0);
        white.soundingFrequency = 470.0; // even if it were out of tune
        revealAnswers(music, task, 5.0);
        EXPECT_EQ(white.markKind, 0) << task;
        EXPECT_EQ(white.marked, 0) << task;
        EXPECT_EQ(white.displayState, 0) << task;
        EXPECT_EQ(white.displayColour, 0) << task;
        EXPECT_NE(noteOf(music, 0, 1, 0).displayState, 0) << task;
    }
}

} // namespace
} // namespace sorvel
