// SPDX-License-Identifier: GPL-3.0-or-later
#include "timbreizer.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace sorvel;

namespace {

const std::string recording = std::string(SORVEL_ASSET_DIR) + "/bassoboe.wav";

// A sine at `frequency` Hz with amplitude `amplitude`, n samples.
std::vector<double> sine(int n, double frequency, double amplitude) {
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        x[i] = amplitude * std::sin(2 * std::numbers::pi * frequency * i / 22050.0);
    }
    return x;
}

constexpr int enoughFrames = 60;
constexpr int enoughSamples = 1024 + (enoughFrames - 1) * 256;

} // namespace

TEST(timbreizer, parameters_of_the_reference_pitch) {
    CTimbreizer t = CTimbreizer::fromSamples(std::vector<double>(enoughSamples), "x");
    EXPECT_NEAR(t.referenceFrequency, 174.614, 1e-3);
    EXPECT_NEAR(t.referenceBin, 8.1091, 1e-4);
    EXPECT_EQ(t.harmonicBinStep, 8.0);
    EXPECT_EQ(t.tables().harmonicFrames.size(), static_cast<std::size_t>(enoughFrames));
    EXPECT_EQ(t.tables().flux.size(), static_cast<std::size_t>(enoughFrames - 1));
    EXPECT_EQ(t.tables().scores.size(), static_cast<std::size_t>(enoughFrames - 35));
}

TEST(timbreizer, steady_sine_at_bin_8_gives_half_its_amplitude_and_no_flux) {
    const double a = 0.3;
    const double bin8 = 8 * 22050.0 / 1024; // 172.27 Hz
    CTimbreizer t = CTimbreizer::fromSamples(sine(enoughSamples, bin8, a), "sine");
    for (const vecf& frame : t.tables().harmonicFrames) {
        EXPECT_NEAR(frame[0], a / 2, 1e-5);
        for (int h = 1; h < 32; ++h) {
            EXPECT_NEAR(frame[h], 0.0, 1e-5);
        }
    }
    for (float f : t.tables().flux) {
        EXPECT_LT(f, 1e-12);
    }
}

TEST(timbreizer, harmonic_h_is_read_at_bin_8h) {
    // A steady tone at bins 24 and 256 shows up as harmonics 3 and 32.
    std::vector<double> x = sine(enoughSamples, 24 * 22050.0 / 1024, 0.2);
    std::vector<double> top = sine(enoughSamples, 256 * 22050.0 / 1024, 0.1);
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] += top[i];
    }
    CTimbreizer t = CTimbreizer::fromSamples(x, "tones");
    EXPECT_NEAR(t.tables().harmonicFrames[10][2], 0.1, 1e-4);
    EXPECT_NEAR(t.tables().harmonicFrames[10][31], 0.05, 1e-4);
    EXPECT_NEAR(t.tables().harmonicFrames[10][0], 0.0, 1e-4);
}

TEST(timbreizer, steadiest_stretch_becomes_a_symmetric_loop) {
    // Loud changes everywhere except frames 40..54 (a steady sine): the loop starts at 40.
    std::vector<double> x(static_cast<std::size_t>(enoughSamples));
    const double bin8 = 8 * 22050.0 / 1024;
    for (int i = 0; i < enoughSamples; ++i) {
        const int frame = i / 256;
        const double level = (i >= 40 * 256 && i < 54 * 256 + 1024) ? 0.2 : 0.03 * (frame % 5);
        x[i] = level * std::sin(2 * std::numbers::pi * bin8 * i / 22050.0);
    }
    CTimbreizer t = CTimbreizer::fromSamples(x, "stretch");
    EXPECT_EQ(t.attackFrames, 40);
    ASSERT_EQ(t.tables().loopFrames.size(), 29u);
    for (int i = 0; i < 29; ++i) {
        EXPECT_EQ(t.tables().loopFrames[i], t.tables().loopFrames[28 - i]) << i;
    }
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(t.tables().loopFrames[i], t.tables().harmonicFrames[40 + i]);
    }
}

TEST(timbreizer, equal_scores_pick_the_earliest_start) {
    // Silence: every score is 0, so the first candidate wins.
    CTimbreizer t = CTimbreizer::fromSamples(std::vector<double>(enoughSamples), "silence");
    EXPECT_EQ(t.attackFrames, 20);
    // Two equally steady stretches, at 22 and 40, in a changing recording: 22 wins.
    std::vector<double> x(static_cast<std::size_t>(enoughSamples));
    const double bin8 = 8 * 22050.0 / 1024;
    auto steady = [](int i, int from) { return i >= from * 256 && i < (from + 14) * 256 + 1024; };
    for (int i = 0; i < enoughSamples; ++i) {
        const double level = steady(i, 22) || steady(i, 40) ? 0.2 : 0.04 * ((i / 256) % 4);
        x[i] = level * std::sin(2 * std::numbers::pi * bin8 * i / 22050.0);
    }
    CTimbreizer u = CTimbreizer::fromSamples(x, "twice");
    ASSERT_EQ(u.tables().scores.size(), 25u); // starts 20 .. 44
    ASSERT_EQ(u.tables().scores.at(22 - 20), u.tables().scores.at(40 - 20));
    EXPECT_EQ(u.attackFrames, 22);
}

