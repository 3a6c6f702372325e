// SPDX-License-Identifier: GPL-3.0-or-later
#include "answering.h"

#include "pitch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace sorvel {

namespace {

// The sound band: pointer rows outside it are above or below the grand staff.
constexpr double bandTop = 15.0;
constexpr double bandBottom = 225.0;
// How far left or right of a sonority's extent the pointer still selects it.
constexpr double sonorityReach = 20.0;
// Clicks and hovering count only well inside a notehead's box.
constexpr double noteMargin = -3.0;

// Visits every note in walking order: staves, then chords, then notes.
template <typename Music, typename Visit> void forEachNote(Music& score, Visit visit) {
    for (std::size_t s = 0; s < score.staves.size(); ++s) {
        auto& chords = score.staves[s].chords;
        for (std::size_t c = 0; c < chords.size(); ++c) {
            auto& notes = chords[c].notes;
            for (std::size_t n = 0; n < notes.size(); ++n)
                visit(NoteIndex{static_cast<int>(s), static_cast<int>(c), static_cast<int>(n)},
                      notes[n]);
        }
    }
}

CNote& noteAt(CMusic& score, NoteIndex where) {
    return score.staves[static_cast<std::size_t>(where.staff)]
        .chords[static_cast<std::size_t>(where.chord)]
        .notes[static_cast<std::size_t>(where.note)];
}

std::optional<NoteIndex> nearestNote(const CMusic& score, double x, double y, double margin) {
    std::optional<NoteIndex> best;
    double bestDistance = 0.0;
    forEachNote(score, [&](NoteIndex where, const CNote& note) {
        const auto& [left, top, width, height] = note.hitBox;
        if (!(left - margin <= x && x <= left + width + margin && top - margin <= y &&
              y <= top + height + margin))
            return;
        const double dx = note.centre[0] - x;
        const double dy = note.centre[1] - y;
        const double distance = dx * dx + dy * dy;
        if (!best || distance < bestDistance) {
            best = where;
            bestDistance = distance;
        }
    });
    return best;
}

// The one-cent rule: within a cent either way a note counts as in tune.
bool isSharp(double diff) {
    return diff > 1.0 + centsEpsilon;
}
bool isFlat(double diff) {
    return diff < -1.0 - centsEpsilon;
}

// How far `error` cents lie beyond the tolerance, 0 within it. A value that is not a number
// stays one, so that it grades as far out.
double beyondTolerance(double error, double tol) {
    return error <= tol + centsEpsilon ? 0.0 : error - tol;
}

// Whole tolerances in `excess` cents, rounded up: 0 for none, 1 up to one tolerance, and so on.
double tolerancesIn(double excess, double tol) {
    if (excess <= centsEpsilon)
        return 0.0;
    return std::ceil((excess - centsEpsilon) / tol);
}

// The sonority at column j of staff `staff`, or of the next staff that has notes there.
CChord* sonorityOfColumn(CMusic& score, std::size_t staff, std::size_t j) {
    const std::size_t count = score.staves.size();
    for (std::size_t k = 0; k < count; ++k) {
        auto& chords = score.staves[(staff + k) % count].chords;
        if (j < chords.size() && !chords[j].notes.empty())
            return &chords[j];
    }
    return nullptr; // no staff has notes in this column: nothing to hear there
}

} // namespace

double correctFrequency(const CNote& note) {
    if (note.system < 0 || static_cast<std::size_t>(note.system) >= note.systemFrequencies.size())
        return note.soundingFrequency;
    return note.systemFrequencies[static_cast<std::size_t>(note.system)];
}

double deviationCents(const CNote& note) {
    return cents(note.soundingFrequency) - cents(correctFrequency(note));
}

CNote* findNoteAt(CMusic& score, double x, double y, double margin) {
    const auto where = nearestNote(score, x, y, margin);
    return where ? &noteAt(score, *where) : nullptr;
}

bool selectSonorityAt(std::vector<CNote*>& sounding, std::vector<double>& phases, CMusic& score,
                      double x, double y) {
    sounding.clear();
    if (y < bandTop || y > bandBottom)
        return false;
    bool found = false;
    for (std::size_t i = 0; i < score.staves.size(); ++i) {
        CChord* best = nullptr;
        double bestDistance = 0.0;
        for (std::size_t j = 0; j < score.staves[i].chords.size(); ++j) {
            CChord* candidate = sonorityOfColumn(score, i, j);
            if (!candidate || x + sonorityReach < candidate->minX ||
                x - sonorityReach > candidate->maxX)
                continue;
            const double offset = (candidate->minX + candidate->maxX) / 2.0 - x;
            const double distance = offset * offset;
            if (!best || distance < bestDistance) {
                best = candidate;
                bestDistance = distance;
            }
        }
        if (!best)
            continue;
        found = true;
        // The sounding list refers to the exercise's own notes, so retuning is heard at once.
        for (CNote& note : best->notes)
            sounding.push_back(&note);
    }
    phases.resize(sounding.size(), 0.0);
    return found;
}

