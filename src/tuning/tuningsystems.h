// SPDX-License-Identifier: GPL-3.0-or-later
// The five tuning systems that turn a pitch number into a frequency, and their registry.
//
//   const auto& systems = sorvel::tuningSystems();            // index 0 "Equal" .. 4 "Meantone"
//   int chord[] = {60, 64, 67};
//   double e4 = systems[1]->frequency(64, chord);              // 5/4 above an equal-tempered C4
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace sorvel {

inline constexpr int tuningSystemCount = 5;
// The range of the reference pitch (A4) in Hz; 440 unless a musician picks another.
inline constexpr double lowestReferencePitch = 380.0;
inline constexpr double highestReferencePitch = 480.0;

// Names in system-index order, as the tuning boxes list them.
inline constexpr std::array<std::string_view, tuningSystemCount> tuningSystemNames = {
    "Equal", "Perfect", "Vallotti", "Werkmeister III", "Meantone"};

class TuningSystem {
public:
    // Frequency in Hz of a pitch number. `sonority` holds the pitch numbers of every note of
    // the sonority the pitch belongs to; only just intonation reads it (to find the bass).
    virtual double frequency(int pitch, std::span<const int> sonority) const = 0;

protected:
    ~TuningSystem() = default;
};

class EqualTemperament final : public TuningSystem {
public:
    double frequency(int pitch, std::span<const int> sonority) const override;
    // The same with A4 at `a4` Hz.
    double frequencyAt(int pitch, double a4) const;
};

// Just intervals above the lowest note of the sonority, which is tuned equal-tempered.
class JustIntonation final : public TuningSystem {
public:
    double frequency(int pitch, std::span<const int> sonority) const override;
    // The same with the bass equal-tempered against A4 at `a4` Hz.
    double frequencyAt(int pitch, std::span<const int> sonority, double a4) const;
};

// A circulating or meantone temperament: one ratio per pitch class against the A below it.
class FixedTuningSystem : public TuningSystem {
public:
    double frequency(int pitch, std::span<const int> sonority) const override;
    // The same with A4 at `a4` Hz: the whole table scaled so that A4 sounds at the reference.
    double frequencyAt(int pitch, double a4) const;
    // Ratio of each pitch class (0 = C .. 11 = B) to the A at or below it, in [1, 2).
    const std::array<double, 12>& ratioTable() const { return ratios; }

protected:
    FixedTuningSystem();
    ~FixedTuningSystem() = default;

    std::array<double, 12> ratios{};
    double referencePitch;
    double referenceFrequency;
};

class Vallotti final : public FixedTuningSystem {
public:
    Vallotti();
};

class WerkmeisterIII final : public FixedTuningSystem {
public:
    WerkmeisterIII();
};

class QCMeanTone final : public FixedTuningSystem {
public:
    QCMeanTone();
};

// 3^12 / 2^19.
double pythagoreanComma();
// 81 / 80.
double syntonicComma();
// Just ratios by semitones above the bass, 0..11; the tritone is the square root of 2.
const std::array<double, 12>& justRatios();

// The five systems in index order, created on first use and never destroyed.
const std::array<const TuningSystem*, tuningSystemCount>& tuningSystems();

} // namespace sorvel
