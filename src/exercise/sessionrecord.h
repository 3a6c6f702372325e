// SPDX-License-Identifier: GPL-3.0-or-later
// What the user did in this run: one row per Check Answer, a summary per interval or chord type
// and the rows as tab-separated text. It lives only in memory; nothing is written to disk.
//
//   sorvel::SessionRecord record;
//   sorvel::GradeIndex verdict = sorvel::gradeAnswer(exercise, sorvel::gradingRulesOf(made));
//   record.add(exercise, made, verdict, "14:03:27");
//   for (const sorvel::SummaryRow& s : record.summary()) ...   // worst first
#pragma once

#include "answering.h"
#include "newexercise.h"
#include "threshold.h"
#include "tuningdata.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

// A tested note of the tuning task and how far it ended from its correct pitch.
struct NoteError {
    std::string name; // written pitch, e.g. "Eb4"
    double cents = 0; // sounding minus correct: positive is sharp
};

struct SessionRow {
    std::string time;    // the clock time the window passed in
    std::string page;    // "Single Notes", "Intervals" or "Chords"
    std::string kind;    // what the summary groups by: "Single note", "P5", "P12", "Maj" ...
    std::string asked;   // the kind with its details: "P5, melodic", "Maj, 1st inversion, open"
    std::string task;    // "Identify" or "Correct the tuning"
    std::string tuning;  // tuning system name
    int difficulty = 1;  // slider position 1..7 (difficultyWords names it)
    std::string verdict; // the text shown
    bool good = false;   // among the two best verdicts of its kind of grading
    std::vector<NoteError> errors; // tuning task only: the notes that could be retuned, low first
    std::string sound; // the instrument heard, ", drone" while it sounded, ", beats shown"
    // Mean of |cents| over `errors`; none without errors.
    std::optional<double> meanAbsError() const;
    // Every tested note with its cents, the largest error first: "Gb3 +14.7, A2 +0.0".
    std::string centsText() const;
};

struct SummaryRow {
    std::string kind;
    int checks = 0;
    double goodShare = 0;               // 0..1: share of checks with one of the two best verdicts
    std::optional<double> meanAbsError; // mean over the checks that measured a tuning error
};

// One threshold test: its type, what it measured and every trial.
struct ThresholdRow {
    std::string time;
    std::string kind;   // the type tested: "Single note", "M3", "Maj" ...
    std::string tuning; // system name, with its reference pitch where not 440 Hz
    std::string sound;  // set by the record, as for the checks
    ThresholdEstimate estimate;
    bool stopped = false; // stopped by the musician before its end: no threshold
    std::vector<StaircaseTrial> trials;
    std::string result; // the result in words, as the window showed it
};

// The threshold tests of one type.
struct ThresholdSummaryRow {
    std::string kind;
    int tests = 0;                    // stopped ones included
    std::optional<double> lastCents;  // of the last test that ran to its end
    std::optional<double> bestCents;  // the lowest of those
};

class SessionRecord {
public:
    // Adds a threshold test; its sound is what the record was last told.
    const ThresholdRow& addThreshold(ThresholdRow row);
    const std::vector<ThresholdRow>& thresholdRows() const { return tests_; }
    // One line per type, in the order of their first tests.
    std::vector<ThresholdSummaryRow> thresholdSummary() const;

    // Adds the row of one Check Answer of `score`, made by `made`, graded `verdict`.
    const SessionRow& add(const CMusic& score, const NewExercise& made, GradeIndex verdict,
                          std::string time);
    const std::vector<SessionRow>& rows() const { return rows_; }
    // What the rows added from now on heard: the instrument's name, and whether the drone was on.
    // `beatsShown`: the answer was given with the Beats window open, which shows the mistuning.
    void setSound(std::string_view instrument, bool drone, bool beatsShown = false);
    // One row per kind, worst first: lowest share of good verdicts, then largest mean error.
    // Its cost grows with the number of kinds, not of rows.
    std::vector<SummaryRow> summary() const;
    // A header line and one line per row, fields separated by tabs; then, when there were
    // threshold tests, a header and one line per test with its trials, and a line per type.
    std::string toTabSeparated() const;

    // The rows (checks and threshold tests) added since the text was last copied or saved.
    std::size_t unkeptRows() const {
        return rows_.size() - kept_ + tests_.size() - keptTests_;
    }
    // The text has been copied or saved: every row so far is kept.
    void markKept() {
        kept_ = rows_.size();
        keptTests_ = tests_.size();
    }

private:
    struct Sums {
        std::size_t first = 0; // index of the kind's first row, to break ties by age
        int checks = 0;
        int good = 0;
        int measured = 0;
        double errorSum = 0;
    };
    std::vector<SessionRow> rows_;
    std::map<std::string, Sums> byKind_; // kept up to date row by row
    std::size_t kept_ = 0;
    std::string sound_;
    std::vector<ThresholdRow> tests_;
    std::size_t keptTests_ = 0;
};

// The difficulty in the slider's words: "1 of 7 (Easy)", "2 of 7" ... "7 of 7 (Hard)".
std::string difficultyWords(int position);

// Writes `text` to the file `path`, replacing it. Empty on success, else a message that names
// the file and says why it could not be written.
std::string writeTextFile(const std::string& path, const std::string& text);

// Whether a verdict is one of the two best of its table row (never the worst of a row): "Good"
// and "Excellent" in the tuning task; "Right" and the one below it in the identify task.
bool isGoodVerdict(GradeIndex verdict);

// A test's threshold as the record writes it: "6.10", or "stopped".
std::string thresholdCentsText(const ThresholdRow& test);

} // namespace sorvel