bool selectSonorityAt(Synthesizer& synthesizer, CMusic& score, double x, double y) {
    return selectSonorityAt(synthesizer.soundingNotes, synthesizer.phases, score, x, y);
}

std::optional<Hover> hoverAt(CMusic* exercise, std::vector<CNote*>& sounding,
                             std::vector<double>& phases, double x, double y) {
    if (!exercise)
        return std::nullopt;
    Hover hover;
    hover.note = findNoteAt(*exercise, x, y, noteMargin);
    hover.sounding = selectSonorityAt(sounding, phases, *exercise, x, y);
    return hover;
}

std::optional<NoteIndex> findNoteForClick(const CMusic& score, double x, double y) {
    return nearestNote(score, x, y, noteMargin);
}

void cycleMark(CNote& note) {
    if (note.locked)
        return;
    note.markKind = (note.markKind + 1) % 3;
    note.marked = note.markKind > 0 ? 1 : 0;
}

void select(CMusic& score, NoteIndex where) {
    forEachNote(score, [](NoteIndex, CNote& note) {
        note.selected = 0;
        note.displayState = note.marked;
    });
    CNote& note = noteAt(score, where);
    score.selection = CSelection{where.staff, where.chord, where.note, &note};
    note.selected = 1;
}

bool applyClick(CMusic& score, double x, double y, ClickAction action) {
    const auto where = findNoteForClick(score, x, y);
    if (!where)
        return false;
    CNote& note = noteAt(score, *where);
    if (action == ClickAction::cycleMark)
        cycleMark(note);
    else
        select(score, *where);
    note.displayState = note.marked + 2 * note.selected;
    return true;
}

bool clickAt(CMusic* exercise, int task, MouseButton button, double x, double y) {
    if (!exercise || button == MouseButton::right)
        return false;
    const ClickAction action = task == identifyTask ? ClickAction::cycleMark : ClickAction::select;
    return applyClick(*exercise, x, y, action);
}

bool retuneSelected(CMusic* exercise, const std::vector<CNote*>& sounding, int task,
                    double retuneRatio, int key) {
    if (!exercise || task != tuneTask)
        return false;
    CNote* note = exercise->selection.noteRef;
    if (!note || note->locked ||
        std::find(sounding.begin(), sounding.end(), note) == sounding.end())
        return false;
    if (key == upArrowKey)
        note->soundingFrequency *= retuneRatio;
    else if (key == downArrowKey)
        note->soundingFrequency /= retuneRatio;
    return true;
}

bool retuneByWheel(CMusic* exercise, const std::vector<CNote*>& sounding, int task,
                   double retuneRatio, int delta) {
    return retuneSelected(exercise, sounding, task, retuneRatio,
                          delta > 0 ? upArrowKey : downArrowKey);
}

double gradingTolerance(int difficulty) {
    return 7.5 - (5.0 / 6.0) * difficulty;
}

GradingRules gradingRulesOf(const NewExercise& made) {
    return GradingRules{made.task, made.noteCount, made.referenceCopy, made.innerReferences,
                        gradingTolerance(made.difficulty)};
}

