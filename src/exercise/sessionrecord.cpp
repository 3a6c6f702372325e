// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessionrecord.h"

#include "pitch.h"
#include "tuningsystems.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
    if (std::abs(cents) < 0.05)
        cents = 0.0; // no "-0.0"
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
    row.tuning = !made.tuningName.empty() ? made.tuningName
                 : made.tuning >= 0 && made.tuning < tuningSystemCount
                     ? std::string(tuningSystemNames[static_cast<std::size_t>(made.tuning)])
                     : "?";
    row.difficulty = made.difficulty + 1;
    row.verdict = std::string(gradeMessage(verdict.column, verdict.row).text);
    row.good = isGoodVerdict(verdict);
    row.sound = sound_;

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
    auto [it, inserted] = byKind_.try_emplace(row.kind);
    Sums& sums = it->second;
    if (inserted)
        sums.first = rows_.size();
    ++sums.checks;
    sums.good += row.good;
    if (const auto e = row.meanAbsError()) {
        ++sums.measured;
        sums.errorSum += *e;
    }
    rows_.push_back(std::move(row));
    return rows_.back();
}

std::vector<SummaryRow> SessionRecord::summary() const {
    std::vector<std::pair<std::size_t, SummaryRow>> out;
    for (const auto& [kind, s] : byKind_) {
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

void SessionRecord::setSound(std::string_view instrument, bool drone, bool beatsShown) {
    sound_ = std::string(instrument) + (drone ? ", drone" : "") + (beatsShown ? ", beats shown" : "");
}

std::string SessionRecord::toTabSeparated() const {
    std::string text = "Time\tPage\tAsked\tTask\tTuning\tDifficulty\tVerdict\tCents\tSound\n";
    for (const SessionRow& row : rows_) {
        for (const std::string& f : {row.time, row.page, row.asked, row.task, row.tuning,
                                     difficultyWords(row.difficulty), row.verdict})
            text += field(f) + '\t';
        text += field(row.centsText()) + '\t' + field(row.sound) + '\n';
    }
    if (tests_.empty())
        return text;
    text += "\nThreshold test\tType\tTuning\tThreshold (cents)\tSpread (factor)\tRight\t"
            "Trials\tSound\tTrack (cents; + right, - wrong, R reversal)\n";
    for (const ThresholdRow& t : tests_) {
        char spread[32];
        std::snprintf(spread, sizeof spread, "%.2f", t.estimate.spread);
        char right[32];
        std::snprintf(right, sizeof right, "%.0f %%", 100.0 * t.estimate.rightShare);
        for (const std::string& f :
             {t.time, t.kind, t.tuning, thresholdCentsText(t),
              std::string(t.stopped ? "-" : spread), std::string(right),
              std::to_string(t.trials.size()), t.sound})
            text += field(f) + '\t';
        text += field(trackText(t.trials)) + '\n';
    }
    for (const ThresholdSummaryRow& s : thresholdSummary()) {
        char line[160];
        std::snprintf(line, sizeof line, "Threshold summary\t%s\t%d %s\t", field(s.kind).c_str(),
                      s.tests, s.tests == 1 ? "test" : "tests");
        text += line;
        if (s.lastCents) {
            std::snprintf(line, sizeof line, "last %.2f cents\tbest %.2f cents", *s.lastCents,
                          *s.bestCents);
            text += line;
        } else {
            text += "no test ran to its end";
        }
        text += '\n';
    }
    return text;
}

const ThresholdRow& SessionRecord::addThreshold(ThresholdRow row) {
    row.sound = sound_;
    tests_.push_back(std::move(row));
    return tests_.back();
}

std::vector<ThresholdSummaryRow> SessionRecord::thresholdSummary() const {
    std::vector<ThresholdSummaryRow> out;
    for (const ThresholdRow& t : tests_) {
        auto it = std::find_if(out.begin(), out.end(),
                               [&](const ThresholdSummaryRow& s) { return s.kind == t.kind; });
        if (it == out.end()) {
            out.push_back({t.kind, 0, std::nullopt, std::nullopt});
            it = out.end() - 1;
        }
        ++it->tests;
        if (t.stopped)
            continue;
        it->lastCents = t.estimate.cents;
        it->bestCents = std::min(it->bestCents.value_or(t.estimate.cents), t.estimate.cents);
    }
    return out;
}

std::string thresholdCentsText(const ThresholdRow& t) {
    if (t.stopped)
        return "stopped";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", t.estimate.cents);
    return text;
}

std::string SessionRow::centsText() const {
    std::vector<const NoteError*> order;
    for (const NoteError& e : errors)
        order.push_back(&e);
    // The note that needs the user's ear most comes first; equal errors keep pitch order.
    std::stable_sort(order.begin(), order.end(), [](const NoteError* a, const NoteError* b) {
        return std::abs(a->cents) > std::abs(b->cents);
    });
    std::string text;
    for (const NoteError* e : order)
        text += (text.empty() ? "" : ", ") + e->name + " " + signedCents(e->cents);
    return text;
}

std::string difficultyWords(int position) {
    std::string words = std::to_string(position) + " of 7";
    if (position == 1)
        words += " (Easy)";
    else if (position == 7)
        words += " (Hard)";
    return words;
}

std::string writeTextFile(const std::string& path, const std::string& text) {
    const auto failed = [&path](int error) {
        return "Could not write \"" + path + "\": " + std::strerror(error) + ".";
    };
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return failed(errno ? errno : EIO);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int writeError = errno;
    // A full disk may only show when the buffered text is flushed.
    if (std::fclose(file) != 0 || !written)
        return failed(errno ? errno : writeError ? writeError : EIO);
    return {};
}

} // namespace sorvel
