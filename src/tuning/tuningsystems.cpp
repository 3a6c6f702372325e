// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuningsystems.h"

#include <algorithm>
#include <cmath>

namespace sorvel {

namespace {

// Pitch classes as indices of the ratio tables.
enum PitchClass { C, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };

long double power2(int k) {
    return std::ldexp(1.0L, k);
}

} // namespace

double pythagoreanComma() {
    static const double comma = 531441.0 / 524288.0;
    return comma;
}

double syntonicComma() {
    static const double comma = 81.0 / 80.0;
    return comma;
}

const std::array<double, 12>& justRatios() {
    static const std::array<double, 12> ratios = {
        1.0,       16.0 / 15.0, 9.0 / 8.0, 6.0 / 5.0,  5.0 / 4.0, 4.0 / 3.0, std::sqrt(2.0),
        3.0 / 2.0, 8.0 / 5.0,   5.0 / 3.0, 16.0 / 9.0, 15.0 / 8.0};
    return ratios;
}

double EqualTemperament::frequency(int pitch, std::span<const int>) const {
    return frequencyAt(pitch, 440.0);
}

double EqualTemperament::frequencyAt(int pitch, double a4) const {
    return static_cast<double>(static_cast<long double>(a4) * std::pow(2.0L, (pitch - 69) / 12.0L));
}

double JustIntonation::frequency(int pitch, std::span<const int> sonority) const {
    return frequencyAt(pitch, sonority, 440.0);
}

double JustIntonation::frequencyAt(int pitch, std::span<const int> sonority, double a4) const {
    const int bass = sonority.empty() ? pitch : *std::min_element(sonority.begin(), sonority.end());
    const long double bassFrequency =
        static_cast<long double>(a4) * std::pow(2.0L, (bass - 69) / 12.0L);
    // A pitch below the bass cannot come from the same sonority; keep it in the table anyway.
    const int d = pitch - bass;
    const int q = d >= 0 ? d / 12 : -((-d + 11) / 12);
    const int r = d - 12 * q;
    return static_cast<double>(power2(q) * bassFrequency * justRatios()[r]);
}

FixedTuningSystem::FixedTuningSystem() : referencePitch(69.0), referenceFrequency(440.0) {}

double FixedTuningSystem::frequency(int pitch, std::span<const int>) const {
    return frequencyAt(pitch, referenceFrequency);
}

double FixedTuningSystem::frequencyAt(int pitch, double a4) const {
    const int x = pitch - static_cast<int>(referencePitch);
    const int k = x >= 0 ? x / 12 : -((-x + 11) / 12); // floor(x / 12)
    const int r = x - 12 * k;
    return static_cast<double>(power2(k) * static_cast<long double>(a4) * ratios[(r + 9) % 12]);
}

// Each constructor walks the circle of fifths out from A; a division or multiplication by 2
// brings every ratio back into [1, 2).

Vallotti::Vallotti() {
    const double t = 1.5 / std::pow(pythagoreanComma(), 1.0 / 6.0);
    auto& q = ratios;
    q[A] = 1.0;
    q[E] = q[A] * t;
    q[B] = q[E] * t / 2;
    q[Fs] = q[B] * 3 / 2;
    q[Cs] = q[Fs] * 3 / 2 / 2;
    q[Gs] = q[Cs] * 3 / 2;
    q[Ds] = q[Gs] * 3 / 2 / 2;
    q[As] = q[Ds] * 3 / 2 / 2;
    q[D] = q[A] / t * 2;
    q[G] = q[D] / t * 2;
    q[C] = q[G] / t;
    q[F] = q[C] / t * 2;
}

WerkmeisterIII::WerkmeisterIII() {
    const double t = 1.5 / std::pow(pythagoreanComma(), 1.0 / 4.0);
    auto& q = ratios;
    q[A] = 1.0;
    q[E] = q[A] * 3 / 2;
    q[B] = q[E] * t / 2;
    q[Fs] = q[B] * 3 / 2;
    q[Cs] = q[Fs] * 3 / 2 / 2;
    q[Gs] = q[Cs] * 3 / 2;
    q[Ds] = q[Gs] * 3 / 2 / 2;
    q[As] = q[Ds] * 3 / 2 / 2;
    q[F] = q[As] * 3 / 2;
    q[D] = q[A] / t * 2;
    q[G] = q[D] / t * 2;
    q[C] = q[G] / t;
}

QCMeanTone::QCMeanTone() {
    const double t = 1.5 / std::pow(syntonicComma(), 1.0 / 4.0);
    auto& q = ratios;
    q[A] = 1.0;
    q[E] = q[A] * t;
    q[B] = q[E] * t / 2;
    q[Fs] = q[B] * t;
    q[Cs] = q[Fs] * t / 2;
    q[Gs] = q[Cs] * t;
    q[D] = q[A] / t * 2;
    q[G] = q[D] / t * 2;
    q[C] = q[G] / t;
    q[F] = q[C] / t * 2;
    q[As] = q[F] / t;
    q[Ds] = q[As] / t * 2;
}

const std::array<const TuningSystem*, tuningSystemCount>& tuningSystems() {
    // Built on first use, so no other file's static initialisation can see it unfilled.
    static const EqualTemperament equal;
    static const JustIntonation just;
    static const Vallotti vallotti;
    static const WerkmeisterIII werkmeister;
    static const QCMeanTone meantone;
    static const std::array<const TuningSystem*, tuningSystemCount> registry = {
        &equal, &just, &vallotti, &werkmeister, &meantone};
    return registry;
}

} // namespace sorvel
