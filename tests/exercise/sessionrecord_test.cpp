// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessionrecord.h"

#include "pitch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace sorvel {
namespace {

std::vector<const CNote*> notesOf(const CMusic& score) {
    std::vector<const CNote*> notes;
    for (const CStaff& staff : score.staves)
        for (const CChord& chord : staff.chords)
            for (const CNote& n : chord.notes)
                notes.push_back(&n);
    return notes;
}

// The chord type whose pitch classes, above one of its notes, are `classes`.
std::string chordTypeOf(const std::set<int>& classes) {
    const std::vector<std::pair<std::string, std::set<int>>> types = {
        {"Maj", {0, 4, 7}},     {"Min", {0, 3, 7}},     {"Dim", {0, 3, 6}},
        {"Aug", {0, 4, 8}},     {"Mm7", {0, 4, 7, 10}}, {"MM7", {0, 4, 7, 11}},
        {"mm7", {0, 3, 7, 10}}, {"ø7", {0, 3, 6, 10}},  {"mM7", {0, 3, 7, 11}},
        {"M+7", {0, 4, 8, 11}}, {"º7", {0, 3, 6, 9}}};
    for (int root : classes) {
        std::set<int> above;
        for (int pc : classes)
            above.insert((pc - root + 12) % 12);
        for (const auto& [name, pattern] : types)
            if (above == pattern)
                return name;
    }
    return "none";
}

// Every page and both graded tasks, with and without a reference copy, at every difficulty:
// the row names what was asked as the notes on the staff show it, and in the tuning task the
// cents of each black note as the test retuned it.
TEST(SessionRecord, each_check_adds_a_row_describing_the_exercise) {
    const char* pages[] = {"Single Notes", "Intervals", "Chords"};
    const char* systems[] = {"Equal", "Perfect", "Vallotti", "Werkmeister III", "Meantone"};
    // Interval names by size in semitones, up to two octaves.
    const char* sizes[] = {"",    "m2",  "M2",  "m3",  "M3",  "P4",  "º5",  "P5",  "m6",
                           "M6",  "m7",  "M7",  "P8",  "m9",  "M9",  "m10", "M10", "P11",
                           "º12", "P12", "m13", "M13", "m14", "M14", "P15"};
    const double offsets[] = {3.0, -4.5, 12.25, -0.5};
    MTRand_int32::seed(4242);
    CGenerateChord generator;
    SessionRecord record;
    int cases = 0;
    for (int round = 0; round < 12; ++round)
        for (int category = 0; category < 3; ++category)
            for (ExerciseTask task : {ExerciseTask::identify, ExerciseTask::tune}) {
                SCOPED_TRACE(testing::Message() << "round " << round << " page " << category);
                ExerciseRequest request;
                request.category = static_cast<ExerciseCategory>(category);
                request.task = task;
                request.compareBox = round % 2 == 0;
                request.tuning = round % 5;
                request.difficulty = round % 7;
                NewExercise made = makeNewExercise(request, generator);
                CMusic score = startOver(made.exerciseTemplate);

                std::vector<std::pair<double, NoteError>> expected;
                if (task == ExerciseTask::tune) {
                    std::size_t k = 0;
                    for (CStaff& staff : score.staves)
                        for (CChord& chord : staff.chords)
                            for (CNote& n : chord.notes) {
                                if (n.locked)
                                    continue;
                                const double correct = n.systemFrequencies[n.system];
                                const double off = offsets[k++ % 4];
                                n.soundingFrequency = correct * std::pow(2.0, off / 1200.0);
                                expected.push_back(
                                    {correct, {noteName(n.octave, n.letter, n.accidental), off}});
                            }
                    std::sort(expected.begin(), expected.end(),
                              [](const auto& a, const auto& b) { return a.first < b.first; });
                }
                const GradeIndex verdict = gradeAnswer(score, gradingRulesOf(made));
                const SessionRow& row = record.add(score, made, verdict, "10:00:00");
                ++cases;

                EXPECT_EQ(row.time, "10:00:00");
                EXPECT_EQ(row.page, pages[category]);
                EXPECT_EQ(row.task,
                          task == ExerciseTask::identify ? "Identify" : "Correct the tuning");
                EXPECT_EQ(row.tuning, systems[request.tuning]);
                EXPECT_EQ(row.difficulty, request.difficulty + 1);
                EXPECT_EQ(row.verdict, gradeMessage(verdict.column, verdict.row).text);
                EXPECT_EQ(row.asked.rfind(row.kind, 0), 0u) << row.asked;

                // The tested copy is the last one; its notes in pitch order.
                std::vector<int> pitches;
                for (const CNote& n : made.exerciseTemplate.columns.back().notes)
                    pitches.push_back(n.pitchNumber());
                if (!made.oneColumn) {
                    pitches.clear();
                    const auto& cols = made.exerciseTemplate.columns;
                    for (std::size_t i = cols.size() - made.noteCount; i < cols.size(); ++i)
                        pitches.push_back(cols[i].notes.at(0).pitchNumber());
                }
                std::sort(pitches.begin(), pitches.end());
                if (category == 0) {
                    const CNote* n = notesOf(score).at(0);
                    EXPECT_EQ(row.asked,
                              "Single note " + noteName(n->octave, n->letter, n->accidental));
                } else if (category == 1) {
                    ASSERT_EQ(pitches.size(), 2u);
                    EXPECT_EQ(row.kind, sizes[pitches[1] - pitches[0]]);
                    EXPECT_EQ(row.asked, row.kind + (made.oneColumn ? ", harmonic" : ", melodic"));
                } else {
                    std::set<int> classes;
                    for (int p : pitches)
                        classes.insert(p % 12);
                    EXPECT_EQ(row.kind, chordTypeOf(classes));
                    EXPECT_NE(row.asked.find(made.wide ? ", open" : ", closed"), std::string::npos);
                    EXPECT_EQ(row.asked.find("broken") != std::string::npos, !made.oneColumn);
                }

                ASSERT_EQ(row.errors.size(), expected.size());
                for (std::size_t i = 0; i < expected.size(); ++i) {
                    EXPECT_EQ(row.errors[i].name, expected[i].second.name);
                    EXPECT_NEAR(row.errors[i].cents, expected[i].second.cents, 1e-9);
                }
            }
    EXPECT_EQ(record.rows().size(), static_cast<std::size_t>(cases));
}

CNote tunedNote(int octave, int letter, int accidental, double offCents, bool locked) {
    const double correct = equalFrequency(pitchNumber(octave, letter, accidental));
    CNote n(octave, letter, accidental, std::vector<double>(5, correct), 0);
    n.soundingFrequency = correct * std::pow(2.0, offCents / 1200.0);
    n.locked = locked;
    return n;
}

CMusic oneSonority(std::vector<CNote> notes) {
    CMusic score;
    score.staves.resize(2);
    score.staves[0].chords.resize(1);
    score.staves[0].chords[0].notes = std::move(notes);
    return score;
}

NewExercise interval(int box, int task) {
    NewExercise made;
    made.category = ExerciseCategory::intervals;
    made.chosenType = box;
    made.task = task;
    made.noteCount = 2;
    return made;
}

// Five checks worked out by hand: the counts, shares of the two best verdicts and mean errors,
// the worst kind first, and the tab-separated copy.
TEST(SessionRecord, summary_of_a_small_session) {
    SessionRecord record;
    const NewExercise fifthTuned = interval(6, tuneTask);
    const NewExercise fifthMarked = interval(6, identifyTask);
    const NewExercise thirdTuned = interval(2, tuneTask);
    const NewExercise thirdMarked = interval(2, identifyTask);
    NewExercise single;
    single.task = identifyTask;

    // P5 with a white C4: the G4 ends 6 cents sharp, "Good"; then 10 flat, "Poor".
    record.add(oneSonority({tunedNote(4, 0, 0, 0, true), tunedNote(4, 4, 0, 6, false)}), fifthTuned,
               {2, 0}, "t1");
    record.add(oneSonority({tunedNote(4, 0, 0, 0, true), tunedNote(4, 4, 0, -10, false)}),
               fifthTuned, {0, 0}, "t2");
    record.add(oneSonority({tunedNote(4, 0, 0, 0, false), tunedNote(4, 4, 0, 0, false)}),
               fifthMarked, {2, 2}, "t3"); // "Right"
    // m3 with a white copy: C4 4 cents sharp, Eb4 8 flat: "Fair" with a mean error of 6.
    record.add(oneSonority({tunedNote(4, 0, 0, 0, true), tunedNote(4, 2, -1, 0, true),
                            tunedNote(4, 2, -1, -8, false), tunedNote(4, 0, 0, 4, false)}),
               thirdTuned, {1, 0}, "t4");
    record.add(oneSonority({tunedNote(4, 0, 0, 0, false), tunedNote(4, 2, -1, 0, false)}),
               thirdMarked, {1, 2}, "t5"); // "So-so": one of two notes right
    // The last answer was heard on the violin with the drone, the Beats window open.
    record.setSound("Violin", true, true);
    record.add(oneSonority({tunedNote(4, 5, 0, 0, true), tunedNote(4, 5, 0, 20, false)}), single,
               {0, 1}, "t6"); // "Wrong"

    ASSERT_EQ(record.rows().size(), 6u);
    EXPECT_EQ(record.rows()[3].verdict, "Fair");
    EXPECT_NEAR(record.rows()[3].meanAbsError().value(), 6.0, 1e-9);
    EXPECT_FALSE(record.rows()[2].meanAbsError().has_value());

    const std::vector<SummaryRow> summary = record.summary();
    ASSERT_EQ(summary.size(), 3u);
    EXPECT_EQ(summary[0].kind, "Single note");
    EXPECT_EQ(summary[0].checks, 1);
    EXPECT_EQ(summary[0].goodShare, 0.0);
    EXPECT_FALSE(summary[0].meanAbsError.has_value());
    EXPECT_EQ(summary[1].kind, "m3");
    EXPECT_EQ(summary[1].checks, 2);
    EXPECT_DOUBLE_EQ(summary[1].goodShare, 0.5);
    EXPECT_NEAR(summary[1].meanAbsError.value(), 6.0, 1e-9);
    EXPECT_EQ(summary[2].kind, "P5");
    EXPECT_EQ(summary[2].checks, 3);
    EXPECT_DOUBLE_EQ(summary[2].goodShare, 2.0 / 3.0);
    EXPECT_NEAR(summary[2].meanAbsError.value(), 8.0, 1e-9);

    std::istringstream lines(record.toTabSeparated());
    std::vector<std::string> text;
    for (std::string line; std::getline(lines, line);)
        text.push_back(line);
    ASSERT_EQ(text.size(), 7u);
    EXPECT_EQ(text[0], "Time\tPage\tAsked\tTask\tTuning\tDifficulty\tVerdict\tCents\tSound");
    // The larger error first; the difficulty in the slider's words.
    EXPECT_EQ(text[4], "t4\tIntervals\tm3, harmonic\tCorrect the tuning\tEqual\t1 of 7 (Easy)\tFair\t"
                       "Eb4 -8.0, C4 +4.0\t");
    EXPECT_EQ(text[6], "t6\tSingle Notes\tSingle note A4\tIdentify\tEqual\t1 of 7 (Easy)\tWrong\t"
                       "\tViolin, drone, beats shown");

    // Rows count as kept once copied or saved; later rows do not.
    EXPECT_EQ(record.unkeptRows(), 6u);
    record.markKept();
    EXPECT_EQ(record.unkeptRows(), 0u);
    record.add(oneSonority({tunedNote(4, 5, 0, 0, true), tunedNote(4, 5, 0, 0, false)}), single,
               {1, 1}, "t7");
    EXPECT_EQ(record.unkeptRows(), 1u);
}

TEST(SessionRecord, cents_largest_error_first_and_difficulty_words) {
    SessionRow row;
    row.errors = {{"A2", 0.0}, {"C3", -0.04}, {"Eb3", 0.0}, {"Gb3", 14.7}, {"Bb3", -14.7}};
    // Equal errors keep their pitch order; what rounds to zero reads +0.0, never -0.0.
    EXPECT_EQ(row.centsText(), "Gb3 +14.7, Bb3 -14.7, C3 +0.0, A2 +0.0, Eb3 +0.0");
    EXPECT_EQ(SessionRow{}.centsText(), "");
    const char* words[] = {"1 of 7 (Easy)", "2 of 7", "3 of 7", "4 of 7",
                           "5 of 7", "6 of 7", "7 of 7 (Hard)"};
    for (int position = 1; position <= 7; ++position)
        EXPECT_EQ(difficultyWords(position), words[position - 1]);
}

TEST(SessionRecord, text_file_written_or_a_message_naming_it) {
    const std::string folder = testing::TempDir();
    const std::string path = folder + "/sorvel-record-test.txt";
    const std::string text = "Time\tPage\n12:00:00\tChords\n";
    EXPECT_EQ(writeTextFile(path, text), "");
    std::ifstream in(path, std::ios::binary);
    const std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, text);
    std::remove(path.c_str());
    for (const std::string& bad : {folder, folder + "/no such folder/record.txt"}) {
        const std::string error = writeTextFile(bad, text);
        EXPECT_NE(error.find("Could not write \"" + bad + "\": "), std::string::npos) << error;
        EXPECT_GT(error.size(), bad.size() + 20) << "says why: " << error;
    }
}

TEST(SessionRecord, the_two_best_verdicts_of_each_table_row) {
    // Row 0 rates the tuning (Poor Fair Good Excellent); rows 1..4 count correct marks.
    const std::vector<std::vector<bool>> good = {{false, false, true, true},
                                                 {false, true},
                                                 {false, true, true},
                                                 {false, false, true, true},
                                                 {false, false, false, true, true}};
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 6; ++column)
            EXPECT_EQ(isGoodVerdict({column, row}),
                      column < static_cast<int>(good[row].size()) && good[row][column])
                << row << ", " << column;
    EXPECT_FALSE(isGoodVerdict({1, -1}));
}

} // namespace
} // namespace sorvel
