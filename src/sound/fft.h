// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrum kernel of the timbre analysis: a Hann-windowed short-time spectrum made of
// in-place radix-2 real FFTs. Arrays are 1-based: element 0 is a pad that is never used.
//
//   sorvel::matf frames = sorvel::spectrogram(samples); // one 1025-float spectrum per frame
//   float bin0 = frames[0][1], nyquist = frames[0][2];
//   float re8 = frames[0][2 * 8 + 1], im8 = frames[0][2 * 8 + 2];
//
// Bin k is the sum over j of x(j) e^(+2 pi i j k / N), unscaled.
#pragma once

#include <vector>

namespace sorvel {

using vecf = std::vector<float>;
using matf = std::vector<vecf>;

vecf operator-(const vecf& x, float c);
vecf operator+(float c, const vecf& x);
vecf operator/(const vecf& x, int n);
vecf cos(const vecf& x);
// Elementwise product in place; `window` must be at least as long as `target`.
void multiplyInPlace(vecf& target, const vecf& window);

// The periodic Hann window of length n, w(0) = 0, w(n/2) = 1, built in single precision.
vecf hannWindow(int n);

// Number of whole frames of length `frameLength` at step `hop` in `sampleCount` samples.
int frameCount(int sampleCount, int frameLength = 1024, int hop = 256);

// One spectrum (n + 1 floats, layout above) per frame of `samples`.
matf spectrogram(const vecf& samples, int n = 1024, int hop = 256);

// Replaces data[1..n] (n real values, n a power of two) by their spectrum: data[1] bin 0,
// data[2] bin n/2, data[2k+1], data[2k+2] the real and imaginary part of bin k.
void realFFT(vecf& data, int n);

// Replaces data[1..2m] (m complex values, interleaved) by their transform with the sign of
// `direction` in the exponent; m a power of two.
void complexFFT(vecf& data, int m, int direction);

} // namespace sorvel
