// SPDX-License-Identifier: GPL-3.0-or-later
// The synthesizer: each distinct sounding note plays on its own voice, an additive synthesis of 32
// harmonics whose amplitudes follow the recorded instrument (attack, then sustain loop).
//
//   sorvel::Synthesizer synth;                 // 8 voices from one analysis of "bassoboe.wav"
//   synth.setSounding({&chordNote1, &chordNote2});
//   std::vector<std::int16_t> block(2560);
//   synth.render(block);                       // then queue the block at the device
#pragma once

#include "timbreizer.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tuningdata.h"

namespace sorvel {

// The C library's rand as the program expects it: never seeded, 15-bit values.
class RandGenerator {
public:
    int next() {
        state = state * 22695477u + 1u;
        return static_cast<int>((state >> 16) & 0x7fffu);
    }
    std::uint32_t state = 1;
};

// A mixed sum to a 16-bit sample: 0.5 is full scale, rounded to the nearest step; beyond full scale
// it saturates, and a non-finite sum (a frequency retuned to infinity) gives silence.
std::int16_t toSample(float sum);

class Synthesizer {
public:
    static constexpr int voiceCount = 8;
    static constexpr double sampleRate = 22050.0;
    // Samples over which a voice fades in or out (4 ms), so that no start, stop or change of
    // sonority clicks; leaving and joining voices cross-fade at equal power.
    static constexpr int fadeSamples = 88;

    // Samples over which a change of instrument crossfades a sounding voice (50 ms), and over
    // which the drone fades in and out.
    static constexpr int switchSamples = 1102;
    static constexpr int droneFadeSamples = 1102;

    // Reads and analyses `fileName` once; the eight voices share the tables.
    Synthesizer();
    explicit Synthesizer(const std::string& fileName);
    // Eight voices with the tables of one analysed voice.
    explicit Synthesizer(const CTimbreizer& voice);

    // Replaces the sounding notes (at most voiceCount are kept). Each distinct note sounds on
    // one voice at level 1, however often it stands in the list: a note twice never beats
    // against itself, and a sonority entered twice is no louder. A new note at the pitch of a
    // leaving one takes over its voice and phase. A note that stays keeps its voice and phase; one that goes
    // fades out, one that comes fades in.
    void setSounding(std::vector<CNote*> notes);
    // Empties the sounding list: the voices fade out.
    void clearSounding() { soundingNotes.clear(); }
    // The output starts again from silence (the device dropped what it had): every voice of
    // the sounding list fades in anew.
    void restart();

    // Plays every voice, the drone's too, with the tables of `instrument` from now on. A voice
    // that sounds crossfades from the old tables to the new over switchSamples, in phase, so
    // that the switch never clicks; a voice that has sounded goes on in the new sustain loop.
    void setInstrument(const CTimbreizer& instrument);
    // The instrument the voices play (or are crossfading to): its tables, its held levels.
    const CTimbreizer& instrument() const { return instrument_; }

    // The drone: one more voice, at `frequency` (none: off) and `level` times a note's level,
    // without the notes' jitter, so that it stays exactly on its pitch. It sounds whatever
    // notes come and go; it fades in and out over droneFadeSamples, and a new frequency fades
    // the old pitch out while the new one fades in.
    void setDrone(std::optional<double> frequency, float level);
    // The drone's pitch, while it is on.
    std::optional<double> droneFrequency() const { return droneFrequency_; }

    // Renders block.size() samples of the sounding notes: one frequency jitter per block,
    // then per sample the sum over the voices. Allocates nothing.
    void render(std::span<std::int16_t> block) noexcept;
    // The same, the straightforward way: 32 cosines per voice and sample. For comparison.
    void renderReference(std::span<std::int16_t> block);

    // Voice v's note (none when it is free), its fundamental's phase in [0, 2 pi), and its
    // present level (1 while it sounds, less while it fades).
    const CNote* voiceNote(int v) const { return state_[static_cast<std::size_t>(v)].note; }
    double phase(int v) const { return state_[static_cast<std::size_t>(v)].phase; }
    float level(int v) const { return state_[static_cast<std::size_t>(v)].gain; }

    // Whether nothing sounds: no voice and no drone, not even fading.
    bool silent() const;

    // The notes' voices as they sounded at one sample of the output: frequency (the note's,
    // without the block's jitter) and the fundamental's phase at that sample.
    struct VoiceAt {
        double frequency = 0.0;
        double phase = 0.0;
    };
    struct SoundingAt {
        std::array<VoiceAt, voiceCount> voices{};
        int count = 0;
        VoiceAt drone{}; // frequency 0 while no drone sounds (or it is fading out)
    };
    // The voices that sounded (not fading out) at output sample `sample`, and the drone,
    // counted from the last restart(), from the last historyBlocks blocks rendered; false for a
    // sample outside them.
    // Safe on any thread while another renders: it takes no lock and render waits for nothing.
    bool voicesAt(std::int64_t sample, SoundingAt& out) const;
    static constexpr int historyBlocks = 32;

