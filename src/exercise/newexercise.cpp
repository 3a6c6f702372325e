// SPDX-License-Identifier: GPL-3.0-or-later
#include "newexercise.h"

#include "options.h"
#include "pitch.h"
#include "tuningsetup.h"

#include <cmath>
#include <utility>

namespace sorvel {
namespace {

// The option choice over one group of boxes, drawn from the shared generator.
template <std::size_t N> int chooseChecked(const std::array<bool, N>& boxes) {
    return chooseOption(std::vector<bool>(boxes.begin(), boxes.end()), random_index);
}

// How many pitches of the tested copy go out of tune. Easy levels always mistune one note;
// harder levels may mistune none or several, more when a reference copy leaves every note of
// the tested sonority free.
int drawMistunedCount(int noteCount, bool referenceCopy, int difficulty) {
    if (noteCount == 1)
        return random_index(2);
    if (difficulty <= 1)
        return 1;
    if (difficulty <= 3)
        return random_index(2);
    if (noteCount == 2)
        return random_index(referenceCopy ? 3 : 2);
    if (difficulty <= 5)
        return random_index(3);
    if (referenceCopy)
        return random_index(5); // a triad drawing 4 ends up with nothing mistuned
    return random_index(noteCount == 3 ? 3 : 4);
}

// Open positions of a seventh chord: which closed-position notes go to places 1, 2 and 3, and
// how many octaves places 2 and 3 are raised.
struct OpenSeventhRow {
    std::array<int, 3> from;
    int octavesAt2;
    int octavesAt3;
};
constexpr std::array<OpenSeventhRow, 5> openSeventhRows = {{
    {{3, 2, 1}, 1, 2},
    {{3, 1, 2}, 1, 1},
    {{2, 1, 3}, 1, 1},
    {{2, 3, 1}, 0, 1},
    {{1, 3, 2}, 0, 1},
}};

// Spreads the closed sonority: a compound interval, or an open-position chord.
int voiceWide(std::vector<CNote>& notes) {
    if (notes.size() == 2) {
        notes[1].octave += 1;
    } else if (notes.size() == 3) {
        // Exchange the two upper notes and lift the new top one an octave (root position:
        // bottom, fifth, the third above the octave). Exchanging alone would leave the very
        // pitches of the closed chord.
        std::swap(notes[1], notes[2]);
        notes[2].octave += 1;
    } else if (notes.size() == 4) {
        const int p = random_index(static_cast<int>(openSeventhRows.size()));
        const OpenSeventhRow& row = openSeventhRows[static_cast<std::size_t>(p)];
        const std::vector<CNote> old = notes;
        for (int place = 1; place <= 3; ++place)
            notes[static_cast<std::size_t>(place)] =
                old[static_cast<std::size_t>(row.from[static_cast<std::size_t>(place - 1)])];
        notes[2].octave += row.octavesAt2;
        notes[3].octave += row.octavesAt3;
        return p;
    }
    return -1;
}

} // namespace

double retuneCentsFor(int difficulty) {
    return 10.0 - (4.0 / 3.0) * difficulty;
}

double retuneRatioFor(double retuneCents) {
    return centsFactor(retuneCents);
}

NewExercise makeNewExercise(const ExerciseRequest& request, CGenerateChord& generator) {
    NewExercise made;
    const bool compare = request.task == ExerciseTask::compare;
    const int category = static_cast<int>(request.category);

    made.category = request.category;
    made.tuning = request.tuning;
    made.tuningName = activeTuning().describeSystem(request.tuning);
    made.referencePitch = activeTuning().referencePitch();
    made.difficulty = request.difficulty;
    made.referenceCopy =
        request.compareBox || compare || request.category == ExerciseCategory::singleNotes;
    made.innerReferences = made.referenceCopy ? 0 : 1;
    made.retuneCents = retuneCentsFor(made.difficulty);
    made.retuneRatio = retuneRatioFor(made.retuneCents);

    bool triad = false;
    int pitchClass = -1;
    switch (request.category) {
    case ExerciseCategory::singleNotes:
        pitchClass = chooseChecked(request.pitchBoxes);
        made.mistunedCount = random_index(2);
        break;
    case ExerciseCategory::intervals:
        made.chosenType = chooseChecked(request.intervalBoxes);
        made.typeName = intervalOptionNames[static_cast<std::size_t>(made.chosenType)];
        made.oneColumn = chooseChecked(request.intervalStyleBoxes) == 0;
        made.wide = chooseChecked(request.intervalRangeBoxes) != 0;
        pitchClass = request.bottomNote - 1;
        made.mistunedCount = drawMistunedCount(2, made.referenceCopy, made.difficulty);
        break;
    case ExerciseCategory::chords: {
        const ChordChoice choice = chooseChord(
            std::vector<bool>(request.chordBoxes.begin(), request.chordBoxes.end()),
            std::vector<bool>(request.inversionBoxes.begin(), request.inversionBoxes.end()),
            random_index);
        made.chosenType = choice.chosen;
        made.chosenInversion = choice.inversion;
        triad = made.chosenType < triadCount;
        made.typeName = chordOptionNames[static_cast<std::size_t>(made.chosenType)];
        generator.inversion = made.chosenInversion;
        made.oneColumn = chooseChecked(request.chordStyleBoxes) == 0;
        made.wide = chooseChecked(request.chordPositionBoxes) != 0;
        pitchClass = request.chordRoot - 1;
        made.mistunedCount = drawMistunedCount(triad ? 3 : 4, made.referenceCopy, made.difficulty);
        break;
    }
    }
    made.noteCount = category + 1 + (request.category == ExerciseCategory::chords && !triad);

    generator.intervals = lookupIntervals(made.typeName);
    generator.lowestPitch = 33;
    generator.highestPitch = 65 - 12 * made.wide;
    generator.pitchClass = pitchClass;
    generator.generate();
    std::vector<CNote> notes = generator.notes;
    if (made.wide)
        made.openRow = voiceWide(notes);
    assignFrequencies(notes, request.tuning);
    generator.notes = notes;

    const int copies = made.referenceCopy ? 2 : 1;
    const int perCopy = made.oneColumn ? 1 : made.noteCount;
    made.exerciseTemplate.columns.assign(static_cast<std::size_t>(perCopy * copies), CChord{});
    made.exerciseTemplate.copies = copies;

    if (compare) {
        // Two identical chords side by side: only their captions tell the systems apart.
        for (int c = 0; c < copies; ++c)
            made.exerciseTemplate.captions.push_back(
                {perCopy * c,
                 activeTuning().systemName(c == 0 ? request.tuning : request.tuning2)});
        made.gradingEnabled = false;
        made.innerReferences = 0;
        made.mistunedCount = 0;
        made.task = tuneTask;
    } else {
        made.gradingEnabled = true;
        made.task = request.task == ExerciseTask::identify ? identifyTask : tuneTask;
    }

    made.picked = random_subset(made.noteCount, made.mistunedCount, made.innerReferences);
    const auto pickedAt = [&](int i, std::size_t from, std::size_t count) {
        for (std::size_t k = from; k < from + count && k < made.picked.size(); ++k)
            if (made.picked[k] == i)
                return true;
        return false;
    };
    const auto mistunedCount = static_cast<std::size_t>(made.mistunedCount);
    const auto innerReferences = static_cast<std::size_t>(made.innerReferences);

    const int testedCopy = copies - 1;
    for (int c = 0; c < copies; ++c) {
        for (int i = 0; i < made.noteCount; ++i) {
            const CNote& generated = notes[static_cast<std::size_t>(i)];
            CNote note(generated.octave, generated.letter, generated.accidental,
                       generated.systemFrequencies, generated.system);
            if (c >= 1 && compare) {
                note.system = request.tuning2;
                note.soundingFrequency =
                    note.systemFrequencies.at(static_cast<std::size_t>(request.tuning2));
            }
            if (c == testedCopy) {
                if (pickedAt(i, 0, mistunedCount)) {
                    const int sign = 2 * random_index(2) - 1;
                    const double size =
                        random_on_grid(made.retuneCents, 0.0, 2.0 * made.retuneCents - 0.5, 40.5);
                    note.soundingFrequency *= centsFactor(sign * size);
                }
                if (pickedAt(i, mistunedCount, innerReferences))
                    note.locked = 1;
            } else {
                note.locked = compare ? 0 : 1;
            }
            const int column = made.oneColumn ? c : made.noteCount * c + i;
            made.exerciseTemplate.columns[static_cast<std::size_t>(column)].notes.push_back(
                std::move(note));
        }
    }
    return made;
}

CMusic startOver(const CTwoStaffChord& exerciseTemplate) {
    CMusic music = buildMusic(exerciseTemplate);
    layoutMusic(music);
    return music;
}

ScreenPoint soundOptionsPlacement(int windowLeft, int windowTop, int buttonLeft, int buttonTop,
                                  int buttonWidth, int buttonHeight, int dialogHeight) {
    ScreenPoint at;
    // Integer division truncates toward zero, also for a dialog lower than the button.
    at.top = windowTop + buttonTop - (dialogHeight - buttonHeight) / 2 + 20;
    at.left = windowLeft + buttonLeft + buttonWidth + 20;
    return at;
}

} // namespace sorvel
