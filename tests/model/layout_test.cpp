// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout.h"

#include <gtest/gtest.h>

namespace sorvel {
namespace {

enum Letter { C, D, E, F, G, A, B };

CNote note(int letter, int octave, int accidental = 0) {
    return CNote(octave, letter, accidental);
}

CTwoStaffChord columnsOf(std::vector<std::vector<CNote>> columns) {
    CTwoStaffChord list;
    for (auto& notes : columns) {
        CChord chord;
        chord.notes = std::move(notes);
        list.columns.push_back(chord);
    }
    return list;
}

CMusic laidOut(std::vector<std::vector<CNote>> columns) {
    CMusic music = buildMusic(columnsOf(std::move(columns)));
    layoutMusic(music);
    return music;
}

std::vector<int> steps(const CChord& chord) {
    std::vector<int> s;
    for (const CNote& n : chord.notes)
        s.push_back(n.staffStep);
    return s;
}

std::vector<int> shifts(const CChord& chord) {
    std::vector<int> s;
    for (const CNote& n : chord.notes)
        s.push_back(n.headShift);
    return s;
}

// One chord laid out alone on a staff with the given middle line, without the octave split.
CChord laidOutOnStaff(std::vector<CNote> notes, int middleStep) {
    CMusic music;
    music.staves.resize(1);
    music.staves[0].middleStep = middleStep;
    music.staves[0].chords.resize(1);
    music.staves[0].chords[0].notes = std::move(notes);
    music.columnCount = 1;
    layoutMusic(music);
    return music.staves[0].chords[0];
}

TEST(layout, build_splits_the_staves_at_octave_4) {
    CTwoStaffChord list = columnsOf({{note(C, 4)}, {note(B, 3)}, {note(E, 3), note(G, 4)}, {}});
    CMusic music = buildMusic(list);
    ASSERT_EQ(music.staves.size(), 2u);
    EXPECT_EQ(music.staves[0].middleStep, 41);
    EXPECT_EQ(music.staves[1].middleStep, 29);
    EXPECT_EQ(music.columnCount, 4);
    EXPECT_EQ(music.selection.noteRef, nullptr);
    for (const CStaff& staff : music.staves)
        ASSERT_EQ(staff.chords.size(), 4u);
    const auto& treble = music.staves[0].chords;
    const auto& bass = music.staves[1].chords;
    EXPECT_EQ(steps(treble[0]), (std::vector<int>{35})); // C4: treble
    EXPECT_TRUE(bass[0].notes.empty());
    EXPECT_TRUE(treble[1].notes.empty());
    EXPECT_EQ(steps(bass[1]), (std::vector<int>{34})); // B3: bass
    EXPECT_EQ(steps(treble[2]), (std::vector<int>{39}));
    EXPECT_EQ(steps(bass[2]), (std::vector<int>{30}));
    EXPECT_TRUE(treble[3].notes.empty() && bass[3].notes.empty());

    // B#3 sounds as C4 but is written in octave 3: bass staff.
    CMusic enharmonic = buildMusic(columnsOf({{note(B, 3, 1), note(C, 4, -1)}}));
    EXPECT_EQ(steps(enharmonic.staves[1].chords[0]), (std::vector<int>{34}));
    EXPECT_EQ(steps(enharmonic.staves[0].chords[0]), (std::vector<int>{35}));
}

TEST(layout, notes_sorted_and_stems_by_the_middle_line) {
    const struct {
        std::vector<CNote> notes;
        std::vector<int> sortedSteps;
        bool stemUp;
    } rows[] = {
        {{note(G, 4), note(C, 4), note(E, 4)}, {35, 37, 39}, true},  // m = 37 < 41
        {{note(D, 5), note(G, 4), note(B, 4)}, {39, 41, 43}, false}, // m = 41
        {{note(A, 4)}, {40}, true},
        {{note(B, 4)}, {41}, false},
        {{note(C, 4), note(C, 5)}, {35, 42}, true},  // m = 38
        {{note(E, 4), note(F, 5)}, {37, 45}, false}, // m = 41
        {{note(A, 4), note(B, 4)}, {40, 41}, true},  // m = 81 / 2 = 40, truncated
        {{note(B, 2), note(D, 3)}, {27, 29}, true},  // bass staff: m = 28 < 29
        {{note(C, 3), note(E, 3)}, {28, 30}, false}, // m = 29
    };
    for (const auto& row : rows) {
        const CMusic music = laidOut({row.notes});
        const int staff = row.notes[0].octave >= 4 ? 0 : 1;
        const CChord& chord = music.staves[staff].chords[0];
        EXPECT_EQ(steps(chord), row.sortedSteps);
        EXPECT_EQ(chord.stemUp, row.stemUp) << row.sortedSteps[0];
        for (const CNote& n : chord.notes)
            EXPECT_EQ(n.column, 0);
        EXPECT_FALSE(music.staves[1 - staff].chords[0].stemUp); // the empty chord
    }
}

TEST(layout, seconds_shift_alternate_heads) {
    const struct {
        std::vector<CNote> notes;
        int middleStep;
        bool stemUp;
        std::vector<int> shifts;
    } rows[] = {
        {{note(C, 4), note(D, 4), note(E, 4)}, 41, true, {0, 1, 0}},
        {{note(C, 4), note(D, 4), note(E, 4)}, 29, false, {0, -1, 0}},
        {{note(C, 4), note(D, 4), note(E, 4), note(F, 4)}, 41, true, {0, 1, 0, 1}},
        {{note(C, 4), note(D, 4), note(E, 4), note(F, 4)}, 29, false, {-1, 0, -1, 0}},
        {{note(B, 4), note(C, 5), note(D, 5)}, 41, false, {0, -1, 0}},
        {{note(C, 4), note(E, 4), note(F, 4)}, 41, true, {0, 0, 1}},
        {{note(F, 4), note(F, 4, 1)}, 41, true, {0, 0}}, // a unison is no second
        {{note(C, 4), note(E, 4), note(G, 4)}, 41, true, {0, 0, 0}},
    };
    for (const auto& row : rows) {
        const CChord chord = laidOutOnStaff(row.notes, row.middleStep);
        ASSERT_EQ(chord.stemUp, row.stemUp);
        EXPECT_EQ(shifts(chord), row.shifts) << steps(chord)[0] << " " << row.stemUp;
        bool anyShift = false;
        for (int s : row.shifts)
            anyShift = anyShift || s != 0;
        EXPECT_EQ(chord.hasShiftedHeads, anyShift);
    }
}

TEST(layout, accidentals_hold_across_columns_at_one_staff_step) {
    const struct {
        std::vector<std::vector<CNote>> columns;
        std::vector<int> shown; // treble notes in column order
    } rows[] = {
        {{{note(F, 4, 1)}, {note(F, 4)}}, {1, 0}},
        {{{note(F, 4, 1)}, {note(F, 5, 1)}}, {1, 1}},
        {{{note(F, 4, 1)}, {note(F, 4, 1)}}, {1, 255}},
        {{{note(F, 4)}, {note(F, 4, -1)}, {note(F, 4, -1)}, {note(F, 4)}}, {255, -1, 255, 0}},
        {{{note(B, 4, -2)}, {note(B, 4, -1)}}, {-2, -1}},
        {{{note(C, 4, 1), note(E, 4), note(G, 4, 2)}}, {1, 255, 2}},
    };
    for (const auto& row : rows) {
        const CMusic music = laidOut(row.columns);
        std::vector<int> shown;
        for (const CChord& chord : music.staves[0].chords)
            for (const CNote& n : chord.notes) {
                shown.push_back(n.shownAccidental);
                EXPECT_EQ(n.layoutAccidental, n.shownAccidental);
                EXPECT_EQ(n.layoutStep, n.staffStep);
            }
        EXPECT_EQ(shown, row.shown);
    }

    // Each staff keeps its own table: F#4 on the treble staff does not hold on the bass staff.
    CMusic music;
    music.staves.resize(2);
    music.staves[0].middleStep = 41;
    music.staves[1].middleStep = 29;
    for (CStaff& staff : music.staves)
        staff.chords.resize(2);
    music.staves[0].chords[0].notes = {note(F, 4, 1)};
    music.staves[1].chords[1].notes = {note(F, 4, 1)};
    layoutMusic(music);
    EXPECT_EQ(music.staves[1].chords[1].notes[0].shownAccidental, 1);
}

TEST(layout, side_values_and_column_positions) {
    // Column 0: a stem-up triad; column 1: a stem-down note (left width 1); column 2: only bass
    // notes, so an empty treble chord (stem down, right width 3); column 3: a second, stem up.
    const CMusic music = laidOut({{note(C, 4), note(E, 4), note(G, 4)},
                                  {note(D, 5)},
                                  {note(D, 3)},
                                  {note(A, 4), note(B, 4)}});
    const auto& treble = music.staves[0].chords;
    const auto& bass = music.staves[1].chords;

    const struct {
        const CChord& chord;
        int minSide, leftExtent, rightExtent;
    } rows[] = {
        {treble[0], 0, 0, 1}, {treble[1], -1, 1, 3}, {treble[2], 0, 0, 3}, {treble[3], 0, 0, 3},
        {bass[0], 0, 0, 3},   {bass[1], 0, 0, 3},    {bass[2], -1, 1, 3},  {bass[3], 0, 0, 3},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.chord.minSide, row.minSide);
        EXPECT_EQ(row.chord.leftExtent, row.leftExtent);
        EXPECT_EQ(row.chord.rightExtent, row.rightExtent);
        EXPECT_EQ(row.chord.minX, 2147483647.0);
        EXPECT_EQ(row.chord.maxX, 0.0);
        for (const CNote& n : row.chord.notes)
            EXPECT_EQ(n.layoutSide, row.minSide == 0 ? 1 : -1);
    }
    EXPECT_EQ(treble[3].notes[1].layoutSide, 1); // shifted heads count as the stem-up side

