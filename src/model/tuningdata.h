// SPDX-License-Identifier: GPL-3.0-or-later
// The exercise records: notes, chords, staves and the grand staff, all plain value types
// (copies are deep), and the tuning of a sonority in all five systems.
//
//   std::vector<sorvel::CNote> notes = {sorvel::CNote(4, 0, 0), sorvel::CNote(4, 2, 0)};
//   sorvel::assignFrequencies(notes, 1);   // each note: five frequencies, sounds "Perfect"
#pragma once

#include <array>
#include <string>
#include <vector>

namespace sorvel {

struct CNote {
    CNote() = default;
    // From a written pitch; frequencies are filled later by assignFrequencies.
    CNote(int octave, int letter, int accidental);
    // From a written pitch with its frequencies, sounding in system `system`.
    CNote(int octave, int letter, int accidental, const std::vector<double>& systemFrequencies,
          int system);

    int pitchNumber() const;
    int computeStaffStep() const;

    std::vector<double> systemFrequencies; // one per tuning system, by system index
    int system = 0;                        // system the note sounds in
    int octave = 4;
    int letter = 0; // 0..6 for C..B
    int column = 0; // index of the note's chord within its staff
    int accidental = 0;
    int staffStep = 0;
    int headShift = 0;         // -1, 0, +1 notehead widths, to keep seconds apart
    int shownAccidental = 255; // drawn sign -2..+2, or 255 for none
    int marked = 0;            // the user marked the note as out of tune
    int markKind = 0;          // 0 unmarked, 1 flat (needs raising), 2 sharp (needs lowering)
    int selected = 0;          // chosen for retuning
    int locked = 0;            // white reference note: never mistuned, marked or retuned
    double soundingFrequency = 0.0;
    int displayState = 0; // marked + 2 * selected; 4 and more: use displayColour
    int displayColour = 0;
    std::array<double, 4> hitBox{}; // left, top, width, height in score pixels
    std::array<double, 2> centre{}; // notehead centre x, y
    int layoutAccidental = 0;
    int layoutSide = 0;
    int layoutStep = 0;
    double signShift = 0.0; // pixels the accidental sign stands left (<0) of its usual place
};

struct CChord {
    std::vector<CNote> notes;
    bool stemUp = false;
    bool hasShiftedHeads = false;
    int columnX = 0; // in notehead widths of 15 pixels
    int minSide = 0;
    int leftExtent = 0;
    int rightExtent = 0;
    double minX = 0.0;
    double maxX = 0.0;
};

// The columns of an exercise before its notes are split onto the two staves.
// A line of small text above the treble staff, from a column on: the tuning system of each copy
// when two systems are compared.
struct CCaption {
    int firstColumn = 0;
    std::string text;
    friend bool operator==(const CCaption&, const CCaption&) = default;
};

struct CTwoStaffChord {
    std::vector<CChord> columns;
    std::vector<CCaption> captions;
    int copies = 1; // equal runs of columns: the reference copy, then the tested one
};

struct CStaff {
    std::vector<CChord> chords;
    int middleStep = 0; // staff step of the middle line
};

// The selected note: where it stands, and the note itself (null when none is selected).
struct CSelection {
    int staff = 0;
    int chord = 0;
    int note = 0;
    CNote* noteRef = nullptr;
};

struct CMusic {
    CMusic() = default;
    // A copy has no selection, though the notes keep their own `selected` field.
    CMusic(const CMusic& other);
    CMusic& operator=(const CMusic& other);
    CMusic(CMusic&&) = default;
    CMusic& operator=(CMusic&&) = default;

    std::vector<CStaff> staves; // 0 treble, 1 bass
    CSelection selection;
    int columnCount = 0;
    std::vector<CCaption> captions;
    int copies = 1;
};

// Resize a list to n entries, new entries copies of `prototype`, surplus entries dropped.
template <typename T> void resizeWith(std::vector<T>& list, std::size_t n, const T& prototype) {
    list.resize(n, prototype);
}

// Tunes every note in every system of the active tuning (five, or six with an imported scale)
// and makes it sound in system `system`.
void assignFrequencies(std::vector<CNote>& notes, int system);

} // namespace sorvel