    // How many of the 32 harmonics of `frequency` lie below half the sample rate.
    static int audibleHarmonics(double frequency);

    std::vector<CNote*> soundingNotes;
    // The phase list the hover logic keeps beside the sounding list (one entry per note in
    // it). The sound does not follow it: each voice keeps its own phase, phase(v).
    std::vector<double> phases;
    std::vector<CTimbreizer> voices;
    RandGenerator random;

    // Samples rendered per pass of the fast path.
    static constexpr int chunkSize = 512;
    // The most samples the harmonic sum runs on at once (64 with AVX-512, else 32).
    static constexpr int lanes = 64;

private:
    struct VoiceState {
        const CNote* note = nullptr;
        double phase = 0.0;
        float gain = 0.0f; // the level of the last sample rendered
        float from = 0.0f, to = 0.0f;
        int ramp = fadeSamples; // samples into the fade from `from` to `to`
        int fadeLength = fadeSamples;
        int switchRamp = switchSamples; // samples into the crossfade to a new instrument
        int harmonics = 0;      // below half the sample rate, this block
        double increment = 0.0; // phase per sample, this block
        double frequency = 0.0; // the note's, this block
        // The gain of the next sample; moves along the fade.
        float nextGain();
        void retarget(float level);
    };

    // The turns of a voice's phasor by 0 .. lanes samples, cosines then sines.
    struct Rotation {
        std::array<double, lanes + 1> cos{};
        std::array<double, lanes + 1> sin{};
    };
    // One of the drone's two slots: the pitch that sounds, and one fading out after a change.
    struct DroneSlot {
        VoiceState state;
        CTimbreizer timbre;
        std::optional<CTimbreizer> previous;
        Rotation rotation;
        bool active = false;
    };
    static constexpr int droneSlots = 2;

    double nextJitter();
    void assignVoices();
    void prepareVoices(double jitter);
    void releaseSilentVoices();
    // Starts the crossfade of a voice whose tables are not the instrument's.
    void followInstrument(VoiceState& s, CTimbreizer& timbre, std::optional<CTimbreizer>& previous,
                          bool sounding);
    void renderVoice(VoiceState& s, const Rotation& r, CTimbreizer& timbre,
                     std::optional<CTimbreizer>& previous, int count) noexcept;
    // The samples one timbre adds to mix_ over `count` samples, the phasor (zc, zs) moved on.
    void renderTimbre(CTimbreizer& timbre, double& zc, double& zs, const Rotation& r, int count,
                      int harmonics, const float* gains, float level) noexcept;
    double referenceSample(VoiceState& s, CTimbreizer& timbre, std::optional<CTimbreizer>& previous);
    static void turns(Rotation& r, double increment);

    // One voice of a rendered block: its frequency, and its phase and increment at the start.
    struct VoiceRecord {
        std::atomic<double> frequency{0.0}, phase{0.0}, increment{0.0};
        void store(const VoiceState* s) noexcept; // none: frequency 0
        VoiceAt at(std::int64_t samplesIn) const noexcept;
    };
    // One rendered block: where it began, each sounding voice and the drone there.
    // Written by render, read by voicesAt, through a sequence count (odd while written): all
    // fields are atomics, so a reader that overlaps a write sees a changed count and tries again.
    struct BlockRecord {
        std::atomic<std::uint32_t> sequence{0};
        std::atomic<std::int64_t> start{-1};
        std::atomic<int> length{0};
        std::atomic<int> count{0};
        std::array<VoiceRecord, voiceCount> voices{};
        VoiceRecord drone;
    };
    void recordBlock(int length) noexcept;
    // A copy of the synthesizer starts with no history: what sounded was the original's.
    struct History : std::array<BlockRecord, historyBlocks> {
        History() = default;
        History(const History&) : std::array<BlockRecord, historyBlocks>{} {}
        History& operator=(const History&) = delete;
    };

    History history_;
    std::size_t nextRecord_ = 0;
    std::int64_t rendered_ = 0; // samples since restart(); render's own
    std::array<VoiceState, voiceCount> state_{};
    std::array<std::optional<CTimbreizer>, voiceCount> previous_{};
    std::array<Rotation, voiceCount> rotations_{};
    std::vector<DroneSlot> drone_;
    std::optional<double> droneFrequency_;
    CTimbreizer instrument_;
    alignas(64) std::array<float, chunkSize> gains_{};
    alignas(64) std::array<float, chunkSize> oldGains_{};
    alignas(64) std::array<float, chunkSize> newGains_{};
    alignas(64) std::array<float, chunkSize> mix_{};
};

} // namespace sorvel
