// SPDX-License-Identifier: GPL-3.0-or-later
#include "readwave.h"
#include "sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <limits>
#include <memory>
#include <numbers>
#include <random>

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

// In-place radix-2 FFT (x.size() a power of two), double precision.
void fft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        for (std::size_t i = 0; i < n; i += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                const auto w = std::polar(1.0, -2 * std::numbers::pi * double(k) / double(len));
                const auto u = x[i + k];
                const auto v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
        }
    }
}

// Power spectrum of `x` under `window` (a function of t in [0, 1)), zero-padded to a power of
// two; bin k is k * 22050 / size Hz.
std::vector<double> powerSpectrum(const std::vector<double>& x, double (*window)(double)) {
    std::size_t n = 1;
    while (n < x.size()) {
        n <<= 1;
    }
    std::vector<std::complex<double>> z(n);
    for (std::size_t i = 0; i < x.size(); ++i) {
        z[i] = x[i] * window(double(i) / double(x.size()));
    }
    fft(z);
    std::vector<double> p(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        p[k] = std::norm(z[k]);
    }
    return p;
}

double hann(double t) {
    return 0.5 - 0.5 * std::cos(2 * std::numbers::pi * t);
}

// Seven-term Blackman-Harris: side lobes below -180 dB, for measuring a -90 dB floor.
double blackmanHarris7(double t) {
    const double a[] = {0.27105140069342, 0.43329793923448, 0.21812299954311, 0.06592544638803,
                        0.01081174209837, 0.00077658482522, 0.00001388721735};
    double w = 0;
    for (int k = 0; k < 7; ++k) {
        w += (k % 2 ? -1 : 1) * a[k] * std::cos(2 * std::numbers::pi * k * t);
    }
    return w;
}

// Level in dB of each of the first `count` harmonics of f0: the power within f0 / 3 of it.
std::vector<double> harmonicLevels(const std::vector<double>& x, double f0, int count) {
    const std::vector<double> p = powerSpectrum(x, hann);
    const double hzPerBin = 22050.0 / double(2 * p.size());
    std::vector<double> levels;
    for (int h = 1; h <= count; ++h) {
        double sum = 0;
        for (std::size_t k = 0; k < p.size(); ++k) {
            if (std::abs(double(k) * hzPerBin - h * f0) < f0 / 3) {
                sum += p[k];
            }
        }
        levels.push_back(10 * std::log10(sum));
    }
    return levels;
}

