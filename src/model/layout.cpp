#include "layout.h"

#include "pitch.h"

#include <algorithm>
#include <array>

namespace sorvel {

CMusic buildMusic(const CTwoStaffChord& columns) {
    const std::size_t n = columns.columns.size();
    CMusic music;
    resizeWith(music.staves, 2, CStaff{});
    music.staves[0].middleStep = trebleMiddleStep;
    music.staves[1].middleStep = bassMiddleStep;
    for (CStaff& staff : music.staves)
        resizeWith(staff.chords, n, CChord{});
    music.columnCount = static_cast<int>(n);

    for (std::size_t i = 0; i < n; ++i) {
        for (const CNote& source : columns.columns[i].notes) {
            CNote note = source;
            note.staffStep = note.computeStaffStep();
            const std::size_t staff = note.octave >= 4 ? 0 : 1;
            music.staves[staff].chords[i].notes.push_back(note);
        }
    }
    // A copy, so that the result has no selection.
    return CMusic(music);
}

namespace {

void orderAndStems(CStaff& staff) {
    for (std::size_t j = 0; j < staff.chords.size(); ++j) {
        CChord& chord = staff.chords[j];
        for (CNote& note : chord.notes) {
            note.staffStep = note.computeStaffStep();
            note.column = static_cast<int>(j);
            note.headShift = 0;
        }
        std::stable_sort(chord.notes.begin(), chord.notes.end(),
                         [](const CNote& a, const CNote& b) { return a.staffStep < b.staffStep; });
        chord.hasShiftedHeads = false;
        if (chord.notes.empty()) {
            chord.stemUp = false;
        } else {
            const int m = (chord.notes.front().staffStep + chord.notes.back().staffStep) / 2;
            chord.stemUp = m < staff.middleStep;
        }
    }
}

// Stem up: the upper head of a second moves right; stem down: the lower head moves left.
void seconds(CStaff& staff) {
    for (CChord& chord : staff.chords) {
        auto& notes = chord.notes;
        const std::size_t count = notes.size();
        if (chord.stemUp) {
            for (std::size_t k = 1; k < count; ++k) {
                if (notes[k].staffStep - notes[k - 1].staffStep == 1 &&
                    notes[k - 1].headShift == 0) {
                    notes[k].headShift = 1;
                    chord.hasShiftedHeads = true;
                }
            }
        } else {
            for (std::size_t k = count; k-- > 1;) {
                if (notes[k].staffStep - notes[k - 1].staffStep == 1 && notes[k].headShift == 0) {
                    notes[k - 1].headShift = -1;
                    chord.hasShiftedHeads = true;
                }
            }
        }
    }
}

// An accidental holds for later columns of the same staff at the same staff step.
void accidentals(CStaff& staff) {
    std::array<int, 128> current{};
    for (CChord& chord : staff.chords) {
        for (CNote& note : chord.notes) {
            if (note.staffStep < 0 || note.staffStep >= static_cast<int>(current.size())) {
                // Off the table: nothing to remember, so any alteration is shown.
                note.shownAccidental = note.accidental == 0 ? 255 : note.accidental;
                continue;
            }
            int& entry = current[static_cast<std::size_t>(note.staffStep)];
            if (entry == note.accidental) {
                note.shownAccidental = 255;
            } else {
                note.shownAccidental = note.accidental;
                entry = note.accidental;
            }
        }
    }
}

void sideValues(CStaff& staff) {
    for (CChord& chord : staff.chords) {
        chord.minSide = 0;
        const int side = (chord.stemUp || chord.hasShiftedHeads) ? 1 : -1;
        for (CNote& note : chord.notes) {
            note.layoutAccidental = note.shownAccidental;
            note.layoutStep = note.staffStep;
            note.layoutSide = side;
            chord.minSide = std::min(chord.minSide, side);
        }
    }
}

void columns(std::vector<CStaff>& staves) {
    std::size_t columnCount = 0;
    for (const CStaff& staff : staves)
        columnCount = std::max(columnCount, staff.chords.size());
    std::vector<int> left(columnCount, 0);
    std::vector<int> right(columnCount, 0);
    for (CStaff& staff : staves) {
        for (std::size_t j = 0; j < staff.chords.size(); ++j) {
            CChord& chord = staff.chords[j];
            chord.minX = 2147483647.0;
            chord.maxX = 0.0;
            chord.leftExtent = -chord.minSide;
            chord.rightExtent = (!chord.stemUp || chord.hasShiftedHeads) ? 3 : 1;
            left[j] = std::max(left[j], chord.leftExtent);
            right[j] = std::max(right[j], chord.rightExtent);
        }
    }
    for (CStaff& staff : staves) {
        int x = 0;
        for (std::size_t j = 0; j < staff.chords.size(); ++j) {
            x = j == 0 ? left[0] + firstColumnOffset : x + right[j - 1] + left[j];
            staff.chords[j].columnX = x;
        }
    }
}

} // namespace

void layoutMusic(CMusic& music) {
    for (CStaff& staff : music.staves)
        orderAndStems(staff);
    for (CStaff& staff : music.staves)
        seconds(staff);
    for (CStaff& staff : music.staves)
        accidentals(staff);
    for (CStaff& staff : music.staves)
        sideValues(staff);
    columns(music.staves);
}

} // namespace sorvel
