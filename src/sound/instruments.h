// SPDX-License-Identifier: GPL-3.0-or-later
// The instruments to choose from: the recordings that ship beside the program and two timbres
// made without one. Each is analysed once, the first time it is asked for, and its tables are
// shared by every voice; nothing here runs while sound is rendered.
//
//   sorvel::InstrumentLibrary library;                   // nothing analysed yet
//   const int violin = sorvel::findInstrument("violin"); // -1 for an unknown name
//   synthesizer.setInstrument(library.voice(violin));    // reads and analyses violin.wav once
#pragma once

#include "timbreizer.h"

#include <array>
#include <future>
#include <memory>
#include <string>
#include <string_view>

namespace sorvel {

struct Instrument {
    std::string_view name;    // as --timbre and --list-timbres write it
    std::string_view caption; // as the menu writes it
    std::string_view file;    // the recording, relative to the program's folder; "" for none
    int program = 0;          // its General MIDI program in the sound font, 0 for none
};

inline constexpr std::array<Instrument, 12> instruments = {{
    {"english-horn", "English Horn", "bassoboe.wav", 70},
    {"oboe", "Oboe", "instruments/oboe.wav", 69},
    {"clarinet", "Clarinet", "instruments/clarinet.wav", 72},
    {"flute", "Flute", "instruments/flute.wav", 74},
    {"violin", "Violin", "instruments/violin.wav", 41},
    {"cello", "Cello", "instruments/cello.wav", 43},
    {"horn", "French Horn", "instruments/horn.wav", 61},
    {"trumpet", "Trumpet", "instruments/trumpet.wav", 57},
    {"choir", "Choir \"Aah\"", "instruments/choir.wav", 53},
    {"organ", "Pipe Organ", "instruments/organ.wav", 20},
    {"sine", "Sine", "", 0},
    {"bright", "Bright (harmonic h at 1/h)", "", 0},
}};
inline constexpr int defaultInstrument = 0;

// The index of the instrument called `name` (its name, case ignored), or -1.
int findInstrument(std::string_view name);

// The harmonic levels of a timbre made without a recording: a sine, or harmonic h at 1/h.
// Their peak (every harmonic in phase) is that of a recording normalised to -1 dBFS.
std::array<float, 32> syntheticLevels(std::string_view name);

// What the window starts with, from the command line.
struct SoundChoice {
    int instrument = defaultInstrument;
    bool drone = false;
};

class InstrumentLibrary {
public:
    // Recordings are read from `folder` ("" for the working directory).
    explicit InstrumentLibrary(std::string folder = {});

    // The analysed voice of instrument `index`, made on the first call and kept. Throws
    // Exception naming the file when the recording cannot be read or analysed.
    const CTimbreizer& voice(int index);
    // Starts the analysis of instrument `index` on a thread of its own, so that it overlaps
    // other work; voice(index) then waits for it (and throws what it threw).
    void analyseInBackground(int index);
    bool analysed(int index) const { return voices_.at(static_cast<std::size_t>(index)) != nullptr; }

private:
    std::unique_ptr<const CTimbreizer> analyse(int index) const;

    std::string folder_;
    std::array<std::unique_ptr<const CTimbreizer>, instruments.size()> voices_;
    std::array<std::future<std::unique_ptr<const CTimbreizer>>, instruments.size()> pending_;
};

} // namespace sorvel
