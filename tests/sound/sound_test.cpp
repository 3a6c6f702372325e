#include "sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <limits>
#include <numbers>

using namespace sorvel;

namespace {

const CTimbreizer& recordedVoice() {
    static const CTimbreizer voice(std::string(SORVEL_ASSET_DIR) + "/bassoboe.wav");
    return voice;
}

std::vector<CNote> notesAt(std::initializer_list<double> frequencies) {
    std::vector<CNote> notes;
    for (double f : frequencies) {
        CNote n;
        n.soundingFrequency = f;
        notes.push_back(n);
    }
    return notes;
}

// Jitter in Hz of the k-th block (k from 0) of a fresh synthesizer, from rand's first values.
double jitterOf(int r) {
    return r / 32767.0 * 0.125 - 0.0625;
}

// The frequency in [lo, hi] at which the DFT magnitude of `x` peaks, to about `step` Hz.
double peakFrequency(const std::vector<std::int16_t>& x, double lo, double hi, double step) {
    double best = lo;
    double bestMagnitude = -1;
    for (double f = lo; f <= hi; f += step) {
        const std::complex<double> turn = std::polar(1.0, -2 * std::numbers::pi * f / 22050);
        std::complex<double> z = 1;
        std::complex<double> sum = 0;
        for (std::int16_t s : x) {
            sum += double(s) * z;
            z *= turn;
        }
        if (std::abs(sum) > bestMagnitude) {
            bestMagnitude = std::abs(sum);
            best = f;
        }
    }
    return best;
}

} // namespace

TEST(synthesizer, sample_conversion_truncates_and_saturates) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        float sum;
        int sample;
    };
    const Row rows[] = {
        {0.25f, 16384},    {-0.25f, -16384}, {0.0f, 0},      {1.9f / 65536, 1}, {-1.9f / 65536, -1},
        {0.49999f, 32767}, {0.5f, 32767},    {0.75f, 32767}, {-0.5f, -32768},   {-3.0f, -32768},
        {nan, 0},          {inf, 0},         {-inf, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(toSample(r.sum), r.sample) << r.sum;
    }
}