GradeIndex gradeAnswer(const CMusic& score, const GradingRules& rules) {
    const double tol = rules.tolerance;
    const bool identify = rules.task == identifyTask;
    int errors = 0;
    double s = 0.0;
    bool offTune = false;
    std::vector<double> sounding; // cents of the graded notes as they sound
    std::vector<double> correct;  // and as they should
    forEachNote(score, [&](NoteIndex, const CNote& note) {
        if (note.locked && rules.referenceCopy)
            return; // the white copy is the answer key, not part of the answer
        const double diff = deviationCents(note);
        const bool sharp = isSharp(diff);
        const bool flat = isFlat(diff);
        if (identify) {
            if ((sharp && note.markKind != 2) || (flat && note.markKind != 1) ||
                (!sharp && !flat && note.marked))
                ++errors;
        } else if (rules.noteCount < 2) {
            s = tolerancesIn(beyondTolerance(std::fabs(diff), tol), tol);
        } else {
            sounding.push_back(cents(note.soundingFrequency));
            correct.push_back(cents(correctFrequency(note)));
            if (sharp || flat)
                offTune = true;
        }
    });

    if (identify) {
        const int total = rules.noteCount - rules.innerReferences;
        // Row 0 rates the tuning task; an identify verdict with nothing graded must not land
        // there, so it is sent outside the table, where it reads "Wrong".
        if (total < 1)
            return GradeIndex{0, -1};
        return GradeIndex{total - errors, total};
    }

    if (rules.noteCount >= 2) {
        // Only the intervals between the notes count, not where the sonority lies as a whole.
        const std::size_t n = std::min(static_cast<std::size_t>(rules.noteCount), sounding.size());
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) {
                const double error =
                    std::fabs((sounding[j] - sounding[i]) - (correct[j] - correct[i]));
                const double e = beyondTolerance(error, tol);
                sum += e * e;
            }
        }
        const std::size_t pairs = n * (n - 1) / 2;
        s = pairs > 0 ? tolerancesIn(std::sqrt(sum) / static_cast<double>(pairs), tol) : 0.0;
    }
    // Also catches a score that is not a number (a frequency retuned out of range).
    if (!(s <= 3.0))
        s = 3.0;
    if (s == 0.0 && offTune)
        s = 1.0;
    return GradeIndex{3 - static_cast<int>(s), 0};
}

const GradeMessage& gradeMessage(int column, int row) {
    // The table's hues, with its two light greens darkened until they read on the white staff
    // (contrast at least 3:1, as large bold text needs): green best, blue-green next, magenta,
    // blue, red worst.
    static constexpr GradeMessage wrong{"Wrong", 255, 0, 0};
    static constexpr GradeMessage right{"Right", 0, 128, 0};
    static constexpr std::array<GradeMessage, 4> rating = {{{"Poor", 255, 0, 0},
                                                            {"Fair", 255, 0, 191},
                                                            {"Good", 0, 140, 105},
                                                            {"Excellent", 0, 128, 0}}};
    static constexpr std::array<GradeMessage, 2> one = {{wrong, right}};
    static constexpr std::array<GradeMessage, 3> two = {{wrong, {"So-so", 0, 0, 255}, right}};
    static constexpr std::array<GradeMessage, 4> three = {
        {wrong, {"So-so", 255, 0, 191}, {"So-so", 0, 140, 105}, right}};
    static constexpr std::array<GradeMessage, 5> four = {
        {wrong, {"Poor", 255, 0, 191}, {"So-so", 0, 0, 255}, {"Okay", 0, 140, 105}, right}};
    static constexpr std::array<std::pair<const GradeMessage*, int>, 5> rows = {{{rating.data(), 4},
                                                                                 {one.data(), 2},
                                                                                 {two.data(), 3},
                                                                                 {three.data(), 4},
                                                                                 {four.data(), 5}}};
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return wrong;
    const auto [entries, count] = rows[static_cast<std::size_t>(row)];
    if (column < 0 || column >= count)
        return wrong;
    return entries[column];
}

void revealAnswers(CMusic& score, int task, double tolerance) {
    forEachNote(score, [&](NoteIndex, CNote& note) {
        if (note.locked)
            return;
        const double diff = deviationCents(note);
        if (task == identifyTask) {
            if (isFlat(diff) && note.markKind != 1) {
                note.marked = 1;
                note.markKind = 1;
                note.displayState = 2 * note.selected + 1;
            }
            if (isSharp(diff) && note.markKind != 2) {
                note.marked = 1;
                note.markKind = 2;
                note.displayState = 2 * note.selected + 1;
            }
            if (!isFlat(diff) && !isSharp(diff) && note.marked) {
                // A wrong mark on an in-tune note stays visible, in red.
                note.displayState += 4;
                note.displayColour = rgbValue(255, 0, 0);
            }
        } else if (task == tuneTask) {
            const double a = std::fabs(diff);
            note.displayState = 4;
            // The shade changes every 1/220 of a tolerance; a deviation on the edge between two
            // shades, rounding aside, takes the one that starts there.
            if (a <= tolerance + centsEpsilon) {
                const double v = 220.0 * (a + centsEpsilon) / tolerance;
                const int shade = std::min(220, static_cast<int>(std::floor(v)));
                note.displayColour = rgbValue(shade, 255, shade);
            } else {
                const double v = 220.0 - 220.0 * (a - centsEpsilon - tolerance) / (5.0 * tolerance);
                // A deviation that is not a number counts as far out of tune.
                const int shade = v > 0.0 ? std::min(220, static_cast<int>(std::floor(v))) : 0;
                note.displayColour = rgbValue(255, shade, shade);
            }
        }
    });
}

} // namespace sorvel
