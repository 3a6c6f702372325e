// SPDX-License-Identifier: GPL-3.0-or-later
// The beats of a sonority: for each pair of its notes, the lowest harmonics m of the lower and n
// of the upper note that nearly coincide (m f_low within 20 Hz of n f_high), beating at
// |n f_high - m f_low| Hz, and how audible that is from the instrument's harmonic levels. The
// Beats window shows these rows; --print-beats prints the full table of coincidences.
//
//   std::vector<double> f = {261.63, 329.63};             // an equal-tempered C4-E4
//   auto rows = sorvel::beatRows(f, synth.instrument().heldLevels(), 22050 / 2.0);
//   // rows[0]: low 0, m 5, high 1, n 4, rate 10.38 Hz
#pragma once

#include <span>
#include <vector>

namespace sorvel {

// Partials nearer than this beat; farther apart they are heard as roughness or two pitches.
inline constexpr double beatWindowHz = 20.0;
// Harmonics weaker than this, below the instrument's strongest, count as absent.
inline constexpr double audibleFloorDb = -40.0;
// The highest harmonic the synthesizer plays and the table lists.
inline constexpr int beatHarmonics = 32;

struct BeatRow {
    int low = 0;  // index of the lower note in the frequencies given
    int m = 1;    // its harmonic
    int high = 0; // index of the upper note
    int n = 1;    // its harmonic
    double rate = 0.0;       // |n f_high - m f_low| in Hz
    double audibility = 0.0; // dB below the strongest harmonic: the weaker of the two
};

// For every pair of notes, the lowest coincident harmonics that both sound: present in `levels`
// (amplitudes of harmonics 1.. of the instrument) at audibleFloorDb or above, and below
// `nyquist`. Strongest first (on equal audibility, slower beats first). Pairs of notes with no
// such coincidence give no row. A note played softer than the others (the drone) has its gain
// in `gainsDb`, one per note, added to its harmonics' levels; none given: all at 0 dB.
std::vector<BeatRow> beatRows(std::span<const double> frequencies, std::span<const float> levels,
                              double nyquist, std::span<const double> gainsDb = {});

// Every coincident pair of harmonics up to beatHarmonics, whatever the instrument: for each pair
// of notes (lower note ascending, then upper), by ascending m. Audibility is left at 0.
std::vector<BeatRow> beatTable(std::span<const double> frequencies);

// The brightness of a row's pulse, 0..1: 1 where harmonic m of the lower and n of the upper
// note are in phase (their sum is loudest), 0 half a beat later. The phases are the two
// fundamentals' at the sample heard, in radians.
double beatBrightness(const BeatRow& row, double phaseLow, double phaseHigh);

// The rate of the same pair of harmonics at other frequencies of the notes (the correct tuning).
double beatRateAt(const BeatRow& row, std::span<const double> frequencies);

} // namespace sorvel
