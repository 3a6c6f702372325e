// SPDX-License-Identifier: GPL-3.0-or-later
// The pitch of the drone for an exercise: the lowest note of the tested sonority (for a single
// note, that note), in tune in the exercise's first tuning system, and an octave lower while
// that stays at or above A1, so that it lies under what is tested.
//
//   double f = sorvel::droneFrequency(*exercise, made.tuning);   // 220 Hz for the A4 at start
//   std::string n = sorvel::droneNoteName(*exercise);            // "A3"
#pragma once

#include "tuningdata.h"

#include <string>

namespace sorvel {

// The lowest written note that a drone may sound: A1.
inline constexpr int lowestDronePitch = 33;

// The drone's frequency for `exercise`, whose first system is `system`; 0 when it has no note.
double droneFrequency(const CMusic& exercise, int system);

// The name of the note the drone sounds for `exercise`; empty when it has no note.
std::string droneNoteName(const CMusic& exercise);

} // namespace sorvel
