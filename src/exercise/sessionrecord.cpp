// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessionrecord.h"

#include "pitch.h"
#include "tuningsystems.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

namespace sorvel {

namespace {

// The captions of the interval and chord boxes, by box index.
constexpr std::array<const char*, 12> intervalCaptions = {"m2", "M2", "m3", "M3", "P4", "º5",
                                                          "P5", "m6", "M6", "m7", "M7", "P8"};
// The same intervals an octave wider.
constexpr std::array<const char*, 12> compoundCaptions = {"m9",  "M9",  "m10", "M10", "P11", "º12",
                                                          "P12", "m13", "M13", "m14", "M14", "P15"};
constexpr std::array<const char*, 11> chordCaptions = {"Maj", "Min", "Dim", "Aug", "Mm7", "MM7",
                                                       "mm7", "ø7",  "mM7", "M+7", "º7"};
constexpr std::array<const char*, 4> inversionNames = {"root position", "1st inversion",
                                                       "2nd inversion", "3rd inversion"};
constexpr std::array<const char*, 3> pageNames = {"Single Notes", "Intervals", "Chords"};

template <std::size_t N> const char* entry(const std::array<const char*, N>& names, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < N ? names[static_cast<std::size_t>(i)] : "?";
}

const CNote* firstNote(const CMusic& score) {
    for (const CStaff& staff : score.staves)
        for (const CChord& chord : staff.chords)
            if (!chord.notes.empty())
                return &chord.notes.front();
    return nullptr;
}

std::string signedCents(double cents) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", cents);
    return text;
}

// Tab-separated text cannot hold tabs or line breaks inside a field.
std::string field(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n'; }, ' ');
    return text;
}

} // namespace

bool isGoodVerdict(GradeIndex verdict) {
    if (verdict.row == 0)
        return verdict.column >= 2 && verdict.column <= 3;
    if (verdict.row < 1 || verdict.row > 4 || verdict.column > verdict.row)
        return false;
    return verdict.column >= std::max(1, verdict.row - 1);
}

std::optional<double> SessionRow::meanAbsError() const {
    if (errors.empty())
        return std::nullopt;
    double sum = 0;
    for (const NoteError& e : errors)
        sum += std::abs(e.cents);
    return sum / static_cast<double>(errors.size());
}

const SessionRow& SessionRecord::add(const CMusic& score, const NewExercise& made,
                                     GradeIndex verdict, std::string time) {
    SessionRow row;
    row.time = std::move(time);
    row.page = entry(pageNames, static_cast<int>(made.category));
    switch (made.category) {
    case ExerciseCategory::singleNotes: {
        row.kind = "Single note";
        row.asked = row.kind;
        if (const CNote* n = firstNote(score))
            row.asked += " " + noteName(n->octave, n->letter, n->accidental);
        break;
    }
    case ExerciseCategory::intervals:
        row.kind = entry(made.wide ? compoundCaptions : intervalCaptions, made.chosenType);
        row.asked = row.kind + (made.oneColumn ? ", harmonic" : ", melodic");
        break;
    case ExerciseCategory::chords:
        row.kind = entry(chordCaptions, made.chosenType);
        row.asked = row.kind + ", " + entry(inversionNames, made.chosenInversion) +
                    (made.wide ? ", open" : ", closed") + (made.oneColumn ? "" : ", broken");
        break;
    }
    row.task = made.task == identifyTask ? "Identify" : "Correct the tuning";
    row.tuning = made.tuning >= 0 && made.tuning < tuningSystemCount
                     ? std::string(tuningSystemNames[static_cast<std::size_t>(made.tuning)])
                     : "?";
    row.difficulty = made.difficulty + 1;
    row.verdict = std::string(gradeMessage(verdict.column, verdict.row).text);
    row.good = isGoodVerdict(verdict);

    if (made.task == tuneTask) {
        // The white notes are in tune by definition; what the user answered is the black ones.
        std::vector<std::pair<double, NoteError>> tested;
        for (const CStaff& staff : score.staves)
            for (const CChord& chord : staff.chords)
                for (const CNote& n : chord.notes) {
                    if (n.locked)
                        continue;
                    tested.push_back(
                        {correctFrequency(n),
                         {noteName(n.octave, n.letter, n.accidental), deviationCents(n)}});
                }
        std::stable_sort(tested.begin(), tested.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& t : tested)
            row.errors.push_back(std::move(t.second));
    }
    rows_.push_back(std::move(row));
    return rows_.back();
}

std::vector<SummaryRow> SessionRecord::summary() const {
    struct Sums {
        std::size_t first = 0; // index of the kind's first row, to break ties by age
        int checks = 0;
        int good = 0;
        int measured = 0;
        double errorSum = 0;
    };
    std::map<std::string, Sums> byKind;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const SessionRow& row = rows_[i];
        auto [it, inserted] = byKind.try_emplace(row.kind);
        Sums& s = it->second;
        if (inserted)
            s.first = i;
        ++s.checks;
        s.good += row.good;
        if (const auto e = row.meanAbsError()) {
            ++s.measured;
            s.errorSum += *e;
        }
    }
    std::vector<std::pair<std::size_t, SummaryRow>> out;
    for (const auto& [kind, s] : byKind) {
        SummaryRow r;
        r.kind = kind;
        r.checks = s.checks;
        r.goodShare = static_cast<double>(s.good) / s.checks;
        if (s.measured > 0)
            r.meanAbsError = s.errorSum / s.measured;
        out.push_back({s.first, std::move(r)});
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        if (a.second.goodShare != b.second.goodShare)
            return a.second.goodShare < b.second.goodShare;
        const double ea = a.second.meanAbsError.value_or(-1.0);
        const double eb = b.second.meanAbsError.value_or(-1.0);
        if (ea != eb)
            return ea > eb;
        return a.first < b.first;
    });
    std::vector<SummaryRow> result;
    for (auto& [first, r] : out)
        result.push_back(std::move(r));
    return result;
}

std::string SessionRecord::toTabSeparated() const {
    std::string text = "Time\tPage\tAsked\tTask\tTuning\tDifficulty\tVerdict\tCents\n";
    for (const SessionRow& row : rows_) {
        std::string cents;
        for (const NoteError& e : row.errors)
            cents += (cents.empty() ? "" : ", ") + e.name + " " + signedCents(e.cents);
        for (const std::string& f : {row.time, row.page, row.asked, row.task, row.tuning,
                                     std::to_string(row.difficulty), row.verdict})
            text += field(f) + '\t';
        text += field(cents) + '\n';
    }
    return text;
}

} // namespace sorvel
