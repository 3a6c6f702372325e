// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout.h"

#include "pitch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace sorvel {

namespace {

// Sizes of the drawn symbols, in pixels: the notation font is drawn at 48 pixels per em of 750
// units, a notehead is 177 units wide, the staff space 160 units less a pixel.
constexpr double fontUnit = 48.0 / 750.0;
constexpr double headInkWidth = 177.0 * fontUnit;
constexpr double headWidth = headInkWidth + 1.0;              // the drawing's notehead width
constexpr double stepHeight = (160.0 * fontUnit - 1.0) / 2.0; // one staff step
constexpr double usualSignX = -0.66 * headWidth;              // a sign's anchor left of its head
// A ledger line reaches 0.3 staff space (2.8 px) beyond the head each side, in whole pixels.
constexpr double ledgerReach = 3.0;
constexpr double headPixels = 11.0; // the head's painted width, nearly 11.33 px of ink
// A sign keeps a pixel of white to any ledger line beside it.
constexpr double ledgerWhite = 1.25;
constexpr double hitBoxRight = -1.0 + (7.0 / 3.0 - 2.0 / 3.0) * headWidth;
// The clefs' ink ends here (24 px in, 381 units wide at most).
constexpr double clefInkRight = 24.0 + 381.0 * fontUnit;
// Signs of one chord stand a quarter of a staff space apart.
constexpr double signColumnGap = stepHeight / 2.0;
// White between the noteheads of successive columns, so that two sonorities never read as one
// chord, and between any other ink (ledger lines, signs) of successive columns, so that a sign
// never seems to belong to the column before it. The clef keeps a head's width to the signs.
constexpr double headGap = headWidth;
constexpr double inkGap = headWidth / 2.0;
constexpr double clefGap = headWidth;

} // namespace

SignInk signInk(int shownAccidental) {
    // The font's sign boxes in its units, relative to the anchor and to the note's line (which
    // lies 14 units above the baseline); every sign ends 106 units right of its anchor.
    auto box = [](double left, double bottom, double top) {
        return SignInk{left * fontUnit, 106.0 * fontUnit, (bottom - 14.0) * fontUnit,
                       (top - 14.0) * fontUnit};
    };
    switch (shownAccidental) {
    case -2:
        return box(-119, -80, 283);
    case -1:
        return box(-25, -80, 283);
    case 0:
        return box(1, -207, 235);
    case 1:
        return box(-53, -203, 231);
    case 2:
        return box(-50, -64, 92);
    default:
        return SignInk{};
    }
}

double signAnchorX(const CNote& note) {
    return secondShift * note.headShift + usualSignX + note.signShift;
}

std::vector<int> ledgerSteps(bool treble, int step) {
    std::vector<int> lines;
    if (treble && step == trebleMiddleStep - 6)
        lines.push_back(step);
    for (int line = trebleMiddleStep + 6; treble && line <= step; line += 2)
        lines.push_back(line);
    for (int line = bassMiddleStep - 6; !treble && line >= step; line -= 2)
        lines.push_back(line);
    return lines;
}

LedgerSpan ledgerSpan(const CChord& chord, const CNote& note, int lineStep) {
    const double x = secondShift * note.headShift;
    LedgerSpan span{x - ledgerReach, x + headPixels + ledgerReach};
    // A head in the space beside the line hangs from it; the line stops short of it. A head on
    // the line has its own line through it.
    for (const CNote& other : chord.notes) {
        if (std::abs(other.staffStep - lineStep) != 1 || other.headShift == note.headShift)
            continue;
        const double ox = secondShift * other.headShift;
        if (ox > x)
            span.right = std::min(span.right, ox);
        else
            span.left = std::max(span.left, ox + headPixels);
    }
    return span;
}