    // Left widths 0, 1, 1, 0; right widths 3, 3, 3, 3 (the empty chords are stem down): steps
    // of 4, 4 and 3, all evened out to the widest.
    const int expected[] = {6, 6 + 4, 6 + 8, 6 + 12};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(treble[static_cast<std::size_t>(j)].columnX, expected[j]) << j;
        EXPECT_EQ(bass[static_cast<std::size_t>(j)].columnX, expected[j]) << j;
    }
    for (std::size_t j = 0; j < 4; ++j)
        for (const CNote& n : bass[j].notes)
            EXPECT_EQ(n.column, static_cast<int>(j));
}

TEST(layout, one_column_and_empty_columns) {
    // Left width of column 0 + 6 on both staves.
    const CMusic up = laidOut({{note(A, 4)}});
    EXPECT_EQ(up.staves[0].chords[0].columnX, 6);
    EXPECT_EQ(up.staves[1].chords[0].columnX, 6);
    const CMusic down = laidOut({{note(D, 5)}});
    EXPECT_EQ(down.staves[0].chords[0].columnX, 7);
    EXPECT_EQ(down.staves[1].chords[0].columnX, 7);

    // Columns without any notes on either staff take the widths of stem-down empty chords.
    const CMusic empty = laidOut({{}, {}, {note(A, 4)}});
    EXPECT_EQ(empty.staves[0].chords[0].columnX, 6);
    EXPECT_EQ(empty.staves[0].chords[1].columnX, 9);
    EXPECT_EQ(empty.staves[1].chords[2].columnX, 12);
    EXPECT_FALSE(empty.staves[0].chords[0].stemUp);

    CMusic none = buildMusic(CTwoStaffChord{});
    layoutMusic(none);
    EXPECT_EQ(none.columnCount, 0);
    EXPECT_TRUE(none.staves[0].chords.empty());
}

TEST(layout, running_it_again_gives_the_same_layout) {
    CMusic music = laidOut({{note(C, 4), note(D, 4), note(E, 4, -1)}, {note(E, 4)}, {note(D, 5)}});
    const CMusic first = music;
    layoutMusic(music);
    for (std::size_t s = 0; s < 2; ++s)
        for (std::size_t j = 0; j < 3; ++j) {
            const CChord& a = first.staves[s].chords[j];
            const CChord& b = music.staves[s].chords[j];
            EXPECT_EQ(a.columnX, b.columnX);
            EXPECT_EQ(a.hasShiftedHeads, b.hasShiftedHeads);
            EXPECT_EQ(a.minSide, b.minSide);
            EXPECT_EQ(shifts(a), shifts(b));
            for (std::size_t k = 0; k < a.notes.size(); ++k)
                EXPECT_EQ(a.notes[k].shownAccidental, b.notes[k].shownAccidental);
        }
}

} // namespace
} // namespace sorvel
