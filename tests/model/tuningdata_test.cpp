// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuningdata.h"

#include <gtest/gtest.h>

namespace sorvel {
namespace {

TEST(records, note_constructors) {
    const CNote c4(4, 0, 0);
    EXPECT_TRUE(c4.systemFrequencies.empty());
    EXPECT_EQ(c4.marked + c4.markKind + c4.selected + c4.locked + c4.displayState, 0);
    EXPECT_EQ(c4.shownAccidental, 255);
    EXPECT_EQ(c4.pitchNumber(), 60);
    EXPECT_EQ(c4.computeStaffStep(), 35);

    const CNote a4(4, 5, 0, {440, 440, 440, 440, 440.5}, 4);
    EXPECT_EQ(a4.systemFrequencies.size(), 5u);
    EXPECT_EQ(a4.system, 4);
    EXPECT_EQ(a4.soundingFrequency, 440.5);
}

TEST(records, assign_frequencies_fills_five_and_replaces_them) {
    std::vector<CNote> notes = {CNote(4, 0, 0), CNote(4, 2, 0), CNote(4, 4, 0)};
    assignFrequencies(notes, 1);
    for (const CNote& n : notes) {
        ASSERT_EQ(n.systemFrequencies.size(), 5u);
        EXPECT_EQ(n.system, 1);
        EXPECT_EQ(n.soundingFrequency, n.systemFrequencies[1]);
    }
    EXPECT_NEAR(notes[1].soundingFrequency, 327.0319566, 1e-7); // just major third
    EXPECT_NEAR(notes[1].systemFrequencies[0], 329.6275569, 1e-7);
    notes[1].soundingFrequency = 1.0;
    assignFrequencies(notes, 3);
    for (const CNote& n : notes) {
        EXPECT_EQ(n.systemFrequencies.size(), 5u);
        EXPECT_EQ(n.soundingFrequency, n.systemFrequencies[3]);
    }
    EXPECT_DOUBLE_EQ(notes[1].soundingFrequency, 330.0); // Werkmeister E4
}

TEST(records, copies_are_deep) {
    std::vector<CNote> notes = {CNote(4, 5, 0)};
    assignFrequencies(notes, 0);
    CNote source = notes[0];
    source.marked = 1;
    source.markKind = 2;
    source.hitBox = {1, 2, 3, 4};
    CNote copy = source;
    EXPECT_EQ(copy.systemFrequencies, source.systemFrequencies);
    EXPECT_EQ(copy.markKind, 2);
    EXPECT_EQ(copy.hitBox, source.hitBox);
    copy.soundingFrequency = 1.0;
    copy.systemFrequencies[0] = 2.0;
    EXPECT_EQ(source.soundingFrequency, 440.0);
    EXPECT_EQ(source.systemFrequencies[0], 440.0);
}

TEST(records, music_copy_drops_the_selection) {
    CMusic music;
    resizeWith(music.staves, 2, CStaff{});
    resizeWith(music.staves[0].chords, 1, CChord{});
    music.staves[0].chords[0].notes.push_back(CNote(4, 0, 0));
    music.columnCount = 1;
    CNote& note = music.staves[0].chords[0].notes[0];
    note.selected = 1;
    music.selection = {0, 0, 0, &note};

    const CMusic copy = music;
    EXPECT_EQ(copy.selection.noteRef, nullptr);
    EXPECT_EQ(copy.selection.staff + copy.selection.chord + copy.selection.note, 0);
    EXPECT_EQ(copy.staves[0].chords[0].notes[0].selected, 1);
    EXPECT_EQ(copy.columnCount, 1);

    CMusic assigned;
    assigned = music;
    EXPECT_EQ(assigned.selection.noteRef, nullptr);
    assigned.staves[0].chords[0].notes[0].octave = 5;
    EXPECT_EQ(music.staves[0].chords[0].notes[0].octave, 4);
}

TEST(records, resizing_fills_with_the_prototype_and_truncates) {
    CChord prototype;
    prototype.columnX = 7;
    std::vector<CChord> chords(1);
    resizeWith(chords, 3, prototype);
    ASSERT_EQ(chords.size(), 3u);
    EXPECT_EQ(chords[0].columnX, 0);
    EXPECT_EQ(chords[2].columnX, 7);
    resizeWith(chords, 1, prototype);
    EXPECT_EQ(chords.size(), 1u);
}

} // namespace
} // namespace sorvel
