// SPDX-License-Identifier: GPL-3.0-or-later
#include "instruments.h"
#include "sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

using namespace sorvel;

namespace {

// The amplitude of the sinusoid at `frequency` Hz in `x`: a Hann-windowed DFT at that one
// frequency, scaled so that a sine of amplitude A reads A.
template <class Samples> double amplitudeAt(const Samples& x, double frequency) {
    const double n = static_cast<double>(x.size());
    std::complex<double> sum = 0;
    double weight = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / n);
        sum += w * double(x[i]) * std::polar(1.0, -2 * std::numbers::pi * frequency * double(i) / 22050);
        weight += w;
    }
    return 2 * std::abs(sum) / weight;
}

double dB(double a) {
    return 20 * std::log10(a);
}

constexpr double recordedPitch = 22050.0 / 128;

std::vector<int> recordedInstruments() {
    std::vector<int> recorded;
    for (std::size_t i = 0; i < instruments.size(); ++i)
        if (!instruments[i].file.empty())
            recorded.push_back(static_cast<int>(i));
    return recorded;
}

class RecordedInstrument : public ::testing::TestWithParam<int> {};

// From each shipped recording: the analysed table reads each of harmonics 1-16 within 1 dB
// of the recording's own spectrum (measured over the whole stretch the loop plays), and from
// the earliest frame a loop may start at to the end every harmonic holds within 0.5 dB peak
// to peak, so that a held note does not pulse. Harmonics more than 60 dB below the strongest
// lie in the recording's noise and are not compared.
TEST_P(RecordedInstrument, table_matches_the_recording_and_holds_steady) {
    const Instrument& instrument = instruments[static_cast<std::size_t>(GetParam())];
    InstrumentLibrary library(SORVEL_ASSET_DIR);
    const CTimbreizer& voice = library.voice(GetParam());

    WaveFormat format;
    std::vector<std::uint8_t> data;
    read_wave(std::string(SORVEL_ASSET_DIR) + "/" + std::string(instrument.file), format, data);
    const std::vector<double> samples = decodeSamples(data);
    const auto start = samples.begin() + voice.attackFrames * 256;
    const std::vector<double> stretch(start, start + 14 * 256 + 1024);

    std::array<double, 16> recorded{};
    for (int h = 1; h <= 16; ++h)
        recorded[h - 1] = amplitudeAt(stretch, h * recordedPitch);
    const double strongest = *std::max_element(recorded.begin(), recorded.end());
    const matf& frames = voice.tables().harmonicFrames;
    int compared = 0;
    for (int h = 1; h <= 16; ++h) {
        if (dB(recorded[h - 1] / strongest) < -60)
            continue;
        ++compared;
        // The table reads a harmonic at half its amplitude (a one-sided spectrum).
        EXPECT_NEAR(dB(voice.tables().loopFrames[7][h - 1]), dB(recorded[h - 1] / 2), 1.0)
            << instrument.name << " harmonic " << h;
        double lo = 1e9, hi = -1e9;
        for (auto f = frames.begin() + voice.minLoopStart; f != frames.end(); ++f) {
            lo = std::min(lo, dB((*f)[h - 1]));
            hi = std::max(hi, dB((*f)[h - 1]));
        }
        EXPECT_LE(hi - lo, 0.5) << instrument.name << " harmonic " << h;
    }
    EXPECT_GE(compared, 10) << instrument.name;
}

INSTANTIATE_TEST_SUITE_P(instruments, RecordedInstrument,
                         ::testing::ValuesIn(recordedInstruments()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             std::string name(instruments[static_cast<std::size_t>(info.param)].name);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Made without a recording and heard from the synthesizer, a held note at the recording's
// pitch: the sine has nothing above its fundamental, the bright tone has harmonic h at 1/h.
TEST(instruments, the_sine_and_the_bright_tone_sound_as_made) {
    InstrumentLibrary library;
    CNote note;
    note.soundingFrequency = recordedPitch;
    for (const char* name : {"sine", "bright"}) {
        Synthesizer synth(library.voice(findInstrument(name)));
        synth.setSounding({&note});
        std::vector<std::int16_t> block(22050);
        synth.render(block);
        synth.render(block); // past the fade-in
        // The block's pitch, off by its jitter (at most 1/16 Hz): the strongest frequency near it.
        double pitch = recordedPitch;
        for (double f = recordedPitch - 0.07; f <= recordedPitch + 0.07; f += 0.001)
            if (amplitudeAt(block, f) > amplitudeAt(block, pitch))
                pitch = f;
        const double fundamental = amplitudeAt(block, pitch);
        EXPECT_GT(fundamental, 100) << name;
        for (int h = 2; h <= 32; ++h) {
            const double level = dB(amplitudeAt(block, h * pitch) / fundamental);
            if (std::string(name) == "sine")
                EXPECT_LT(level, -80) << "harmonic " << h;
            else
                EXPECT_NEAR(level, dB(1.0 / h), 0.1) << "harmonic " << h;
        }
    }
    EXPECT_EQ(findInstrument("Violin"), findInstrument("violin"));
    EXPECT_EQ(findInstrument("viola"), -1);
}

} // namespace
