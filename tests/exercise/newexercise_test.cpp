// SPDX-License-Identifier: GPL-3.0-or-later
#include "newexercise.h"

#include "pitch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace sorvel {
namespace {

void seedGenerator(std::uint32_t seed) {
    MTRand_int32::seed(seed);
}

double deviationCents(const CNote& note) {
    return 1200.0 * std::log2(note.soundingFrequency /
                              note.systemFrequencies.at(static_cast<std::size_t>(note.system)));
}

bool isMistuned(const CNote& note) {
    return std::abs(deviationCents(note)) > 0.01;
}

// The copies of an exercise, each as its notes in generated order.
std::vector<std::vector<CNote>> copiesOf(const NewExercise& made) {
    std::vector<std::vector<CNote>> copies(made.referenceCopy ? 2 : 1);
    const auto& columns = made.exerciseTemplate.columns;
    for (std::size_t c = 0; c < copies.size(); ++c) {
        if (made.oneColumn) {
            copies[c] = columns.at(c).notes;
        } else {
            for (int i = 0; i < made.noteCount; ++i)
                copies[c].push_back(
                    columns.at(c * static_cast<std::size_t>(made.noteCount) + i).notes.at(0));
        }
    }
    return copies;
}

const std::vector<CNote>& testedCopy(const std::vector<std::vector<CNote>>& copies) {
    return copies.back();
}

enum class Sonority { note, interval, triad, seventh };

ExerciseRequest requestFor(Sonority sonority, bool referenceCopy, int difficulty) {
    ExerciseRequest request;
    request.compareBox = referenceCopy;
    request.difficulty = difficulty;
    switch (sonority) {
    case Sonority::note:
        request.category = ExerciseCategory::singleNotes;
        break;
    case Sonority::interval:
        request.category = ExerciseCategory::intervals;
        request.intervalBoxes[3] = true; // M3
        break;
    case Sonority::triad:
        request.category = ExerciseCategory::chords;
        request.chordBoxes[0] = true; // major triad
        break;
    case Sonority::seventh:
        request.category = ExerciseCategory::chords;
        request.chordBoxes[4] = true; // dominant seventh
        break;
    }
    return request;
}

// Number of mistuned pitches that can occur, per difficulty position 1..7.
struct CountRow {
    Sonority sonority;
    bool referenceCopy;
    std::array<std::set<int>, 7> counts;
};

const std::set<int> one = {1}, upTo1 = {0, 1}, upTo2 = {0, 1, 2}, upTo3 = {0, 1, 2, 3},
                    upTo4 = {0, 1, 2, 3, 4};

const CountRow countRows[] = {
    {Sonority::note, true, {upTo1, upTo1, upTo1, upTo1, upTo1, upTo1, upTo1}},
    {Sonority::interval, true, {one, one, upTo1, upTo1, upTo2, upTo2, upTo2}},
    {Sonority::interval, false, {one, one, upTo1, upTo1, upTo1, upTo1, upTo1}},
    // Drawing 4 for a triad mistunes nothing: 3 notes cannot hold 4 picks.
    {Sonority::triad, true, {one, one, upTo1, upTo1, upTo2, upTo2, upTo3}},
    {Sonority::triad, false, {one, one, upTo1, upTo1, upTo2, upTo2, upTo2}},
    {Sonority::seventh, true, {one, one, upTo1, upTo1, upTo2, upTo2, upTo4}},
    {Sonority::seventh, false, {one, one, upTo1, upTo1, upTo2, upTo2, upTo3}},
};

TEST(new_exercise, mistuned_counts_follow_the_table) {
    seedGenerator(20240601);
    CGenerateChord generator;
    for (const CountRow& row : countRows) {
        for (int position = 1; position <= 7; ++position) {
            std::set<int> seen;
            for (int run = 0; run < 300; ++run) {
                const NewExercise made = makeNewExercise(
                    requestFor(row.sonority, row.referenceCopy, position - 1), generator);
                const auto copies = copiesOf(made);
                seen.insert(static_cast<int>(std::count_if(testedCopy(copies).begin(),
                                                           testedCopy(copies).end(), isMistuned)));
            }
            EXPECT_EQ(seen, row.counts[static_cast<std::size_t>(position - 1)])
                << "sonority " << static_cast<int>(row.sonority) << ", reference copy "
                << row.referenceCopy << ", position " << position;
        }
    }
}

TEST(new_exercise, mistunings_are_whole_steps_from_two_steps_to_forty_cents) {
    // Largest multiple of the step at each position: 20, 30, 40 cents at position 1 ... 4 to 40
    // cents in steps of 2 at position 7.
    const int largestK[7] = {4, 4, 5, 6, 8, 12, 20};
    const double steps[7] = {10, 26.0 / 3, 22.0 / 3, 6, 14.0 / 3, 10.0 / 3, 2};
    seedGenerator(77);
    CGenerateChord generator;
    for (int d = 0; d < 7; ++d) {
        std::set<int> ks;
        bool flat = false, sharp = false;
        for (int run = 0; run < 400; ++run) {
            const NewExercise made =
                makeNewExercise(requestFor(Sonority::seventh, true, d), generator);
            EXPECT_NEAR(made.retuneCents, steps[d], 1e-9);
            EXPECT_NEAR(made.retuneRatio, std::pow(2.0, steps[d] / 1200), 1e-12);
            const auto copies = copiesOf(made);
            for (const CNote& note : testedCopy(copies)) {
                if (!isMistuned(note))
                    continue;
                const double k = std::abs(deviationCents(note)) / steps[d];
                EXPECT_NEAR(k, std::round(k), 1e-6);
                ks.insert(static_cast<int>(std::lround(k)));
                (deviationCents(note) < 0 ? flat : sharp) = true;
            }
        }
        std::set<int> expected;
        for (int k = 2; k <= largestK[d]; ++k)
            expected.insert(k);
        EXPECT_EQ(ks, expected) << "position " << d + 1;
        EXPECT_TRUE(flat && sharp) << "position " << d + 1;
    }
}

TEST(new_exercise, white_reference_notes) {
    seedGenerator(5);
    CGenerateChord generator;
    for (Sonority sonority : {Sonority::interval, Sonority::triad, Sonority::seventh}) {
        for (int run = 0; run < 200; ++run) {
            const int d = run % 7;
            // With a reference copy: the first copy all white and in tune, the tested one black.
            NewExercise made = makeNewExercise(requestFor(sonority, true, d), generator);
            auto copies = copiesOf(made);
            ASSERT_EQ(copies.size(), 2u);
            EXPECT_EQ(made.innerReferences, 0);
            for (const CNote& note : copies[0]) {
                EXPECT_EQ(note.locked, 1);
                EXPECT_FALSE(isMistuned(note));
            }
            for (const CNote& note : copies[1])
                EXPECT_EQ(note.locked, 0);

            // Without one: exactly one white note in the sonority, never mistuned.
            made = makeNewExercise(requestFor(sonority, false, d), generator);
            copies = copiesOf(made);
            ASSERT_EQ(copies.size(), 1u);
            EXPECT_EQ(made.innerReferences, 1);
            int white = 0;
            for (const CNote& note : copies[0]) {
                white += note.locked;
                if (note.locked) {
                    EXPECT_FALSE(isMistuned(note));
                }
            }
            EXPECT_EQ(white, 1);
        }
    }
}

TEST(new_exercise, single_note_always_has_a_white_reference_first) {
    seedGenerator(9);
    CGenerateChord generator;
    ExerciseRequest request = requestFor(Sonority::note, false, 0);
    request.pitchBoxes[7] = true; // only G
    for (int run = 0; run < 50; ++run) {
        const NewExercise made = makeNewExercise(request, generator);
        EXPECT_TRUE(made.referenceCopy);
        EXPECT_EQ(made.noteCount, 1);
        ASSERT_EQ(made.exerciseTemplate.columns.size(), 2u);
        const CNote& reference = made.exerciseTemplate.columns[0].notes.at(0);
        const CNote& tested = made.exerciseTemplate.columns[1].notes.at(0);
        EXPECT_EQ(reference.locked, 1);
        EXPECT_EQ(tested.locked, 0);
        EXPECT_EQ(reference.pitchNumber() % 12, 7);
        EXPECT_EQ(tested.pitchNumber(), reference.pitchNumber());
    }
}

struct LayoutCase {
    bool oneColumn;
    bool referenceCopy;
    std::size_t columns;   // for a seventh chord
    std::size_t perColumn; // notes in each column
};

TEST(new_exercise, the_four_template_layouts) {
    const LayoutCase cases[] = {
        {true, true, 2, 4},
        {true, false, 1, 4},
        {false, true, 8, 1},
        {false, false, 4, 1},
    };
    seedGenerator(31);
    CGenerateChord generator;
    for (const LayoutCase& layout : cases) {
        ExerciseRequest request = requestFor(Sonority::seventh, layout.referenceCopy, 0);
        request.chordStyleBoxes[layout.oneColumn ? 0 : 1] = true;
        const NewExercise made = makeNewExercise(request, generator);
        const auto& columns = made.exerciseTemplate.columns;
        ASSERT_EQ(columns.size(), layout.columns);
        for (const CChord& column : columns)
            EXPECT_EQ(column.notes.size(), layout.perColumn);
        // Every copy holds the generated notes in generated order, the white copy first.
        const auto copies = copiesOf(made);
        for (const auto& copy : copies) {
            ASSERT_EQ(copy.size(), generator.notes.size());
            for (std::size_t i = 0; i < copy.size(); ++i)
                EXPECT_EQ(copy[i].pitchNumber(), generator.notes[i].pitchNumber());
        }
        if (layout.referenceCopy) {
            EXPECT_EQ(copies[0].front().locked, 1);
        }
    }
}

TEST(new_exercise, compound_intervals_lie_an_octave_higher) {
    seedGenerator(11);
    CGenerateChord generator;
    ExerciseRequest request = requestFor(Sonority::interval, true, 3);
    request.intervalRangeBoxes[1] = true; // larger than an octave
    for (int run = 0; run < 50; ++run) {
        const NewExercise made = makeNewExercise(request, generator);
        EXPECT_TRUE(made.wide);
        EXPECT_EQ(generator.highestPitch, 53);
        const auto copy = copiesOf(made)[0];
        ASSERT_EQ(copy.size(), 2u);
        EXPECT_EQ(copy[1].pitchNumber() - copy[0].pitchNumber(), 4 + 12); // a major tenth
        EXPECT_EQ(copy[1].letter, (copy[0].letter + 2) % 7);
    }
    // The octave box within an octave gives an octave, larger than an octave a fifteenth.
    request.intervalBoxes = {};
    request.intervalBoxes[11] = true;
    for (int range : {0, 1}) {
        request.intervalRangeBoxes = {};
        request.intervalRangeBoxes[static_cast<std::size_t>(range)] = true;
        const NewExercise made = makeNewExercise(request, generator);
        EXPECT_EQ(made.typeName, "P1");
        EXPECT_EQ(generator.highestPitch, range ? 53 : 65);
        const auto copy = copiesOf(made)[0];
        EXPECT_EQ(copy[1].pitchNumber() - copy[0].pitchNumber(), range ? 24 : 12);
    }
}

// The octave's upper note is added after the bass is placed; every interval, the octave and
// the fifteenth included, must still end below F5 (generator pitch 65). A bottom note that has
// no place in the range may reach F5 itself, never beyond.
TEST(new_exercise, every_interval_stays_inside_the_range) {
    seedGenerator(12);
    CGenerateChord generator;
    for (std::size_t box = 0; box < intervalOptionNames.size(); ++box) {
        for (std::size_t range : {0u, 1u}) {
            ExerciseRequest request = requestFor(Sonority::interval, true, 3);
            request.intervalBoxes = {};
            request.intervalBoxes[box] = true;
            request.intervalRangeBoxes[range] = true;
            int highest = 0;
            for (int run = 0; run < 520; ++run) {
                request.bottomNote = run % 13;
                const NewExercise made = makeNewExercise(request, generator);
                const std::string what = made.typeName + " range " + std::to_string(range) +
                                         " bottom note " + std::to_string(request.bottomNote);
                for (const CChord& column : made.exerciseTemplate.columns) {
                    for (const CNote& note : column.notes) {
                        const int g = note.pitchNumber() - 12;
                        EXPECT_LE(g, 65) << what;
                        if (request.bottomNote == 0) {
                            EXPECT_LT(g, 65) << what;
                            EXPECT_GE(g, 33) << what;
                        }
                        highest = std::max(highest, g);
                    }
                }
            }
            // The range is not narrowed beyond need: the top notes still come near F5.
            EXPECT_GE(highest, 60) << intervalOptionNames[box] << " range " << range;
        }
    }
}

TEST(new_exercise, open_triad_puts_the_fifth_before_the_third) {
    seedGenerator(12);
    CGenerateChord generator;
    ExerciseRequest request = requestFor(Sonority::triad, true, 0);
    request.inversionBoxes[0] = true;     // root position
    request.chordPositionBoxes[1] = true; // open
    request.chordStyleBoxes[1] = true;    // broken, so the columns keep the voiced order
    for (int run = 0; run < 30; ++run) {
        const NewExercise made = makeNewExercise(request, generator);
        EXPECT_EQ(generator.highestPitch, 53);
        const auto copy = copiesOf(made)[0];
        ASSERT_EQ(copy.size(), 3u);
        const int bass = copy[0].pitchNumber();
        EXPECT_EQ(copy[1].pitchNumber() - bass, 7);      // the fifth
        EXPECT_EQ(copy[2].pitchNumber() - bass, 12 + 4); // the third, an octave up
    }
}

TEST(new_exercise, open_seventh_chords_follow_one_of_five_rows) {
    // Closed dominant seventh in root position: 0, 4, 7, 10 semitones above the bass. Each row
    // names the closed notes at places 1..3 and the octaves added at places 2 and 3.
    const int closed[4] = {0, 4, 7, 10};
    const int rows[5][5] = {
        {3, 2, 1, 1, 2}, {3, 1, 2, 1, 1}, {2, 1, 3, 1, 1}, {2, 3, 1, 0, 1}, {1, 3, 2, 0, 1}};
    seedGenerator(13);
    CGenerateChord generator;
    ExerciseRequest request = requestFor(Sonority::seventh, true, 0);
    request.inversionBoxes[0] = true;
    request.chordPositionBoxes[1] = true;
    request.chordStyleBoxes[1] = true;
    std::set<int> rowsSeen;
    for (int run = 0; run < 100; ++run) {
        const NewExercise made = makeNewExercise(request, generator);
        ASSERT_GE(made.openRow, 0);
        ASSERT_LT(made.openRow, 5);
        rowsSeen.insert(made.openRow);
        const int* row = rows[made.openRow];
        const auto copy = copiesOf(made)[0];
        ASSERT_EQ(copy.size(), 4u);
        const int bass = copy[0].pitchNumber();
        EXPECT_EQ(copy[1].pitchNumber() - bass, closed[row[0]]);
        EXPECT_EQ(copy[2].pitchNumber() - bass, closed[row[1]] + 12 * row[3]);
        EXPECT_EQ(copy[3].pitchNumber() - bass, closed[row[2]] + 12 * row[4]);
    }
    EXPECT_EQ(rowsSeen.size(), 5u);
}

// Just ratios above the bass by semitones, written out independently of the tuning code.
double justAbove(int semitones) {
    const double ratios[12] = {1.0,     16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4,  4.0 / 3,
                               M_SQRT2, 3.0 / 2,   8.0 / 5, 5.0 / 3, 16.0 / 9, 15.0 / 8};
    return std::pow(2.0, semitones / 12) * ratios[semitones % 12];
}

TEST(new_exercise, compare_mode_shows_two_black_copies_in_two_systems) {
    seedGenerator(14);
    CGenerateChord generator;
    for (Sonority sonority : {Sonority::interval, Sonority::triad, Sonority::seventh}) {
        for (int run = 0; run < 20; ++run) {
            ExerciseRequest request = requestFor(sonority, false, 6);
            request.task = ExerciseTask::compare;
            request.tuning = 0;
            request.tuning2 = 1;
            const NewExercise made = makeNewExercise(request, generator);
            EXPECT_FALSE(made.gradingEnabled);
            EXPECT_EQ(made.task, 3);
            EXPECT_EQ(made.innerReferences, 0);
            const auto copies = copiesOf(made);
            ASSERT_EQ(copies.size(), 2u);
            int bass = 1000;
            for (const CNote& note : copies[1])
                bass = std::min(bass, note.pitchNumber());
            for (std::size_t i = 0; i < copies[0].size(); ++i) {
                const CNote& first = copies[0][i];
                const CNote& second = copies[1][i];
                EXPECT_EQ(first.locked + second.locked, 0);
                EXPECT_EQ(first.system, 0);
                EXPECT_EQ(second.system, 1);
                EXPECT_NEAR(first.soundingFrequency, equalFrequency(first.pitchNumber()), 1e-9);
                EXPECT_NEAR(second.soundingFrequency,
                            equalFrequency(bass) * justAbove(second.pitchNumber() - bass), 1e-9);
                EXPECT_FALSE(isMistuned(first));
                EXPECT_FALSE(isMistuned(second));
            }
        }
    }
}

TEST(new_exercise, more_picks_than_notes_mistunes_nothing) {
    seedGenerator(15);
    CGenerateChord generator;
    int fours = 0;
    for (int run = 0; run < 200; ++run) {
        const NewExercise made = makeNewExercise(requestFor(Sonority::triad, true, 6), generator);
        if (made.mistunedCount != 4)
            continue;
        ++fours;
        EXPECT_TRUE(made.picked.empty());
        const auto copies = copiesOf(made);
        for (const CNote& note : testedCopy(copies)) {
            EXPECT_FALSE(isMistuned(note));
            EXPECT_EQ(note.locked, 0);
        }
    }
    EXPECT_GT(fours, 0);
}

TEST(new_exercise, tasks_and_grading_buttons) {
    seedGenerator(16);
    CGenerateChord generator;
    ExerciseRequest request = requestFor(Sonority::interval, true, 2);
    request.task = ExerciseTask::identify;
    NewExercise made = makeNewExercise(request, generator);
    EXPECT_EQ(made.task, 2);
    EXPECT_TRUE(made.gradingEnabled);
    request.task = ExerciseTask::tune;
    made = makeNewExercise(request, generator);
    EXPECT_EQ(made.task, 3);
    EXPECT_TRUE(made.gradingEnabled);
}

TEST(new_exercise, a_fixed_seed_repeats_the_exercise) {
    const ExerciseRequest request = requestFor(Sonority::seventh, false, 6);
    std::vector<double> first, second;
    for (std::vector<double>* out : {&first, &second}) {
        seedGenerator(99);
        CGenerateChord generator;
        for (int run = 0; run < 5; ++run)
            for (const CChord& column :
                 makeNewExercise(request, generator).exerciseTemplate.columns)
                for (const CNote& note : column.notes)
                    out->push_back(note.soundingFrequency);
    }
    EXPECT_EQ(first, second);
}

TEST(start_over, rebuilds_the_exercise_as_made) {
    seedGenerator(17);
    CGenerateChord generator;
    const NewExercise made = makeNewExercise(requestFor(Sonority::triad, false, 6), generator);
    CMusic exercise = startOver(made.exerciseTemplate);
    std::vector<double> before;
    for (CStaff& staff : exercise.staves)
        for (CChord& chord : staff.chords)
            for (CNote& note : chord.notes) {
                before.push_back(note.soundingFrequency);
                note.markKind = 2;
                note.marked = 1;
                note.soundingFrequency *= 1.1;
            }
    ASSERT_EQ(before.size(), 3u);
    const CMusic again = startOver(made.exerciseTemplate);
    std::vector<double> after;
    int locked = 0;
    for (const CStaff& staff : again.staves)
        for (const CChord& chord : staff.chords)
            for (const CNote& note : chord.notes) {
                after.push_back(note.soundingFrequency);
                EXPECT_EQ(note.marked + note.markKind, 0);
                locked += note.locked;
            }
    EXPECT_EQ(after, before);
    EXPECT_EQ(locked, 1);
}

TEST(sound_options, first_placement_beside_the_button) {
    // Window at (100, 50); button at (2, 461), 145 x 25; dialog 160 high: centred on the
    // button, (160 - 25) / 2 = 67, then 20 lower; 20 right of the button's right edge.
    EXPECT_EQ(soundOptionsPlacement(100, 50, 2, 461, 145, 25, 160), (ScreenPoint{267, 464}));
    // A dialog lower than the button: (20 - 25) / 2 truncates toward zero, to -2.
    EXPECT_EQ(soundOptionsPlacement(0, 0, 2, 461, 145, 25, 20), (ScreenPoint{167, 483}));
}

} // namespace
} // namespace sorvel
