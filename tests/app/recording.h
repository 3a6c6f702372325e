// SPDX-License-Identifier: GPL-3.0-or-later
// What SDL's disk driver recorded, and the pitch of a stretch of it.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <numbers>
#include <span>
#include <string>
#include <vector>

namespace sorvel::testing {

// The 16-bit mono little-endian samples of a raw recording, as far as it has been written.
inline std::vector<std::int16_t> readRecording(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                               static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return samples;
}

// Magnitude of the Hann-windowed spectrum of `samples` at `frequency` Hz.
inline double spectrumAt(std::span<const std::int16_t> samples, double frequency, double rate) {
    const std::complex<double> rotate = std::polar(1.0, -2.0 * std::numbers::pi * frequency / rate);
    std::complex<double> phasor = 1.0;
    std::complex<double> sum = 0.0;
    const double n = static_cast<double>(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n);
        sum += window * samples[i] * phasor;
        phasor *= rotate;
        if (i % 1024 == 1023)
            phasor /= std::abs(phasor); // keep the rotation on the unit circle
    }
    return std::abs(sum);
}

// The frequency of the strongest spectral peak within `width` Hz of `around`.
inline double peakNear(std::span<const std::int16_t> samples, double around, double width,
                       double rate) {
    double best = around;
    double bestValue = -1.0;
    double step = width / 20.0;
    double low = around - width;
    double high = around + width;
    for (int pass = 0; pass < 5; ++pass) {
        for (double f = low; f <= high; f += step) {
            const double value = spectrumAt(samples, f, rate);
            if (value > bestValue) {
                bestValue = value;
                best = f;
            }
        }
        low = best - step;
        high = best + step;
        step /= 10.0;
    }
    return best;
}

// The fundamental of a harmonic tone within 3 % of `around` Hz, measured on the strongest of its
// first six harmonics (the instrument's fundamental can be weak).
inline double fundamentalNear(std::span<const std::int16_t> samples, double around, double rate) {
    int strongest = 1;
    double strongestValue = -1.0;
    double strongestPeak = around;
    for (int h = 1; h <= 6; ++h) {
        const double centre = h * around;
        for (double f = centre * 0.97; f <= centre * 1.03; f += 1.0) {
            const double value = spectrumAt(samples, f, rate);
            if (value > strongestValue) {
                strongestValue = value;
                strongest = h;
                strongestPeak = f;
            }
        }
    }
    return peakNear(samples, strongestPeak, 1.0, rate) / strongest;
}

} // namespace sorvel::testing