TEST(timbreizer, too_short_a_recording_is_an_error_naming_it) {
    const int shortest = 1024 + 35 * 256; // 9984 samples: 36 frames
    EXPECT_NO_THROW(CTimbreizer::fromSamples(std::vector<double>(shortest), "ok.wav"));
    for (int n : {0, 1023, 1024, shortest - 1}) {
        try {
            CTimbreizer::fromSamples(std::vector<double>(static_cast<std::size_t>(n)), "s.wav");
            ADD_FAILURE() << n << " samples accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()).rfind("s.wav is too short", 0), 0u) << e.what();
        }
    }
    // The same from a file: the reader's data taken as 16-bit samples.
    auto path = test::scratchFile(
        "short.wav", test::waveFile(test::pcmFormatBody(), test::sampleBytes({1, 2, 3})));
    try {
        CTimbreizer t(path);
        ADD_FAILURE() << "short file accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind(path + " is too short", 0), 0u) << e.what();
    }
}

TEST(timbreizer, samples_are_16_bit_values_over_65536) {
    std::vector<std::int16_t> values(9984, 0);
    values[0] = -32768;
    values[1] = 32767;
    values[2] = -1;
    auto path = test::scratchFile("scale.wav",
                                  test::waveFile(test::pcmFormatBody(), test::sampleBytes(values)));
    CTimbreizer t(path);
    EXPECT_EQ(t.sampleCount, 9984);
    const std::vector<double> decoded = decodeSamples(test::sampleBytes(values));
    ASSERT_EQ(decoded.size(), 9984u);
    EXPECT_EQ(decoded[0], -0.5);
    EXPECT_EQ(decoded[1], 32767.0 / 65536);
    EXPECT_EQ(decoded[2], -1.0 / 65536);
    EXPECT_EQ(decoded[3], 0.0);
}

TEST(timbreizer, the_recording_plays_its_attack_once_then_loops) {
    CTimbreizer t(recording);
    EXPECT_GE(t.attackFrames, 20);
    EXPECT_EQ(t.tables().harmonicFrames.size(), 255u); // 66150 samples
    EXPECT_EQ(t.tables().loopFrames.front(), t.tables().harmonicFrames[t.attackFrames]);
    // The fundamental dominates the held F3.
    const vecf& held = t.tables().loopFrames[7];
    EXPECT_GT(held[0], 0.01);

    const int attack = t.attackFrames * 256;
    for (int i = 0; i < attack; ++i) {
        t.voice_sample(0.0);
    }
    EXPECT_TRUE(t.sustaining);
    EXPECT_EQ(t.frameIndex, 0);
    EXPECT_EQ(t.framePosition, 0);
    t.advance(28 * 256 + 3);
    EXPECT_EQ(t.frameIndex, 0);
    EXPECT_EQ(t.framePosition, 3);
    t.advance(253 + 256 * 5);
    EXPECT_EQ(t.frameIndex, 6);
    EXPECT_EQ(t.framePosition, 0);
}

TEST(timbreizer, voice_sample_interpolates_between_frames) {
    CTimbreizer t(recording);
    // At phase 0 every cosine is 1: the value is the sum of the interpolated amplitudes.
    auto rowSum = [](const vecf& row) {
        double s = 0;
        for (float a : row) {
            s += a;
        }
        return s;
    };
    const double s0 = rowSum(t.tables().harmonicFrames[0]);
    const double s1 = rowSum(t.tables().harmonicFrames[1]);
    EXPECT_NEAR(t.voice_sample(0.0), s0, 1e-9);
    for (int i = 1; i < 64; ++i) {
        t.voice_sample(0.0);
    }
    EXPECT_NEAR(t.voice_sample(0.0), 0.75 * s0 + 0.25 * s1, 1e-9);
    // At phase pi the odd harmonics change sign.
    CTimbreizer u(recording);
    double alternating = 0;
    for (int h = 0; h < 32; ++h) {
        alternating += (h % 2 == 0 ? -1.0 : 1.0) * u.tables().harmonicFrames[0][h];
    }
    EXPECT_NEAR(u.voice_sample(std::numbers::pi), alternating, 1e-9);
}