std::vector<double> rendered(Synthesizer& synth, int samples, int block = 2560) {
    std::vector<double> out;
    std::vector<std::int16_t> b;
    while (static_cast<int>(out.size()) < samples) {
        b.resize(static_cast<std::size_t>(std::min(block, samples - int(out.size()))));
        synth.render(b);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

} // namespace

TEST(synthesizer, sample_conversion_rounds_and_saturates) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        float sum;
        int sample;
    };
    const Row rows[] = {
        {0.25f, 16384},
        {-0.25f, -16384},
        {0.0f, 0},
        {1.9f / 65536, 2},
        {-1.9f / 65536, -2},
        {1.4f / 65536, 1},
        {-1.4f / 65536, -1},
        {0.49999f, 32767},
        {0.5f, 32767},
        {0.75f, 32767},
        {-0.5f, -32768},
        {-3.0f, -32768},
        {nan, 0},
        {inf, 0},
        {-inf, 0},
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
    EXPECT_EQ(synth.level(0), 1.0f);
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
    EXPECT_LT(synth.level(0), 1.0f);
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

TEST(synthesizer, a_new_note_at_a_leaving_notes_pitch_takes_over_its_voice) {
    // The same pitch in the next chord: the wave goes on as if one note had stayed.
    auto notes = notesAt({261.63, 329.63, 261.63, 392.0});
    Synthesizer switched(recordedVoice());
    Synthesizer stayed(recordedVoice());
    switched.setSounding({&notes[0], &notes[1]});
    stayed.setSounding({&notes[0], &notes[1]});
    std::vector<std::int16_t> a(3000), b(3000);
    switched.render(a);
    stayed.render(b);
    switched.setSounding({&notes[2], &notes[3]});
    stayed.setSounding({&notes[0], &notes[3]});
    switched.render(a);
    stayed.render(b);
    EXPECT_EQ(switched.voiceNote(0), &notes[2]);
    EXPECT_EQ(switched.level(0), 1.0f);
    EXPECT_EQ(a, b);
}

TEST(synthesizer, fast_render_agrees_with_the_reference) {
    // Eight distinct notes (8 voices, all 32 harmonics at the bottom, few at the top), through
    // the attack and many loop cycles, in blocks of odd sizes, retuned between blocks; with the
    // drone coming, changing pitch and going, and changes of instrument in mid-crossfade.
    const CTimbreizer oboe(std::string(SORVEL_ASSET_DIR) + "/instruments/oboe.wav");
    auto notes = notesAt({110.0, 130.81, 164.81, 196.0, 261.63, 440.0, 659.26, 1396.9});
    Synthesizer fast(recordedVoice());
    fast.setSounding(
        {&notes[0], &notes[1], &notes[2], &notes[3], &notes[4], &notes[5], &notes[6], &notes[7]});
    Synthesizer reference = fast;
    const int sizes[] = {2560, 65, 127, 4095, 512, 1, 8192, 1000};
    int total = 0;
    int worst = 0;
    for (int b = 0; b < 48; ++b) {
        const int n = sizes[b % 8];
        for (Synthesizer* s : {&fast, &reference}) {
            if (b == 3 || b == 20)
                s->setDrone(b == 3 ? 110.0 : 98.0, 0.5f);
            if (b == 5 || b == 6 || b == 30)
                s->setInstrument(b == 6 ? recordedVoice() : oboe);
            if (b == 40)
                s->setDrone(std::nullopt, 0.5f);
        }
        std::vector<std::int16_t> x(n), y(n);
        fast.render(x);
        reference.renderReference(y);
        for (int i = 0; i < n; ++i) {
            const int d = std::abs(x[i] - y[i]);
            ASSERT_LE(d, 2) << "block " << b << " sample " << i << ": " << x[i] << " vs " << y[i];
            worst = std::max(worst, d);
        }
        total += n;
        notes[b % 8].soundingFrequency *= (b % 2 ? 1.003 : 0.998);
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

TEST(synthesizer, a_sonority_entered_twice_sounds_as_loud_as_once) {
    // A chord on one staff stands in the sounding list twice, the same chord on two staves once.
    auto notes = notesAt({130.81, 220.0, 329.63});
    Synthesizer once(recordedVoice());
    once.setSounding({&notes[0], &notes[1], &notes[2]});
    Synthesizer twice(recordedVoice());
    twice.setSounding({&notes[0], &notes[1], &notes[2], &notes[2], &notes[0], &notes[1]});
    std::vector<std::int16_t> a(4000), b(4000);
    once.render(a);
    twice.render(b);
    EXPECT_EQ(a, b);
    EXPECT_GT(*std::max_element(a.begin(), a.end()), 300);
}

TEST(synthesizer, a_direct_change_of_sonority_keeps_the_summed_power) {
    // Generated switches between sonorities that share some notes: while the leaving voices fade
    // out and the joining ones in, the summed power of the levels stays between its values
    // before and after, so an even swap holds the level within 1 dB throughout.
    std::mt19937 random(21);
    std::vector<CNote> pitches = notesAt({110, 123, 131, 147, 165, 175, 196, 220, 247, 262, 294,
                                          330, 349, 392, 440, 494});
    for (int trial = 0; trial < 60; ++trial) {
        std::shuffle(pitches.begin(), pitches.end(), random);
        const int stay = static_cast<int>(random() % 3);
        const int leave = 1 + static_cast<int>(random() % 3);
        const int join = trial % 2 ? leave : 1 + static_cast<int>(random() % 3);
        std::vector<CNote*> before, after;
        for (int i = 0; i < stay; ++i) {
            before.push_back(&pitches[i]);
            after.push_back(&pitches[i]);
        }
        for (int i = 0; i < leave; ++i)
            before.push_back(&pitches[stay + i]);
        for (int i = 0; i < join; ++i)
            after.push_back(&pitches[stay + leave + i]);
        Synthesizer synth(recordedVoice());
        synth.setSounding(before);
        std::vector<std::int16_t> block(300);
        synth.render(block);
        synth.setSounding(after);
        const double lo = std::min(stay + leave, stay + join);
        const double hi = std::max(stay + leave, stay + join);
        std::vector<std::int16_t> one(1);
        for (int n = 0; n <= Synthesizer::fadeSamples; ++n) {
            synth.render(one);
            double power = 0;
            for (int v = 0; v < Synthesizer::voiceCount; ++v)
                power += double(synth.level(v)) * synth.level(v);
            ASSERT_GE(power, lo - 1e-5) << "trial " << trial << " sample " << n;
            ASSERT_LE(power, hi + 1e-5) << "trial " << trial << " sample " << n;
            if (leave == join) {
                ASSERT_LE(std::abs(10 * std::log10(power / lo)), 1.0) << trial << " " << n;
            }
        }
        int sounding = 0;
        for (int v = 0; v < Synthesizer::voiceCount; ++v)
            sounding += synth.level(v) == 1.0f;
        EXPECT_EQ(sounding, stay + join) << trial;
    }
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

TEST(synthesizer, the_eight_voices_share_one_analysis_of_the_recording) {
    Synthesizer synth(std::string(SORVEL_ASSET_DIR) + "/bassoboe.wav");
    ASSERT_EQ(synth.voices.size(), 8u);
    for (const CTimbreizer& v : synth.voices) {
        EXPECT_EQ(&v.tables(), &synth.voices[0].tables());
    }
}

TEST(synthesizer, a_note_sounds_the_same_whatever_sounded_before) {
    // A one-staff note stands twice in the sounding list. Heard first, and heard after chords
    // that moved the voices' phases apart, its harmonics keep their levels. Measured over four
    // whole sustain-loop periods under a Hann window, which weighs every point of the loop
    // alike, so the loop's position does not matter.
    constexpr int loop = 28 * 256;
    auto notes = notesAt({220.0, 146.83, 277.18, 329.63, 246.94, 392.0});
    CNote& note = notes[0];
    Synthesizer first(recordedVoice());
    first.setSounding({&note, &note});
    rendered(first, recordedVoice().attackFrames * 256 + loop);
    const std::vector<double> alone = harmonicLevels(rendered(first, 4 * loop), 220.0, 16);

    std::mt19937 random(14);
    for (int trial = 0; trial < 3; ++trial) {
        Synthesizer later(recordedVoice());
        for (int chord = 0; chord < 6; ++chord) {
            std::vector<CNote*> sounding;
            for (std::size_t i = 0; i < notes.size(); ++i) {
                if (random() % 2) {
                    sounding.push_back(&notes[i]);
                }
            }
            later.setSounding(sounding);
            rendered(later, 1000 + static_cast<int>(random() % 5000), 777);
        }
        later.setSounding({&note, &note});
        rendered(later, loop);
        const std::vector<double> after = harmonicLevels(rendered(later, 4 * loop), 220.0, 16);
        for (int h = 0; h < 16; ++h) {
            if (alone[h] > alone[0] - 60) {
                EXPECT_NEAR(after[h], alone[h], 0.5) << "harmonic " << h + 1 << ", trial " << trial;
            }
        }
    }
}

TEST(synthesizer, starts_stops_and_changes_of_sonority_never_click) {
    // Random sonorities (single notes, doubled notes, chords, silence, restarts of the device)
    // in random block sizes. Around every change no step between samples exceeds the largest
    // step of the steady sound on either side; a sound starts and ends at 0.
    std::mt19937 random(2026);
    std::vector<CNote> pitches;
    for (int p = 40; p <= 88; ++p) {
        CNote n;
        n.soundingFrequency = 440.0 * std::pow(2.0, (p - 69) / 12.0);
        pitches.push_back(n);
    }
    for (bool fast : {true, false}) {
        Synthesizer synth(recordedVoice());
        std::vector<double> out;
        std::vector<std::size_t> changes;
        std::vector<bool> restarts;
        for (int event = 0; event < 40; ++event) {
            std::vector<CNote*> sounding;
            const int kind = static_cast<int>(random() % 6);
            if (kind > 0) {
                const int count = 1 + static_cast<int>(random() % 4);
                for (int i = 0; i < count; ++i) {
                    sounding.push_back(&pitches[random() % pitches.size()]);
                }
                if (kind == 1) {
                    sounding.insert(sounding.end(), sounding.begin(), sounding.end());
                }
            }
            const bool restart = event > 0 && kind == 5;
            if (restart) {
                synth.restart(); // the device was stopped and started again
            }
            synth.setSounding(sounding);
            changes.push_back(out.size());
            restarts.push_back(restart);
            std::vector<std::int16_t> block;
            for (int total = 0; total < 3000;) {
                block.resize(1 + random() % 1500);
                fast ? synth.render(block) : synth.renderReference(block);
                out.insert(out.end(), block.begin(), block.end());
                total += static_cast<int>(block.size());
            }
        }
        changes.push_back(out.size());
        auto largestStep = [&out](std::size_t from, std::size_t to) {
            double step = 0;
            for (std::size_t i = from + 1; i < to; ++i) {
                step = std::max(step, std::abs(out[i] - out[i - 1]));
            }
            return step;
        };
        const std::size_t fade = Synthesizer::fadeSamples + 1;
        for (std::size_t c = 1; c + 1 < changes.size(); ++c) {
            const std::size_t at = changes[c];
            // Before a restart the device cut the sound: the new sound starts from silence.
            const double before = restarts[c] ? 0 : largestStep(changes[c - 1] + fade, at);
            const double after = largestStep(at + fade, changes[c + 1]);
            const std::size_t from = restarts[c] ? at : at - 1;
            const double step = largestStep(from, at + fade);
            EXPECT_LE(step, std::max(before, after)) << "change " << c << " fast " << fast;
            if (restarts[c] || out[at - 1] == 0) {
                EXPECT_EQ(out[at], 0) << "change " << c << ": a sound starts at 0";
            }
            if (after == 0) { // silence from here: the sound before ended at 0
                for (std::size_t i = at + fade; i < changes[c + 1]; ++i) {
                    ASSERT_EQ(out[i], 0) << "change " << c;
                }
            }
        }
    }
}

TEST(synthesizer, high_notes_have_nothing_between_their_harmonics) {
    // E6 and C6: harmonics above half the sample rate would fold back between the true ones.
    for (double f0 : {1318.51, 1046.50}) {
        auto notes = notesAt({f0});
        Synthesizer synth(recordedVoice());
        synth.setSounding({&notes[0]});
        rendered(synth, 11025);
        const std::vector<double> p = powerSpectrum(rendered(synth, 131072), blackmanHarris7);
        const double hzPerBin = 22050.0 / double(2 * p.size());
        double fundamental = 0;
        double between = 0;
        double worstAt = 0;
        for (std::size_t k = 0; k < p.size(); ++k) {
            const double f = double(k) * hzPerBin;
            const double fromHarmonic = std::abs(f / f0 - std::round(f / f0)) * f0;
            if (std::abs(f - f0) < 20) {
                fundamental = std::max(fundamental, p[k]);
            } else if (fromHarmonic > f0 / 4 && f > 100) {
                if (p[k] > between) {
                    between = p[k];
                    worstAt = f;
                }
            }
        }
        ASSERT_GT(fundamental, 0);
        EXPECT_LT(10 * std::log10(between / fundamental), -90) << f0 << " Hz: at " << worstAt;
    }
}

TEST(synthesizer, retuning_far_up_and_back_returns_to_the_same_pitch) {
    // 100 000 steps of 10 cents up, each heard for a moment, and 100 000 down again.
    const double ratio = std::pow(2.0, 10.0 / 1200);
    auto notes = notesAt({440.0});
    Synthesizer retuned(recordedVoice());
    retuned.setSounding({&notes[0]});
    std::vector<std::int16_t> moment(4);
    for (int step = 0; step < 100000; ++step) {
        notes[0].soundingFrequency *= ratio;
        retuned.render(moment);
    }
    for (int step = 0; step < 100000; ++step) {
        notes[0].soundingFrequency /= ratio;
        retuned.render(moment);
    }
    auto fresh = notesAt({notes[0].soundingFrequency});
    Synthesizer untouched(recordedVoice());
    untouched.setSounding({&fresh[0]});
    rendered(untouched, 2 * 22050);
    rendered(retuned, 22050);
    untouched.random = retuned.random; // the same jitters from here on
    const std::vector<std::int16_t> a = [&] {
        auto x = rendered(retuned, 22050);
        return std::vector<std::int16_t>(x.begin(), x.end());
    }();
    const std::vector<std::int16_t> b = [&] {
        auto x = rendered(untouched, 22050);
        return std::vector<std::int16_t>(x.begin(), x.end());
    }();
    const double fa = peakFrequency(a, peakFrequency(a, 430, 450, 0.05) - 0.05,
                                    peakFrequency(a, 430, 450, 0.05) + 0.05, 0.0001);
    const double fb = peakFrequency(b, fa - 0.05, fa + 0.05, 0.0001);
    EXPECT_NEAR(1200 * std::log2(fa / fb), 0.0, 0.01) << fa << " vs " << fb;
    EXPECT_NEAR(fb, 440.0, 0.1);
}

TEST(synthesizer, the_recording_is_heard_with_its_own_timbre) {
    // A note at the recording's pitch, 22050 / 128 Hz, held: its first 16 harmonics stand to
    // its fundamental as they do in the stretch of the recording that the sustain loop plays,
    // within 2 dB.
    WaveFormat format;
    std::vector<std::uint8_t> data;
    read_wave(std::string(SORVEL_ASSET_DIR) + "/bassoboe.wav", format, data);
    const std::vector<double> recordingSamples = decodeSamples(data);
    const auto loopStart = recordingSamples.begin() + recordedVoice().attackFrames * 256;
    const std::vector<double> held(loopStart, loopStart + 14 * 256 + 1024);
    const double f0 = 22050.0 / 128;
    const std::vector<double> recorded = harmonicLevels(held, f0, 16);

    auto notes = notesAt({f0});
    Synthesizer synth(recordedVoice());
    synth.setSounding({&notes[0]});
    rendered(synth, recordedVoice().attackFrames * 256);
    const std::vector<double> played = harmonicLevels(rendered(synth, 4 * 28 * 256), f0, 16);
    for (int h = 1; h < 16; ++h) {
        EXPECT_NEAR(played[h] - played[0], recorded[h] - recorded[0], 2.0) << "harmonic " << h + 1;
    }
}

// An exercise may free its notes as soon as they leave the sounding list; their voices fade out
// on the pitch they had (the sanitizer build turns a read of the freed note into a failure).
TEST(synthesizer, a_leaving_voice_fades_without_its_note) {
    Synthesizer synth(recordedVoice());
    auto notes = std::make_unique<std::vector<CNote>>(notesAt({220.0, 277.18}));
    synth.setSounding({&(*notes)[0], &(*notes)[1]});
    std::vector<std::int16_t> block(512);
    synth.render(block);
    synth.setSounding({});
    notes.reset();
    for (int k = 0; k < 4; ++k) {
        synth.render(block);
    }
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](std::int16_t s) { return s == 0; }));
}
