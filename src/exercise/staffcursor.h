// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard cursor on the staff: which sonority (column) and which of its notes, lowest
// first, the keys point at. The window listens and clicks at the cursor's point through the
// very handlers the mouse uses, so the keyboard can never do what the mouse could not; a mouse
// move hands the cursor to the hovered sonority.
//
//   sorvel::StaffCursor cursor;
//   cursor.moveSonority(exercise, +1);                 // Right arrow
//   if (auto at = cursor.point(exercise))
//       form.ScoreMouseMove(at->x, at->y);             // sounds as hovering there would
#pragma once

#include "tuningdata.h"

#include <optional>
#include <vector>

namespace sorvel {

struct CursorPoint {
    double x = 0.0;
    double y = 0.0;
};

class StaffCursor {
public:
    // The first sonority's lowest note.
    void reset() { column_ = 0, note_ = 0; }
    int column() const { return column_; }
    int noteRank() const { return note_; }

    // Sonorities that have notes, left to right (column indices).
    static std::vector<int> columns(const CMusic& score);
    // The notes of a column on both staves, lowest first.
    static std::vector<const CNote*> notesOf(const CMusic& score, int column);

    // `delta` sonorities on, stopping at the first and the last; the note keeps its rank from the
    // bottom where the new sonority has as many notes.
    void moveSonority(const CMusic& score, int delta);
    // `delta` notes up (positive) or down within the sonority, stopping at the outer notes.
    void moveNote(const CMusic& score, int delta);
    // The note under the cursor, or null when the score has none.
    const CNote* note(const CMusic& score) const;
    // Where the mouse would rest to hover and click the cursor note: its notehead centre.
    std::optional<CursorPoint> point(const CMusic& score) const;

    // After a mouse move at x: the cursor goes to the hovered note, or, with no note under the
    // pointer but a sonority sounding, to the sonority nearest x. Nothing sounding: it stays.
    void follow(const CMusic& score, const CNote* hovered, bool sounding, double x);

private:
    // Keeps the cursor on an existing sonority and note.
    void clamp(const CMusic& score);

    int column_ = 0; // index into columns()
    int note_ = 0;
};

} // namespace sorvel
