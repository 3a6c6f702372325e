// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuningdata.h"

#include "pitch.h"
#include "tuningsetup.h"

namespace sorvel {

CNote::CNote(int octave, int letter, int accidental)
    : octave(octave), letter(letter), accidental(accidental) {}

CNote::CNote(int octave, int letter, int accidental, const std::vector<double>& systemFrequencies,
             int system)
    : systemFrequencies(systemFrequencies), system(system), octave(octave), letter(letter),
      accidental(accidental), soundingFrequency(systemFrequencies.at(system)) {}

int CNote::pitchNumber() const {
    return sorvel::pitchNumber(octave, letter, accidental);
}

int CNote::computeStaffStep() const {
    return sorvel::staffStep(octave, letter);
}

CMusic::CMusic(const CMusic& other)
    : staves(other.staves), columnCount(other.columnCount), captions(other.captions),
      copies(other.copies) {}

CMusic& CMusic::operator=(const CMusic& other) {
    if (this != &other) {
        staves = other.staves;
        columnCount = other.columnCount;
        captions = other.captions;
        copies = other.copies;
        selection = CSelection{};
    }
    return *this;
}

void assignFrequencies(std::vector<CNote>& notes, int system) {
    std::vector<int> pitches;
    pitches.reserve(notes.size());
    for (const CNote& note : notes)
        pitches.push_back(note.pitchNumber());
    const TuningSetup& tuning = activeTuning();
    for (std::size_t i = 0; i < notes.size(); ++i) {
        CNote& note = notes[i];
        note.systemFrequencies.clear();
        note.system = system;
        for (int s = 0; s < tuning.systemCount(); ++s)
            note.systemFrequencies.push_back(tuning.frequency(s, pitches[i], pitches));
        note.soundingFrequency = note.systemFrequencies.at(system);
    }
}

} // namespace sorvel
