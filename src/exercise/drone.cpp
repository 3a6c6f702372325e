// SPDX-License-Identifier: GPL-3.0-or-later
#include "drone.h"

namespace sorvel {

double droneFrequency(const CMusic& exercise, int system) {
    // The tested sonority is the last copy: its columns end the exercise.
    const int copies = exercise.copies > 0 ? exercise.copies : 1;
    const int firstTested = exercise.columnCount - exercise.columnCount / copies;
    const CNote* lowest = nullptr;
    for (const CStaff& staff : exercise.staves)
        for (std::size_t c = static_cast<std::size_t>(firstTested); c < staff.chords.size(); ++c)
            for (const CNote& note : staff.chords[c].notes)
                if (lowest == nullptr || note.pitchNumber() < lowest->pitchNumber())
                    lowest = &note;
    if (lowest == nullptr)
        return 0.0;
    const auto s = static_cast<std::size_t>(system);
    // In tune: the written note's frequency in the system, whatever it was mistuned or retuned to.
    const double inTune = s < lowest->systemFrequencies.size() ? lowest->systemFrequencies[s]
                                                               : lowest->soundingFrequency;
    return lowest->pitchNumber() - 12 >= lowestDronePitch ? inTune / 2 : inTune;
}

} // namespace sorvel
