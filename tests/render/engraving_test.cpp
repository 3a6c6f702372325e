// SPDX-License-Identifier: GPL-3.0-or-later
// Engraving of whole exercises, judged on the painted ink of every symbol drawn on its own:
// signs clear of heads and of each other, a clear gap between successive columns, everything
// inside the Score image, heads and signs on their lines and spaces, crisp lines at a screen
// scale of 2.
#include "builderbitmap.h"

#include "answering.h"

#include "layout.h"
#include "newexercise.h"
#include "scorefixture.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace sorvel {
namespace {

constexpr int scoreWidth = 461; // the Score image
constexpr int scoreHeight = 241;
constexpr int margin = 60; // room around the image, to see ink that falls outside it

// The ink of one item: pixels more than half covered, in score coordinates, and the coverage
// of every touched pixel.
struct Ink {
    std::set<std::pair<int, int>> pixels;
    double weight = 0.0;  // sum of coverage
    double weightY = 0.0; // coverage-weighted sum of pixel-middle y
    int left = 1 << 20;
    int right = -(1 << 20);
    int top = 1 << 20;
    int bottom = -(1 << 20);

    bool empty() const { return pixels.empty(); }
    bool meets(const Ink& o) const {
        const auto& [small, large] = pixels.size() < o.pixels.size() ? std::tie(pixels, o.pixels)
                                                                     : std::tie(o.pixels, pixels);
        return std::any_of(small.begin(), small.end(), [&](auto p) { return large.count(p) > 0; });
    }
};

Ink inkOf(const VBMP& b, const vbmp::_ni& item) {
    static QImage image(scoreWidth + 2 * margin, scoreHeight + 2 * margin, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.translate(margin, margin);
        paintItems(painter, b, {item});
    }
    // Glyph cells lie within 130 px below and 60 px right of an item's anchor.
    int x0 = static_cast<int>(item.x) - 25, x1 = static_cast<int>(item.x) + 60;
    int y0 = static_cast<int>(item.y) - 10, y1 = static_cast<int>(item.y) + 130;
    if (item.kind == vbmp::Text) { // a caption: a line of small text
        x1 = static_cast<int>(item.x) + 200;
        y1 = static_cast<int>(item.y) + 20;
    } else if (item.kind == vbmp::Line) {
        x0 = static_cast<int>(item.x) - 2;
        x1 = static_cast<int>(item.x + item.size) + 3;
        y0 = static_cast<int>(item.y) - 3;
        y1 = static_cast<int>(item.y) + 4;
    }
    Ink ink;
    for (int y = std::max(y0, -margin); y < std::min(y1, scoreHeight + margin); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y + margin));
        for (int x = std::max(x0, -margin); x < std::min(x1, scoreWidth + margin); ++x) {
            const double coverage = (255 - qGray(row[x + margin])) / 255.0;
            if (coverage <= 0.0)
                continue;
            ink.weight += coverage;
            ink.weightY += coverage * (y + 0.5);
            if (coverage > 0.5) {
                ink.pixels.insert({x, y});
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

// The drawn symbols of one note.
struct NoteInk {
    int column = 0;
    std::string name;
    Ink head;
    Ink sign;
    std::vector<Ink> ledgers;
    std::size_t staff = 0;
    int step = 0;
    std::vector<int> ledgerSteps; // the staff step of each ledger line, by a count of its own
};

std::string nameOf(const CNote& n) {
    return std::string(1, "CDEFGAB"[n.letter]) + std::to_string(n.accidental) + "/" +
           std::to_string(n.octave);
}

// Builds the score and paints each item alone. buildScore appends per note its ledger lines,
// its head, then its sign.
std::vector<NoteInk> notesInk(CMusic& music) {
    VBMP b;
    buildScore(b, music);
    std::vector<NoteInk> notes;
    std::size_t i = 0;
    for (std::size_t st = 0; st < music.staves.size(); ++st) {
        for (const CChord& chord : music.staves[st].chords) {
            for (const CNote& n : chord.notes) {
                NoteInk note{n.column, nameOf(n), {}, {}, {}, st, n.staffStep, {}};
                // Middle C's line alone, or every other step from the first step past the top
                // or bottom line.
                const int s0 = n.staffStep;
                if (st == 0 && s0 == 35)
                    note.ledgerSteps.push_back(35);
                for (int line = 47; st == 0 && line <= s0; line += 2)
                    note.ledgerSteps.push_back(line);
                for (int line = 23; st == 1 && line >= s0; line -= 2)
                    note.ledgerSteps.push_back(line);
                while (b.items.at(i).kind == vbmp::Line)
                    note.ledgers.push_back(inkOf(b, b.items[i++]));
                EXPECT_EQ(note.ledgers.size(), note.ledgerSteps.size()) << note.name;
                note.head = inkOf(b, b.items.at(i++));
                note.sign = inkOf(b, b.items.at(i++));
                notes.push_back(note);
            }
        }
    }
    // Only captions follow the notes.
    EXPECT_TRUE(std::all_of(b.items.begin() + static_cast<std::ptrdiff_t>(i), b.items.end(),
                            [](const vbmp::_ni& item) { return item.kind == vbmp::Text; }));
    return notes;
}

std::string describe(const CMusic& music) {
    std::string text;
    for (int j = 0; j < music.columnCount; ++j) {
        text += " |";
        for (const CStaff& staff : music.staves)
            for (const CNote& n : staff.chords[static_cast<std::size_t>(j)].notes)
                text += " " + nameOf(n);
    }
    return text;
}

// Every fault a reader would be misled by: a sign on another head or sign, columns that run
// together, ink or a note's centre outside the Score image.
void expectEngraved(CMusic& music) {
    SCOPED_TRACE("exercise" + describe(music));
    const std::vector<NoteInk> notes = notesInk(music);
    for (std::size_t a = 0; a < notes.size(); ++a) {
        const NoteInk& n = notes[a];
        for (std::size_t o = 0; o < notes.size(); ++o) {
            const NoteInk& m = notes[o];
            const bool sameChord = o != a && m.column == n.column && m.staff == n.staff;
            // A ledger line crosses only a head on its own line.
            for (std::size_t k = 0; k < n.ledgers.size(); ++k)
                EXPECT_FALSE(o != a && m.step != n.ledgerSteps[k] && n.ledgers[k].meets(m.head))
                    << "a ledger line of " << n.name << " runs into the head of " << m.name;
            // A second's heads touch: no white between them, and not much overlap either.
            if (sameChord && m.step == n.step + 1 && m.head.left != n.head.left) {
                const bool upperRight = m.head.left > n.head.left;
                const Ink& l = upperRight ? n.head : m.head;
                const Ink& r = upperRight ? m.head : n.head;
                EXPECT_LE(r.left - l.right - 1, 0) << "white in the second " << n.name << m.name;
                EXPECT_LE(l.right - r.left + 1, 2) << "the second " << n.name << m.name;
            }
            // Every sign keeps a pixel of white to every ledger line.
            for (const Ink& line : m.ledgers)
                for (auto [x, y] : n.sign.pixels)
                    for (int dx = -1; dx <= 1; ++dx)
                        for (int dy = -1; dy <= 1; ++dy)
                            EXPECT_EQ(line.pixels.count({x + dx, y + dy}), 0u)
                                << "the sign of " << n.name << " at a ledger line of " << m.name;
        }
        for (const Ink* ink : {&n.head, &n.sign}) {
            EXPECT_GE(ink->left, 0) << n.name;
            EXPECT_LT(ink->right, scoreWidth) << n.name;
            EXPECT_GE(ink->top, 0) << n.name;
            EXPECT_LT(ink->bottom, scoreHeight) << n.name;
        }
        EXPECT_FALSE(n.head.empty()) << n.name;
        if (n.sign.empty())
            continue;
        for (std::size_t o = 0; o < notes.size(); ++o) {
            EXPECT_FALSE(o != a && n.sign.meets(notes[o].head))
                << "the sign of " << n.name << " on the head of " << notes[o].name;
            EXPECT_FALSE(o > a && n.sign.meets(notes[o].sign))
                << "the signs of " << n.name << " and " << notes[o].name << " meet";
        }
    }
    for (const CStaff& staff : music.staves)
        for (const CChord& chord : staff.chords)
            for (const CNote& n : chord.notes)
                EXPECT_TRUE(n.centre[0] >= 0 && n.centre[0] < scoreWidth && n.centre[1] >= 0 &&
                            n.centre[1] < scoreHeight)
                    << nameOf(n);

    // Successive columns: white between all their ink, and about a head's width between heads.
    std::map<int, std::pair<int, int>> all, heads; // column -> leftmost, rightmost ink
    auto widen = [](auto& m, int column, const Ink& ink) {
        if (ink.empty())
            return;
        auto [it, added] = m.try_emplace(column, ink.left, ink.right);
        it->second.first = std::min(it->second.first, ink.left);
        it->second.second = std::max(it->second.second, ink.right);
    };
    for (const NoteInk& n : notes) {
        widen(heads, n.column, n.head);
        widen(all, n.column, n.head);
        widen(all, n.column, n.sign);
        for (const Ink& l : n.ledgers)
            widen(all, n.column, l);
    }
    // One distance between the columns of a copy, and half as much again between the copies.
    const auto columnCount = static_cast<std::size_t>(music.columnCount);
    const auto copies = static_cast<std::size_t>(std::max(1, music.copies));
    if (columnCount > 0 && columnCount % copies == 0 && !music.staves.empty()) {
        const std::size_t perCopy = columnCount / copies;
        std::set<int> inside;
        int between = 1 << 20;
        for (std::size_t j = 1; j < columnCount; ++j) {
            const int step =
                music.staves[0].chords[j].columnX - music.staves[0].chords[j - 1].columnX;
            if (j % perCopy == 0)
                between = std::min(between, step);
            else
                inside.insert(step);
        }
        EXPECT_LE(inside.size(), 1u) << "uneven spacing inside a copy";
        if (!inside.empty() && copies > 1) {
            EXPECT_GE(2 * between, 3 * *inside.rbegin()) << "the copies run together";
        }
    }

    for (auto [m, minimum] : {std::pair{&all, 2}, std::pair{&heads, 10}}) {
        for (auto it = m->begin(); std::next(it) != m->end() && it != m->end(); ++it) {
            const int white = std::next(it)->second.first - it->second.second - 1;
            EXPECT_GE(white, minimum) << "columns " << it->first << " and " << it->first + 1;
        }
    }
}

std::size_t overlap(const Ink& a, const Ink& b) {
    return static_cast<std::size_t>(std::count_if(
        a.pixels.begin(), a.pixels.end(), [&](auto p) { return b.pixels.count(p) > 0; }));
}

// One note marked flat or sharp: the triangle covers no other head, and a click on any of its
// pixels finds the marked note. Revealed heads: their rims add no overlap between heads.
void expectMarksAndRimsClear(CMusic music, std::size_t which, int kind) {
    std::vector<CNote*> all;
    std::vector<NoteIndex> places;
    for (std::size_t s = 0; s < music.staves.size(); ++s)
        for (std::size_t c = 0; c < music.staves[s].chords.size(); ++c)
            for (std::size_t k = 0; k < music.staves[s].chords[c].notes.size(); ++k) {
                all.push_back(&music.staves[s].chords[c].notes[k]);
                places.push_back({static_cast<int>(s), static_cast<int>(c), static_cast<int>(k)});
            }
    if (all.empty())
        return;
    CNote& marked = *all[which % all.size()];
    marked.markKind = kind;
    const std::vector<NoteInk> plain = notesInk(music);
    const NoteInk& mark = plain[which % all.size()];
    SCOPED_TRACE("marked " + mark.name + describe(music));
    for (const NoteInk& n : plain)
        EXPECT_FALSE(&n != &mark && mark.head.meets(n.head))
            << "the mark of " << mark.name << " on the head of " << n.name;
    std::size_t strayClicks = 0;
    for (auto [x, y] : mark.head.pixels) {
        const auto found = findNoteForClick(music, x + 0.5, y + 0.5);
        strayClicks += found == places[which % all.size()] ? 0 : 1;
    }
    EXPECT_EQ(strayClicks, 0u) << "of " << mark.head.pixels.size() << " mark pixels";

    marked.markKind = 0;
    const std::vector<NoteInk> unrevealed = notesInk(music);
    for (CNote* n : all) {
        n->displayState = static_cast<int>(vbmp::colourTable.size());
        n->displayColour = 0x00A000;
    }
    const std::vector<NoteInk> revealed = notesInk(music);
    for (std::size_t a = 0; a < revealed.size(); ++a)
        for (std::size_t b = a + 1; b < revealed.size(); ++b)
            // One pixel of antialiasing either way.
            EXPECT_LE(overlap(revealed[a].head, revealed[b].head),
                      overlap(unrevealed[a].head, unrevealed[b].head) + 1)
                << "the rims of " << revealed[a].name << " and " << revealed[b].name;
}

// Compare Tuning Systems: one caption per copy naming its system, inside the image, above the
// treble staff's top line and a pixel clear of all other ink.
void expectCaptioned(CMusic& music, const std::vector<std::string>& names) {
    SCOPED_TRACE("captions" + describe(music));
    VBMP b;
    buildScore(b, music);
    std::vector<Ink> captions, others;
    std::vector<std::string> texts;
    for (const vbmp::_ni& item : b.items) {
        if (item.kind == vbmp::Text) {
            texts.push_back(item.text);
            captions.push_back(inkOf(b, item));
        } else {
            others.push_back(inkOf(b, item));
        }
    }
    EXPECT_EQ(texts, names);
    const int topLine = static_cast<int>(b.rowY(b.trebleTopRow));
    for (std::size_t c = 0; c < captions.size(); ++c) {
        const Ink& caption = captions[c];
        ASSERT_FALSE(caption.empty()) << texts[c];
        EXPECT_TRUE(caption.left >= 0 && caption.right < scoreWidth && caption.top >= 0)
            << texts[c] << " outside the image";
        EXPECT_LT(caption.bottom, topLine - 1) << texts[c] << " on the staff";
        for (std::size_t d = c + 1; d < captions.size(); ++d)
            EXPECT_FALSE(caption.meets(captions[d])) << texts[c] << " on " << texts[d];
        std::size_t touching = 0;
        for (const Ink& ink : others)
            for (auto [x, y] : caption.pixels)
                for (int dx = -1; dx <= 1; ++dx)
                    for (int dy = -1; dy <= 1; ++dy)
                        touching += ink.pixels.count({x + dx, y + dy});
        EXPECT_EQ(touching, 0u) << texts[c] << " touches a symbol";
    }
}

TEST(EngravingTest, CompareExercisesNameTheirSystems) {
    unsigned seed = 5;
    for (ExerciseCategory page :
         {ExerciseCategory::singleNotes, ExerciseCategory::intervals, ExerciseCategory::chords}) {
        for (bool broken : {false, true}) {
            ExerciseRequest request;
            request.category = page;
            request.task = ExerciseTask::compare;
            request.tuning = 3;
            request.tuning2 = static_cast<int>(seed % 2) * 4;
            request.intervalStyleBoxes = {!broken, broken};
            request.chordStyleBoxes = {!broken, broken};
            MTRand_int32::seed(seed++);
            CGenerateChord generator;
            for (int draw = 0; draw < 40; ++draw) {
                const NewExercise made = makeNewExercise(request, generator);
                CMusic music = startOver(made.exerciseTemplate);
                expectCaptioned(music, {"Werkmeister III", request.tuning2 == 0 ? "Equal" : "Meantone"});
                if (HasFailure())
                    return;
            }
        }
    }
}

TEST(EngravingTest, EveryGeneratedExerciseReadsAsWritten) {
    struct OptionSet {
        ExerciseCategory page;
        bool larger, broken, open;
    };
    std::vector<OptionSet> sets = {{ExerciseCategory::singleNotes, false, false, false}};
    for (bool larger : {false, true})
        for (bool broken : {false, true})
            sets.push_back({ExerciseCategory::intervals, larger, broken, false});
    for (bool open : {false, true})
        for (bool broken : {false, true})
            sets.push_back({ExerciseCategory::chords, false, broken, open});
    unsigned seed = 11;
    for (const OptionSet& set : sets) {
        for (bool compare : {false, true}) {
            ExerciseRequest request;
            request.category = set.page;
            request.compareBox = compare;
            request.intervalRangeBoxes = {!set.larger, set.larger};
            request.intervalStyleBoxes = {!set.broken, set.broken};
            request.chordStyleBoxes = {!set.broken, set.broken};
            request.chordPositionBoxes = {!set.open, set.open};
            MTRand_int32::seed(seed++);
            CGenerateChord generator;
            for (int draw = 0; draw < 100; ++draw) {
                SCOPED_TRACE(testing::Message()
                             << "page " << static_cast<int>(set.page) << " larger " << set.larger
                             << " broken " << set.broken << " open " << set.open << " compare "
                             << compare << " draw " << draw);
                const NewExercise made = makeNewExercise(request, generator);
                CMusic music = startOver(made.exerciseTemplate);
                EXPECT_EQ(music.copies, compare || set.page == ExerciseCategory::singleNotes ? 2 : 1);
                expectEngraved(music);
                expectMarksAndRimsClear(music, static_cast<std::size_t>(draw), 1 + draw % 2);
                if (HasFailure())
                    return; // one exercise's faults are enough to read
            }
        }
    }
}

CMusic laidOut(const std::vector<std::vector<CNote>>& columns) {
    CTwoStaffChord list;
    for (const auto& notes : columns) {
        CChord chord;
        chord.notes = notes;
        list.columns.push_back(chord);
    }
    CMusic music = buildMusic(list);
    layoutMusic(music);
    return music;
}

enum Letter { C, D, E, F, G, A, B };

CNote locked(CNote n) {
    n.locked = 1;
    return n;
}

TEST(EngravingTest, CasesThatOnceMisled) {
    // A second with a sign on its upper note: the flat stands left of both heads.
    CMusic second = laidOut({{CNote(4, C, 0), CNote(4, D, -1)}});
    expectEngraved(second);
    const std::vector<NoteInk> secondInk = notesInk(second);
    ASSERT_EQ(secondInk.size(), 2u);
    EXPECT_LT(secondInk[1].sign.right, std::min(secondInk[0].head.left, secondInk[1].head.left));

    // Three sharps a third apart: three columns, C#5 nearest the heads, then F#4, then A#4.
    CMusic sharps = laidOut({{CNote(4, F, 1), CNote(4, A, 1), CNote(5, C, 1)}});
    expectEngraved(sharps);
    const std::vector<NoteInk> sharpsInk = notesInk(sharps);
    ASSERT_EQ(sharpsInk.size(), 3u);
    EXPECT_GT(sharpsInk[2].sign.left, sharpsInk[0].sign.right);
    EXPECT_GT(sharpsInk[0].sign.left, sharpsInk[1].sign.right);

    // A broken seventh chord high on the treble staff with its reference copy: eight columns of
    // stem-down notes used to reach x = 536.
    std::vector<std::vector<CNote>> broken;
    for (int copy = 0; copy < 2; ++copy)
        for (CNote n : {CNote(5, D, 0), CNote(5, F, 1), CNote(5, A, 0), CNote(6, C, 0)})
            broken.push_back({copy == 0 ? locked(n) : n});
    CMusic brokenChord = laidOut(broken);
    expectEngraved(brokenChord);

    // A compound harmonic interval with its reference copy: both staves stem up, once 15 px apart.
    CMusic compound = laidOut(
        {{locked(CNote(3, C, 0)), locked(CNote(4, E, -1))}, {CNote(3, C, 0), CNote(4, E, -1)}});
    expectEngraved(compound);

    // Signs beside ledger lines: a flat on middle C's line; another note's sharp level with
    // middle C's line while C's own double sharp stands further left; a second on the line.
    for (const std::vector<CNote>& chord :
         {std::vector{CNote(3, E, -1), CNote(3, G, -1), CNote(3, A, -1), CNote(4, C, -1)},
          std::vector{CNote(3, F, 1), CNote(3, A, 1), CNote(4, C, 2), CNote(4, E, 1)},
          std::vector{CNote(4, C, 0), CNote(4, D, 0)}, std::vector{CNote(4, C, 1), CNote(4, D, 1)}}) {
        CMusic music = laidOut({chord});
        expectEngraved(music);
    }

    // A flat mark a third above a locked note.
    expectMarksAndRimsClear(laidOut({{locked(CNote(3, C, 0)), CNote(3, E, -1)}}), 1, 1);
    expectMarksAndRimsClear(laidOut({{locked(CNote(3, C, 0)), CNote(3, E, -1)}}), 1, 2);

    // Ledger lines reach as far beyond the head on each side, about 0.3 staff space (2.8 px).
    for (int step : {35, 47, 49, 51}) {
        CMusic music = render_test::musicWith({{render_test::noteAt(step)}}, {});
        layoutMusic(music);
        for (const NoteInk& n : notesInk(music)) {
            for (const Ink& line : n.ledgers) {
                const int left = n.head.left - line.left, right = line.right - n.head.right;
                EXPECT_NEAR(left, right, 1) << n.name;
                EXPECT_TRUE(left >= 2 && left <= 4 && right >= 2 && right <= 4)
                    << n.name << " " << left << " " << right;
            }
        }
    }

    // A broken chord with its reference copy: 30, 60, 60 px inside each copy and 45 between
    // once read as rhythm.
    std::vector<std::vector<CNote>> seventh;
    for (int copy = 0; copy < 2; ++copy)
        for (CNote n : {CNote(3, C, 0), CNote(3, D, -1), CNote(3, F, 0), CNote(3, A, -1)})
            seventh.push_back({copy == 0 ? locked(n) : n});
    CTwoStaffChord twoCopies;
    for (const auto& notes : seventh) {
        twoCopies.columns.emplace_back();
        twoCopies.columns.back().notes = notes;
    }
    twoCopies.copies = 2;
    CMusic even = startOver(twoCopies);
    expectEngraved(even);

    // One note and short exercises stay where they were.
    EXPECT_EQ(laidOut({{CNote(4, A, 0)}}).staves[0].chords[0].columnX, 6);
    CMusic melodic = laidOut({{CNote(4, C, 0)}, {CNote(4, E, 0)}});
    EXPECT_EQ(melodic.staves[0].chords[1].columnX, 9);
}

// The painted pixel row of a ledger or staff line item.
int lineRow(const VBMP& b, const vbmp::_ni& item) {
    const Ink ink = inkOf(b, item);
    EXPECT_EQ(ink.top, ink.bottom);
    return ink.top;
}

TEST(EngravingTest, HeadsAndSignsSitOnTheMiddleOfTheirLineOrSpace) {
    using render_test::musicWith;
    using render_test::noteAt;
    // The painted rows of every line: the staff lines, and the ledger lines of C4, E6 and C2.
    // Above the bass staff, C4's line (never drawn there) falls on the same grid of 9.24 px
    // rows at trunc(15 * 9.24 + 1) = 139.
    std::map<int, double> treble = {{37, 93.5}, {39, 84.5}, {41, 74.5}, {43, 65.5}, {45, 56.5}};
    std::map<int, double> bass = {{25, 185.5}, {27, 176.5}, {29, 167.5},
                                  {31, 158.5}, {33, 148.5}, {35, 139.5}};
    for (auto [step, onTreble] : {std::pair{35, true}, {51, true}, {19, false}}) {
        CMusic music = onTreble ? musicWith({{noteAt(step)}}, {}) : musicWith({}, {{noteAt(step)}});
        VBMP b;
        buildScore(b, music);
        // Ledger lines come nearest the staff first.
        int line = onTreble ? (step == 35 ? 35 : 47) : 23;
        for (const vbmp::_ni& item : b.items) {
            if (item.kind != vbmp::Line)
                continue;
            (onTreble ? treble : bass)[line] = lineRow(b, item) + 0.5;
            line += onTreble ? 2 : -2;
        }
    }
    for (int step = 20; step <= 51; ++step) {
        const auto& lines = step >= 35 ? treble : bass;
        const double row =
            step % 2 == 1 ? lines.at(step) : (lines.at(step - 1) + lines.at(step + 1)) / 2.0;
        // Black and white heads, and the two signs whose ink is point-symmetric about their
        // note's line or space (natural, sharp).
        for (int kind : {0, 1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << "step " << step << " symbol " << kind);
            CNote n = noteAt(step);
            n.locked = kind == 1 ? 1 : 0;
            n.shownAccidental = kind == 2 ? 0 : kind == 3 ? 1 : 255;
            CMusic music = step >= 35 ? musicWith({{n}}, {}) : musicWith({}, {{n}});
            VBMP b;
            buildScore(b, music);
            const vbmp::_ni& symbol = b.items.at(b.items.size() - (kind >= 2 ? 1 : 2));
            ASSERT_EQ(symbol.kind, vbmp::Glyph);
            const Ink ink = inkOf(b, symbol);
            EXPECT_NEAR(ink.weightY / ink.weight, row, 0.25);
        }
    }
}

TEST(EngravingTest, StaffLinesAreTwoDevicePixelsAtScaleTwo) {
    CMusic music = render_test::musicWith({{render_test::noteAt(49)}}, {});
    const QImage image = drawScore(music, 2.0);
    ASSERT_EQ(image.devicePixelRatio(), 2.0);
    ASSERT_EQ(image.height(), 2 * 369);
    // Down the device column at logical x 300: ten runs of ink, each exactly two pixels.
    std::vector<int> runs;
    int run = 0;
    for (int y = 0; y < image.height(); ++y) {
        const bool ink = qGray(image.pixel(600, y)) < 128;
        if (ink)
            ++run;
        if (!ink && run > 0) {
            runs.push_back(run);
            run = 0;
        }
        if (ink && y > 0 && qGray(image.pixel(600, y - 1)) < 128)
            continue;
        if (ink) { // the line starts at twice its logical row
            EXPECT_EQ(y % 2, 0) << y;
        }
    }
    EXPECT_EQ(runs, std::vector<int>(10, 2));
    // C6's ledger line too, under its head.
    const CNote& c6 = music.staves[0].chords[0].notes[0];
    const int x = 2 * (static_cast<int>(c6.centre[0]) - 8);
    int ledger = 0;
    for (int y = 2 * 30; y < 2 * 50; ++y)
        ledger += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    EXPECT_EQ(ledger, 4); // A5's and C6's ledger lines
}

TEST(EngravingTest, SignsStayInsideTheBoxesLayoutReservesForThem) {
    using render_test::musicWith;
    using render_test::noteAt;
    for (int shown : {-2, -1, 0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << "accidental " << shown);
        CNote n = noteAt(40); // A4: the middle of its space is y = 79.5
        n.shownAccidental = shown;
        CMusic music = musicWith({{n}}, {});
        VBMP b;
        buildScore(b, music);
        const vbmp::_ni& sign = b.items.back();
        const Ink ink = inkOf(b, sign);
        const SignInk box = signInk(shown);
        EXPECT_GE(ink.left, std::floor(sign.x + box.left) - 1);
        EXPECT_LE(ink.right + 1, std::ceil(sign.x + box.right) + 1);
        EXPECT_GE(ink.top, std::floor(79.5 - box.top) - 1);
        EXPECT_LE(ink.bottom + 1, std::ceil(79.5 - box.bottom) + 1);
    }
}

} // namespace
} // namespace sorvel