CMusic buildMusic(const CTwoStaffChord& columns) {
    const std::size_t n = columns.columns.size();
    CMusic music;
    resizeWith(music.staves, 2, CStaff{});
    music.staves[0].middleStep = trebleMiddleStep;
    music.staves[1].middleStep = bassMiddleStep;
    for (CStaff& staff : music.staves)
        resizeWith(staff.chords, n, CChord{});
    music.columnCount = static_cast<int>(n);
    music.captions = columns.captions;
    music.copies = columns.copies;

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

bool hasSign(const CNote& note) {
    return note.shownAccidental >= -2 && note.shownAccidental <= 2;
}

// Two signs may share a column when they are at least a seventh apart and their ink does not
// meet (a sharp a seventh above a flat still would).
bool canShareColumn(const CNote& a, const CNote& b) {
    const CNote& upper = a.staffStep > b.staffStep ? a : b;
    const CNote& lower = a.staffStep > b.staffStep ? b : a;
    const int apart = upper.staffStep - lower.staffStep;
    const double white = apart * stepHeight + signInk(upper.shownAccidental).bottom -
                         signInk(lower.shownAccidental).top;
    return apart >= 6 && white >= 1.0;
}

// Signs as an engraver sets them. Placed beside their own heads, the sign of a displaced second
// would stand on the other note's head (C4-Db4 would read Cb4-D4), and the signs of a chord would
// pile into one shape. So every sign stands left of the chord's leftmost head, and signs that
// would meet go into separate columns leftwards, a quarter space apart, filled in the usual
// zigzag: highest, lowest, second highest, second lowest, ...
void signColumns(CStaff& staff) {
    const bool treble = staff.middleStep == trebleMiddleStep;
    for (CChord& chord : staff.chords) {
        // The chord's ledger lines: step and leftmost pixel.
        std::vector<std::pair<int, double>> ledgers;
        for (const CNote& note : chord.notes)
            for (int line : ledgerSteps(treble, note.staffStep))
                ledgers.emplace_back(line, ledgerSpan(chord, note, line).left);
        std::vector<CNote*> signed_;
        int leftmostShift = 0;
        for (CNote& note : chord.notes) {
            note.signShift = 0.0;
            leftmostShift = std::min(leftmostShift, note.headShift);
            if (hasSign(note))
                signed_.push_back(&note);
        }
        if (signed_.empty())
            continue;
        // Notes are sorted upwards: take them from both ends.
        std::vector<CNote*> order;
        for (std::size_t lo = 0, hi = signed_.size(); lo < hi;) {
            order.push_back(signed_[--hi]);
            if (lo < hi)
                order.push_back(signed_[lo++]);
        }
        std::vector<std::vector<CNote*>> columns;
        for (CNote* note : order) {
            auto fits = [note](const std::vector<CNote*>& column) {
                return std::all_of(column.begin(), column.end(), [note](const CNote* other) {
                    return canShareColumn(*note, *other);
                });
            };
            auto it = std::find_if(columns.begin(), columns.end(), fits);
            if (it == columns.end())
                columns.emplace_back(1, note);
            else
                it->push_back(note);
        }
        // Column 0 keeps the sign's usual distance from the (leftmost) head; every column is
        // right-aligned and the next starts a gap left of its widest sign.
        double right = secondShift * leftmostShift + usualSignX + signInk(1).right;
        for (const std::vector<CNote*>& column : columns) {
            // A sign level with a ledger line stands left of it, with white between.
            for (const CNote* note : column) {
                const SignInk ink = signInk(note->shownAccidental);
                for (auto [line, lineLeft] : ledgers) {
                    const double y = (line - note->staffStep) * stepHeight;
                    if (y >= ink.bottom - 2.0 && y <= ink.top + 2.0)
                        right = std::min(right, lineLeft - ledgerWhite);
                }
            }
            double left = right;
            for (CNote* note : column) {
                const SignInk ink = signInk(note->shownAccidental);
                const double anchor = right - ink.right;
                note->signShift = anchor - (secondShift * note->headShift + usualSignX);
                left = std::min(left, anchor + ink.left);
            }
            right = left - signColumnGap;
        }
    }
}

// The ink of one chord, in pixels from its column's x.
struct ChordInk {
    bool any = false;
    double headLeft = 0.0;
    double headRight = 0.0;
    double left = 0.0;
    double right = 0.0;

    void add(const ChordInk& o) {
        if (!o.any)
            return;
        if (!any) {
            *this = o;
            return;
        }
        headLeft = std::min(headLeft, o.headLeft);
        headRight = std::max(headRight, o.headRight);
        left = std::min(left, o.left);
        right = std::max(right, o.right);
    }
};

ChordInk chordInk(const CStaff& staff, const CChord& chord) {
    ChordInk ink;
    const bool treble = staff.middleStep == trebleMiddleStep;
    for (const CNote& note : chord.notes) {
        const double x = secondShift * note.headShift;
        ChordInk one{true, x, x + headInkWidth, x, x + headInkWidth};
        for (int line : ledgerSteps(treble, note.staffStep)) {
            const LedgerSpan span = ledgerSpan(chord, note, line);
            one.left = std::min(one.left, span.left);
            one.right = std::max(one.right, span.right);
        }
        if (hasSign(note))
            one.left = std::min(one.left, signAnchorX(note) + signInk(note.shownAccidental).left);
        ink.add(one);
    }
    return ink;
}

int unitsFor(double pixels) {
    return std::max(0, static_cast<int>(std::ceil(pixels / columnWidth - 1e-9)));
}

void columns(std::vector<CStaff>& staves, int copies) {
    std::size_t columnCount = 0;
    for (const CStaff& staff : staves)
        columnCount = std::max(columnCount, staff.chords.size());
    // The usual widths: the stem side decides, and an empty chord counts as stem down. The
    // compact widths leave the empty chords out.
    std::vector<int> left(columnCount, 0);
    std::vector<int> right(columnCount, 0);
    std::vector<int> compactLeft(columnCount, 0);
    std::vector<int> compactRight(columnCount, 0);
    std::vector<ChordInk> ink(columnCount);
    for (CStaff& staff : staves) {
        for (std::size_t j = 0; j < staff.chords.size(); ++j) {
            CChord& chord = staff.chords[j];
            chord.minX = 2147483647.0;
            chord.maxX = 0.0;
            chord.leftExtent = -chord.minSide;
            chord.rightExtent = (!chord.stemUp || chord.hasShiftedHeads) ? 3 : 1;
            left[j] = std::max(left[j], chord.leftExtent);
            right[j] = std::max(right[j], chord.rightExtent);
            if (!chord.notes.empty()) {
                compactLeft[j] = std::max(compactLeft[j], chord.leftExtent);
                compactRight[j] = std::max(compactRight[j], chord.rightExtent);
            }
            ink[j].add(chordInk(staff, chord));
        }
    }

    // The least distance from the previous column that keeps the ink of both apart, and the
    // least first column that keeps the signs off the clefs.
    std::vector<int> least(columnCount, 0);
    for (std::size_t j = 1; j < columnCount; ++j) {
        const ChordInk& a = ink[j - 1];
        const ChordInk& b = ink[j];
        if (a.any && b.any)
            least[j] =
                unitsFor(std::max(a.headRight + headGap - b.headLeft, a.right + inkGap - b.left));
    }
    const int leastFirst =
        columnCount > 0 && ink[0].any ? unitsFor(clefInkRight + clefGap - ink[0].left) : 0;

    // Spacing reads as rhythm: the columns of one copy stand at one distance, the widest any of
    // them needs, and the next copy starts at least half as far again from the last.
    const std::size_t perCopy =
        copies > 1 && columnCount % static_cast<std::size_t>(copies) == 0
            ? columnCount / static_cast<std::size_t>(copies)
            : columnCount;
    // At most `cap` where the ink allows, where the usual widths would not fit.
    auto evenly = [&](std::vector<int> steps, int cap) {
        int widest = 0;
        int leastInside = 0;
        for (std::size_t j = 1; j < columnCount; ++j) {
            if (j % perCopy != 0) {
                widest = std::max(widest, steps[j]);
                leastInside = std::max(leastInside, least[j]);
            }
        }
        widest = std::max(std::min(widest, cap), leastInside);
        for (std::size_t j = 1; j < columnCount; ++j)
            steps[j] = j % perCopy != 0
                           ? widest
                           : std::max({least[j], std::min(steps[j], cap), (3 * widest + 1) / 2});
        return steps;
    };

    enum class Spacing { usual, compact, tight };
    auto place = [&](Spacing spacing, int cap) {
        std::vector<int> steps(columnCount, 0);
        for (std::size_t j = 0; j < columnCount; ++j) {
            int step = 0;
            if (spacing == Spacing::usual)
                step = j == 0 ? left[0] + firstColumnOffset : right[j - 1] + left[j];
            else if (spacing == Spacing::compact)
                step = j == 0 ? compactLeft[0] + firstColumnOffset
                              : compactRight[j - 1] + compactLeft[j];
            else
                step = j == 0 ? firstColumnOffset : 0;
            steps[j] = std::max(step, j == 0 ? leastFirst : least[j]);
        }
        steps = evenly(steps, cap);
        std::vector<int> x(columnCount, 0);
        double end = 0.0;
        for (std::size_t j = 0; j < columnCount; ++j) {
            x[j] = (j == 0 ? 0 : x[j - 1]) + steps[j];
            // The ink, and the hit box of the rightmost head, must lie inside the image.
            const double hitRight = ink[j].headRight - headInkWidth + hitBoxRight;
            if (ink[j].any)
                end = std::max(end, columnWidth * x[j] + std::max(ink[j].right, hitRight));
        }
        return std::make_pair(x, end);
    };
    // The usual spacing where everything fits; where it would not (the last notes of a long
    // broken chord with its reference copy could not be seen, so never marked or answered),
    // first narrow the distance step by step, then drop the room of the empty chords, then keep
    // only the least distances.
    constexpr int uncapped = 1 << 20;
    auto [x, end] = place(Spacing::usual, uncapped);
    for (Spacing tighter : {Spacing::usual, Spacing::compact, Spacing::tight}) {
        for (int cap = 8; cap >= 0 && end > visibleScoreWidth; --cap)
            std::tie(x, end) = place(tighter, cap);
    }
    for (CStaff& staff : staves)
        for (std::size_t j = 0; j < staff.chords.size(); ++j)
            staff.chords[j].columnX = x[j];
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
    for (CStaff& staff : music.staves)
        signColumns(staff);
    columns(music.staves, music.copies);
}

} // namespace sorvel
