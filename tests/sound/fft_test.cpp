// SPDX-License-Identifier: GPL-3.0-or-later
#include "fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

using namespace sorvel;

namespace {

constexpr int N = 1024;

// One windowed frame of `x` (N values) through the real FFT.
vecf transformWindowed(const std::vector<double>& x) {
    vecf frame(N + 1);
    const vecf w = hannWindow(N);
    for (int k = 0; k < N; ++k) {
        frame[k + 1] = static_cast<float>(x[k]) * w[k];
    }
    realFFT(frame, N);
    return frame;
}

std::complex<double> bin(const vecf& s, int k) {
    return {s[2 * k + 1], s[2 * k + 2]};
}

} // namespace

TEST(fft, hann_window_is_periodic) {
    vecf w = hannWindow(N);
    ASSERT_EQ(w.size(), static_cast<std::size_t>(N));
    EXPECT_NEAR(w[0], 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(w[N / 2], 1.0f);
    EXPECT_NEAR(w[N / 4], 0.5f, 1e-6);
    EXPECT_NEAR(w[1], w[N - 1], 1e-6); // symmetric about N/2, never reaching 0 at the end
}

TEST(fft, constant_frame) {
    const double c = 0.3;
    vecf s = transformWindowed(std::vector<double>(N, c));
    EXPECT_FLOAT_EQ(s[0], 0.0f);
    EXPECT_NEAR(s[1], 512 * c, 1e-4);
    EXPECT_NEAR(s[2], 0.0, 1e-4);
    EXPECT_NEAR(s[3], -256 * c, 1e-4);
    EXPECT_NEAR(s[4], 0.0, 1e-4);
    for (int k = 2; k < N / 2; ++k) {
        EXPECT_NEAR(std::abs(bin(s, k)), 0.0, 1e-4) << k;
    }
}

TEST(fft, windowed_cosine_at_bin_8) {
    std::vector<double> x(N);
    for (int j = 0; j < N; ++j) {
        x[j] = std::cos(2 * std::numbers::pi * 8 * j / N);
    }
    vecf s = transformWindowed(x);
    EXPECT_NEAR(std::abs(bin(s, 8)), 256.0, 1e-3);
    EXPECT_NEAR(std::abs(bin(s, 7)), 128.0, 1e-3);
    EXPECT_NEAR(std::abs(bin(s, 9)), 128.0, 1e-3);
    EXPECT_NEAR(std::abs(bin(s, 10)), 0.0, 1e-3);
    EXPECT_NEAR(s[1], 0.0, 1e-3);
}

TEST(fft, real_fft_matches_direct_dft_with_positive_exponent) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int n : {4, 8, 64, 1024}) {
        vecf data(n + 1);
        for (int j = 1; j <= n; ++j) {
            data[j] = u(rng);
        }
        vecf input = data;
        realFFT(data, n);
        EXPECT_EQ(data[0], 0.0f);
        for (int k = 0; k <= n / 2; ++k) {
            std::complex<double> sum = 0;
            for (int j = 0; j < n; ++j) {
                sum += static_cast<double>(input[j + 1]) *
                       std::polar(1.0, 2 * std::numbers::pi * j * k / n);
            }
            const double tol = 1e-5 * n;
            if (k == 0) {
                EXPECT_NEAR(data[1], sum.real(), tol);
            } else if (k == n / 2) {
                EXPECT_NEAR(data[2], sum.real(), tol);
            } else {
                EXPECT_NEAR(data[2 * k + 1], sum.real(), tol) << n << " bin " << k;
                EXPECT_NEAR(data[2 * k + 2], sum.imag(), tol) << n << " bin " << k;
            }
        }
    }
}

TEST(fft, complex_fft_direction_sets_the_sign) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    const int m = 32;
    for (int direction : {1, -1}) {
        vecf data(2 * m + 1);
        for (int j = 1; j <= 2 * m; ++j) {
            data[j] = u(rng);
        }
        vecf input = data;
        complexFFT(data, m, direction);
        for (int k = 0; k < m; ++k) {
            std::complex<double> sum = 0;
            for (int j = 0; j < m; ++j) {
                sum += std::complex<double>(input[2 * j + 1], input[2 * j + 2]) *
                       std::polar(1.0, direction * 2 * std::numbers::pi * j * k / m);
            }
            EXPECT_NEAR(data[2 * k + 1], sum.real(), 1e-4);
            EXPECT_NEAR(data[2 * k + 2], sum.imag(), 1e-4);
        }
    }
}

TEST(fft, spectrogram_frames_and_hops) {
    for (auto [n, frames] : {std::pair{1023, 0}, {1024, 1}, {1279, 1}, {1280, 2}, {2048, 5}}) {
        EXPECT_EQ(frameCount(n), frames) << n;
        EXPECT_EQ(spectrogram(vecf(n, 0.25f)).size(), static_cast<std::size_t>(frames)) << n;
    }
    // Frame f starts at sample 256 f: a ramp's bin 0 grows by 256 * (window sum 512) per frame.
    vecf ramp(1024 + 3 * 256);
    for (std::size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<float>(i) / 4096.0f;
    }
    matf s = spectrogram(ramp);
    ASSERT_EQ(s.size(), 4u);
    for (std::size_t f = 1; f < s.size(); ++f) {
        EXPECT_EQ(s[f].size(), 1025u);
        EXPECT_NEAR(s[f][1] - s[f - 1][1], 256.0 * 512 / 4096, 1e-3);
    }
}
