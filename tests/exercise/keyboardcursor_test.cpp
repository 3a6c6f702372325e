// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard cursor and the spoken names a screen reader gets for the staff and the options.
#include "answering.h"
#include "newexercise.h"
#include "spokennames.h"
#include "staffcursor.h"
#include "vbmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>

namespace sorvel {
namespace {

TEST(spoken_names, every_interval_and_chord_abbreviation_is_spoken_as_words) {
    // Every caption of the option pages and the session record, the dictionary keys, and a few
    // rarer spellings of the interval table.
    const std::pair<const char*, const char*> rows[] = {
        {"m2", "minor second"},
        {"M2", "major second"},
        {"m3", "minor third"},
        {"M3", "major third"},
        {"P4", "perfect fourth"},
        {"\u00ba5", "diminished fifth"},
        {"d5", "diminished fifth"},
        {"P5", "perfect fifth"},
        {"m6", "minor sixth"},
        {"M6", "major sixth"},
        {"m7", "minor seventh"},
        {"M7", "major seventh"},
        {"P8", "perfect octave"},
        {"P1", "perfect unison"},
        {"m9", "minor ninth"},
        {"M9", "major ninth"},
        {"m10", "minor tenth"},
        {"M10", "major tenth"},
        {"P11", "perfect eleventh"},
        {"\u00ba12", "diminished twelfth"},
        {"P12", "perfect twelfth"},
        {"m13", "minor thirteenth"},
        {"M13", "major thirteenth"},
        {"m14", "minor fourteenth"},
        {"M14", "major fourteenth"},
        {"P15", "perfect fifteenth"},
        {"A5", "augmented fifth"},
        {"d7", "diminished seventh"},
        {"D3", "doubly diminished third"},
        {"B4", "doubly augmented fourth"},
        {"Maj", "major triad"},
        {"Min", "minor triad"},
        {"Dim", "diminished triad"},
        {"Aug", "augmented triad"},
        {"Mm7", "major-minor seventh"},
        {"MM7", "major seventh"},
        {"mm7", "minor seventh"},
        {"\u00f87", "half-diminished seventh"},
        {"mM7", "minor-major seventh"},
        {"M+7", "augmented-major seventh"},
        {"\u00ba7", "diminished seventh"},
        {"Major", "major triad"},
        {"Minor", "minor triad"},
        {"Dim.", "diminished triad"},
        {"Aug.", "augmented triad"},
        {"Major7", "major seventh"},
        {"Minor7", "minor seventh"},
        {"Half-Dim.", "half-diminished seventh"},
        {"Aug.M7", "augmented-major seventh"},
        {"Dim.7", "diminished seventh"},
        // Not an abbreviation: left as it is.
        {"Equal", "Equal"},
        {"m", "m"},
        {"m16", "m16"},
    };
    for (const auto& [abbreviation, spoken] : rows)
        EXPECT_EQ(spokenAbbreviation(abbreviation), spoken) << abbreviation;
    EXPECT_EQ(chordTypeName("Mm7"), "dominant seventh");
    // Shown texts, as the session record's cells hold them.
    EXPECT_EQ(spokenPhrase("P5, melodic"), "perfect fifth, melodic");
    EXPECT_EQ(spokenPhrase("\u00ba12, harmonic"), "diminished twelfth, harmonic");
    EXPECT_EQ(spokenPhrase("Mm7, 1st inversion, open"),
              "major-minor seventh, 1st inversion, open");
    EXPECT_EQ(spokenPhrase("Single note A5"), "Single note A 5");
    EXPECT_EQ(spokenPhrase("G#3 +12.5 Bb2 -3.0"), "G sharp 3 +12.5 B flat 2 -3.0");
    EXPECT_EQ(chordTypeName("Half-Dim."), "half-diminished seventh");
}

TEST(spoken_names, notes_say_their_accidental_notehead_and_mark) {
    EXPECT_EQ(spokenNoteName(4, 0, 1), "C sharp 4");
    EXPECT_EQ(spokenNoteName(3, 6, -1), "B flat 3");
    EXPECT_EQ(spokenNoteName(5, 3, 2), "F double sharp 5");
    EXPECT_EQ(spokenNoteName(2, 1, -2), "D double flat 2");
    CNote note(4, 0, 1);
    note.markKind = 2;
    note.marked = 1;
    EXPECT_EQ(describeNote(note), "C sharp 4, black, marked sharp");
    CNote white(4, 5, 0);
    white.locked = 1;
    white.selected = 1;
    EXPECT_EQ(describeNote(white), "A 4, white, selected");
    note.displayState = 5;
    note.displayColour = rgbValue(255, 0, 0);
    EXPECT_EQ(describeNote(note), "C sharp 4, black, marked sharp, shown red");
    note.displayColour = rgbValue(40, 255, 40);
    EXPECT_EQ(describeNote(note), "C sharp 4, black, marked sharp, shown green");
}

TEST(spoken_names, the_diagram_reads_in_cents_from_equal_temperament) {
    CNote e(4, 2, 0); // E4: 329.628 Hz in equal temperament at A = 440 Hz
    e.systemFrequencies = {329.6275569, 261.6255653 * 1.25};
    e.system = 1; // a just major third above C4: 13.7 cents flat
    e.soundingFrequency = 329.6275569 * std::pow(2.0, 10.0 / 1200.0);
    EXPECT_EQ(describeDiagram(e, 440.0),
              "E 4: sounding pitch +10.0 cents, correct answer -13.7 cents from equal temperament");
    // At A = 442 Hz the same frequencies lie 7.9 cents lower.
    EXPECT_EQ(describeDiagram(e, 442.0),
              "E 4: sounding pitch +2.1 cents, correct answer -21.5 cents from equal temperament");
}

TEST(spoken_names, a_sonority_says_its_type_inversion_and_copy) {
    MTRand_int32::seed(7);
    CGenerateChord generator;
    ExerciseRequest chords;
    chords.category = ExerciseCategory::chords;
    chords.chordBoxes[4] = true;         // Mm7
    chords.inversionBoxes[1] = true;     // first inversion
    chords.chordPositionBoxes[0] = true; // closed
    chords.chordStyleBoxes[0] = true;    // stacked
    NewExercise made = makeNewExercise(chords, generator);
    CMusic score = startOver(made.exerciseTemplate);
    ASSERT_EQ(score.copies, 2); // "Compare with correctly tuned version" is ticked by default
    EXPECT_EQ(describeSonority(score, made, 0),
              "chord: dominant seventh, first inversion, closed, correctly tuned copy");
    EXPECT_EQ(describeSonority(score, made, 1), "chord: dominant seventh, first inversion, closed");

    ExerciseRequest intervals;
    intervals.category = ExerciseCategory::intervals;
    intervals.intervalBoxes[2] = true;      // m3
    intervals.intervalRangeBoxes[0] = true; // within the octave
    intervals.intervalStyleBoxes[1] = true; // melodic
    intervals.compareBox = false;
    made = makeNewExercise(intervals, generator);
    score = startOver(made.exerciseTemplate);
    EXPECT_EQ(describeSonority(score, made, 1), "interval: minor third, melodic, note 2 of 2");
}

// Exercises of every category, task and layout, with the geometry drawing gives them.
std::vector<std::pair<NewExercise, CMusic>> drawnExercises() {
    std::vector<std::pair<NewExercise, CMusic>> out;
    CGenerateChord generator;
    for (std::uint32_t seed = 1; seed <= 36; ++seed) {
        MTRand_int32::seed(seed);
        ExerciseRequest r;
        r.category = static_cast<ExerciseCategory>(seed % 3);
        r.task = static_cast<ExerciseTask>(seed / 3 % 3);
        r.compareBox = seed % 2 == 0;
        r.tuning2 = 3;
        r.intervalStyleBoxes[seed / 2 % 2] = true;
        r.chordStyleBoxes[seed / 5 % 2] = true;
        r.chordPositionBoxes[seed / 7 % 2] = true;
        NewExercise made = makeNewExercise(r, generator);
        CMusic score = startOver(made.exerciseTemplate);
        VBMP builder;
        buildScore(builder, score);
        out.emplace_back(std::move(made), std::move(score));
    }
    return out;
}

TEST(staff_cursor, hovers_and_clicks_every_note_exactly_as_the_mouse_there_would) {
    for (auto& [made, score] : drawnExercises()) {
        StaffCursor cursor;
        double lastX = -1.0;
        const std::size_t count = StaffCursor::columns(score).size();
        ASSERT_GT(count, 0u);
        for (std::size_t c = 0; c < count; ++c, cursor.moveSonority(score, +1)) {
            const int column = StaffCursor::columns(score)[c];
            const auto notes = StaffCursor::notesOf(score, column);
            for (std::size_t n = 0; n < notes.size(); ++n) {
                while (cursor.noteRank() > static_cast<int>(n))
                    cursor.moveNote(score, -1);
                while (cursor.noteRank() < static_cast<int>(n))
                    cursor.moveNote(score, +1);
                ASSERT_EQ(cursor.note(score), notes[n]);
                const auto at = cursor.point(score);
                ASSERT_TRUE(at);
                // Hovering there: that note on the diagram, its whole sonority sounding.
                std::vector<CNote*> sounding;
                std::vector<double> phases;
                const auto hover = hoverAt(&score, sounding, phases, at->x, at->y);
                ASSERT_TRUE(hover && hover->sounding);
                EXPECT_EQ(hover->note, notes[n]);
                const std::set<const CNote*> heard(sounding.begin(), sounding.end());
                EXPECT_EQ(heard, std::set<const CNote*>(notes.begin(), notes.end()));
                // Clicking there selects (or marks) that very note.
                EXPECT_TRUE(clickAt(&score, tuneTask, MouseButton::left, at->x, at->y));
                EXPECT_EQ(score.selection.noteRef, notes[n]);
                // The mouse resting there leaves the cursor where it is.
                StaffCursor followed;
                followed.follow(score, hover->note, true, at->x);
                EXPECT_EQ(followed.column(), cursor.column());
                EXPECT_EQ(followed.noteRank(), cursor.noteRank());
            }
            // Right moves rightwards; lowest note first, going up.
            EXPECT_GT(notes.front()->centre[0] + 20.0, lastX);
            lastX = notes.front()->centre[0];
            for (std::size_t n = 1; n < notes.size(); ++n)
                EXPECT_LE(notes[n]->centre[1], notes[n - 1]->centre[1] + 0.5);
        }
        // It stops at both ends.
        EXPECT_EQ(cursor.column(), static_cast<int>(count) - 1);
        cursor.moveSonority(score, -100);
        EXPECT_EQ(cursor.column(), 0);
        cursor.moveNote(score, -3);
        EXPECT_EQ(cursor.noteRank(), 0);
    }
}

} // namespace
} // namespace sorvel
