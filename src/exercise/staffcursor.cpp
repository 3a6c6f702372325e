// SPDX-License-Identifier: GPL-3.0-or-later
#include "staffcursor.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace sorvel {

std::vector<int> StaffCursor::columns(const CMusic& score) {
    std::size_t count = 0;
    for (const CStaff& staff : score.staves)
        count = std::max(count, staff.chords.size());
    std::vector<int> out;
    for (std::size_t j = 0; j < count; ++j)
        if (!notesOf(score, static_cast<int>(j)).empty())
            out.push_back(static_cast<int>(j));
    return out;
}

std::vector<const CNote*> StaffCursor::notesOf(const CMusic& score, int column) {
    std::vector<const CNote*> notes;
    if (column < 0)
        return notes;
    for (const CStaff& staff : score.staves)
        if (static_cast<std::size_t>(column) < staff.chords.size())
            for (const CNote& note : staff.chords[static_cast<std::size_t>(column)].notes)
                notes.push_back(&note);
    // Written height first (a unison keeps its order), so that Alt+Up climbs as the eye does.
    std::stable_sort(notes.begin(), notes.end(), [](const CNote* a, const CNote* b) {
        if (a->computeStaffStep() != b->computeStaffStep())
            return a->computeStaffStep() < b->computeStaffStep();
        return a->pitchNumber() < b->pitchNumber();
    });
    return notes;
}

void StaffCursor::clamp(const CMusic& score) {
    const std::vector<int> cols = columns(score);
    if (cols.empty()) {
        reset();
        return;
    }
    column_ = std::clamp(column_, 0, static_cast<int>(cols.size()) - 1);
    const auto notes = notesOf(score, cols[static_cast<std::size_t>(column_)]);
    note_ = std::clamp(note_, 0, static_cast<int>(notes.size()) - 1);
}

void StaffCursor::moveSonority(const CMusic& score, int delta) {
    column_ += delta;
    clamp(score);
}

void StaffCursor::moveNote(const CMusic& score, int delta) {
    clamp(score);
    note_ += delta;
    clamp(score);
}

const CNote* StaffCursor::note(const CMusic& score) const {
    StaffCursor c = *this;
    c.clamp(score);
    const std::vector<int> cols = columns(score);
    if (cols.empty())
        return nullptr;
    const auto notes = notesOf(score, cols[static_cast<std::size_t>(c.column_)]);
    return notes.empty() ? nullptr : notes[static_cast<std::size_t>(c.note_)];
}

std::optional<CursorPoint> StaffCursor::point(const CMusic& score) const {
    const CNote* n = note(score);
    if (!n)
        return std::nullopt;
    return CursorPoint{n->centre[0], n->centre[1]};
}

void StaffCursor::follow(const CMusic& score, const CNote* hovered, bool sounding, double x) {
    const std::vector<int> cols = columns(score);
    if (hovered) {
        for (std::size_t c = 0; c < cols.size(); ++c) {
            const auto notes = notesOf(score, cols[c]);
            const auto at = std::find(notes.begin(), notes.end(), hovered);
            if (at != notes.end()) {
                column_ = static_cast<int>(c);
                note_ = static_cast<int>(at - notes.begin());
                return;
            }
        }
    }
    if (!sounding || cols.empty())
        return;
    // The sonority whose extent's middle lies nearest the pointer, as the sound chooses.
    double best = 0.0;
    bool found = false;
    for (std::size_t c = 0; c < cols.size(); ++c)
        for (const CStaff& staff : score.staves) {
            const auto j = static_cast<std::size_t>(cols[c]);
            if (j >= staff.chords.size() || staff.chords[j].notes.empty())
                continue;
            const double d = std::fabs((staff.chords[j].minX + staff.chords[j].maxX) / 2.0 - x);
            if (!found || d < best) {
                found = true;
                best = d;
                if (column_ != static_cast<int>(c))
                    note_ = 0;
                column_ = static_cast<int>(c);
            }
        }
    clamp(score);
}

} // namespace sorvel
