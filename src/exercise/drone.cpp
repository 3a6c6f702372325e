// SPDX-License-Identifier: GPL-3.0-or-later
#include "drone.h"

#include "pitch.h"

namespace sorvel {
namespace {

// The lowest note of the tested sonority, the last copy: its columns end the exercise.
const CNote* lowestTested(const CMusic& exercise) {
    const int copies = exercise.copies > 0 ? exercise.copies : 1;
    const int firstTested = exercise.columnCount - exercise.columnCount / copies;
    const CNote* lowest = nullptr;
    for (const CStaff& staff : exercise.staves)
        for (std::size_t c = static_cast<std::size_t>(firstTested); c < staff.chords.size(); ++c)
            for (const CNote& note : staff.chords[c].notes)
                if (lowest == nullptr || note.pitchNumber() < lowest->pitchNumber())
                    lowest = &note;
    return lowest;
}

bool octaveLower(const CNote& lowest) {
    return lowest.pitchNumber() - 12 >= lowestDronePitch;
}

} // namespace

double droneFrequency(const CMusic& exercise, int system) {
    const CNote* lowest = lowestTested(exercise);
    if (lowest == nullptr)
        return 0.0;
    const auto s = static_cast<std::size_t>(system);
    // In tune: the written note's frequency in the system, whatever it was mistuned or retuned to.
    const double inTune = s < lowest->systemFrequencies.size() ? lowest->systemFrequencies[s]
                                                               : lowest->soundingFrequency;
    return octaveLower(*lowest) ? inTune / 2 : inTune;
}

std::string droneNoteName(const CMusic& exercise) {
    const CNote* lowest = lowestTested(exercise);
    if (lowest == nullptr)
        return {};
    return noteName(lowest->octave - (octaveLower(*lowest) ? 1 : 0), lowest->letter,
                    lowest->accidental);
}

} // namespace sorvel