TEST(synthesizer, jitter_comes_from_an_unseeded_rand) {
    RandGenerator r;
    EXPECT_EQ(r.next(), 346);
    EXPECT_EQ(r.next(), 130);
    EXPECT_EQ(r.next(), 10982);
    RandGenerator many;
    for (int i = 0; i < 100000; ++i) {
        int v = many.next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(synthesizer, nothing_sounding_gives_silence) {
    Synthesizer synth(recordedVoice());
    std::vector<std::int16_t> block(300, 7);
    synth.render(block);
    EXPECT_EQ(block, std::vector<std::int16_t>(300, 0));
    EXPECT_EQ(synth.random.state, 22695478u); // one draw per block all the same
    std::fill(block.begin(), block.end(), 7);
    synth.renderReference(block);
    EXPECT_EQ(block, std::vector<std::int16_t>(300, 0));
}

TEST(synthesizer, phase_grows_by_the_jittered_increment_within_one_turn) {
    auto notes = notesAt({440.0});
    for (bool fast : {true, false}) {
        Synthesizer synth(recordedVoice());
        synth.setSounding({&notes[0]});
        std::vector<std::int16_t> block(1000);
        double expected = 0;
        for (int r : {346, 130, 10982}) {
            fast ? synth.render(block) : synth.renderReference(block);
            // 2 pi rounded to single precision, as the synthesizer uses it
            expected += 1000 * (440.0 + jitterOf(r)) * 6.2831854820251465 / 22050;
            EXPECT_NEAR(synth.phase(0), std::fmod(expected, 2 * std::numbers::pi), 1e-8) << fast;
        }
        EXPECT_NEAR(440.0 * 6.2831855f / 22050, 0.125379, 1e-6);
    }
}

TEST(synthesizer, each_distinct_note_has_one_voice_that_keeps_its_phase) {
    Synthesizer synth(recordedVoice());
    auto notes = notesAt({200, 300, 400, 500});
    std::vector<std::int16_t> block(500);
    synth.setSounding({&notes[0], &notes[1], &notes[0], &notes[1]});
    synth.render(block);
    EXPECT_EQ(synth.voiceNote(0), &notes[0]);
    EXPECT_EQ(synth.voiceNote(1), &notes[1]);
    EXPECT_EQ(synth.voiceNote(2), nullptr);
    EXPECT_EQ(synth.level(0), 2.0f);
    const double kept = synth.phase(1);
    // notes[1] stays on its voice; notes[0] fades out and frees its voice; the new ones take
    // the free voices from phase 0.
    synth.setSounding({&notes[1], &notes[2], &notes[3]});
    std::vector<std::int16_t> two(2);
    synth.render(two);
    EXPECT_EQ(synth.voiceNote(1), &notes[1]);
    EXPECT_NEAR(synth.phase(1),
                std::fmod(kept + 2 * 300 * 2 * std::numbers::pi / 22050, 2 * std::numbers::pi),
                1e-4);
    EXPECT_EQ(synth.voiceNote(0), &notes[0]);
    EXPECT_LT(synth.level(0), 2.0f);
    EXPECT_EQ(synth.voiceNote(2), &notes[2]);
    EXPECT_EQ(synth.voiceNote(3), &notes[3]);
    EXPECT_GT(synth.level(2), 0.0f); // fading in
    EXPECT_LT(synth.level(2), 0.01f);
    synth.render(block);
    EXPECT_EQ(synth.voiceNote(0), nullptr);
    EXPECT_EQ(synth.level(2), 1.0f);
    // More notes than voices: only the first eight are kept.
    std::vector<CNote*> nine(9, &notes[0]);
    synth.setSounding(nine);
    EXPECT_EQ(synth.soundingNotes.size(), 8u);
}

TEST(synthesizer, fast_render_agrees_with_the_reference) {
    // A four-note chord standing twice (8 voices), through the attack and many loop cycles,
    // in blocks of odd sizes, retuned between blocks.
    auto notes = notesAt({130.81, 164.81, 196.0, 261.63});
    Synthesizer fast(recordedVoice());
    fast.setSounding(
        {&notes[0], &notes[1], &notes[2], &notes[3], &notes[0], &notes[1], &notes[2], &notes[3]});
    Synthesizer reference = fast;
    const int sizes[] = {2560, 65, 127, 4095, 512, 1, 8192, 1000};
    int total = 0;
    int worst = 0;
    for (int b = 0; b < 48; ++b) {
        const int n = sizes[b % 8];
        std::vector<std::int16_t> x(n), y(n);
        fast.render(x);
        reference.renderReference(y);
        for (int i = 0; i < n; ++i) {
            const int d = std::abs(x[i] - y[i]);
            ASSERT_LE(d, 2) << "block " << b << " sample " << i << ": " << x[i] << " vs " << y[i];
            worst = std::max(worst, d);
        }
        total += n;
        notes[b % 4].soundingFrequency *= (b % 2 ? 1.003 : 0.998);
        ASSERT_EQ(fast.voices[3].sustaining, reference.voices[3].sustaining);
        ASSERT_EQ(fast.voices[3].frameIndex, reference.voices[3].frameIndex);
        ASSERT_EQ(fast.voices[3].framePosition, reference.voices[3].framePosition);
    }
    EXPECT_TRUE(fast.voices[0].sustaining);
    EXPECT_GT(total, (recordedVoice().attackFrames + 3 * 28) * 256);
    for (int j = 0; j < 8; ++j) {
        const double d = std::remainder(fast.phase(j) - reference.phase(j), 2 * std::numbers::pi);
        EXPECT_NEAR(d, 0.0, 1e-6) << j;
    }
}

TEST(synthesizer, a_note_twice_sounds_at_twice_the_level) {
    auto notes = notesAt({220.0});
    Synthesizer once(recordedVoice());
    once.setSounding({&notes[0]});
    Synthesizer twice(recordedVoice());
    twice.setSounding({&notes[0], &notes[0]});
    std::vector<std::int16_t> a(4000), b(4000);
    once.render(a);
    twice.render(b);
    int loudest = 0;
    for (int i = 0; i < 4000; ++i) {
        EXPECT_NEAR(b[i], 2 * a[i], 2) << i;
        loudest = std::max(loudest, std::abs(a[i]));
    }
    EXPECT_GT(loudest, 300);
}

TEST(synthesizer, a_440_hz_note_sounds_at_440_hz) {
    auto notes = notesAt({440.0});
    Synthesizer synth(recordedVoice());
    synth.setSounding({&notes[0]});
    std::vector<std::int16_t> sound;
    std::vector<std::int16_t> block(2560);
    for (int b = 0; b < 35; ++b) { // about 4 s
        synth.render(block);
        sound.insert(sound.end(), block.begin(), block.end());
    }
    const double coarse = peakFrequency(sound, 400, 480, 0.5);
    const double fine = peakFrequency(sound, coarse - 0.5, coarse + 0.5, 0.005);
    EXPECT_NEAR(fine, 440.0, 0.05);
    // The recording's second harmonic is there too, at twice the pitch.
    const double second = peakFrequency(sound, 879, 881, 0.01);
    EXPECT_NEAR(second, 880.0, 0.1);
}

TEST(synthesizer, first_sounding_plays_the_attack_later_ones_continue_the_loop) {
    auto notes = notesAt({174.61});
    Synthesizer synth(recordedVoice());
    const int attack = synth.voices[0].attackFrames * 256;
    ASSERT_GE(attack, 5120);
    synth.setSounding({&notes[0]});
    std::vector<std::int16_t> block(attack - 1);
    synth.render(block);
    EXPECT_FALSE(synth.voices[0].sustaining);
    EXPECT_EQ(block[0], 0); // faded in

    std::vector<std::int16_t> more(1000);
    synth.render(more);
    EXPECT_TRUE(synth.voices[0].sustaining);
    const int index = synth.voices[0].frameIndex;
    const int position = synth.voices[0].framePosition;
    EXPECT_EQ(index * 256 + position, 999);

    // Stop (the voice fades out within the block), stay silent a while (the voice does not
    // move), sound again: still in the loop.
    synth.clearSounding();
    synth.render(more);
    synth.render(more);
    EXPECT_EQ(synth.voices[0].frameIndex * 256 + synth.voices[0].framePosition, 1999);
    synth.setSounding({&notes[0]});
    synth.render(more);
    EXPECT_TRUE(synth.voices[0].sustaining);
    EXPECT_EQ(synth.voices[0].frameIndex * 256 + synth.voices[0].framePosition, 2999);
}

TEST(synthesizer, runaway_frequency_gives_silence_not_noise) {
    auto notes = notesAt({std::numeric_limits<double>::infinity()});
    Synthesizer synth(recordedVoice());
    synth.setSounding({&notes[0]});
    std::vector<std::int16_t> block(600, 5);
    synth.render(block);
    for (int i = 0; i < 600; ++i) {
        ASSERT_EQ(block[i], 0) << i;
    }
}
