// The synthesizer: each sounding note plays on its own voice, an additive synthesis of 32
// harmonics whose amplitudes follow the recorded instrument (attack, then sustain loop).
//
//   sorvel::Synthesizer synth;                 // 8 voices from "bassoboe.wav"
//   synth.setSounding({&chordNote1, &chordNote2});
//   std::vector<std::int16_t> block(2560);
//   synth.render(block);                       // then queue the block at the device
#pragma once

#include "timbreizer.h"

#include <array>
#include <cstdint>
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

// A mixed sum to a 16-bit sample: 0.5 is full scale, truncated toward zero; beyond full scale
// it saturates, and a non-finite sum (a frequency retuned to infinity) gives silence.
std::int16_t toSample(float sum);

class Synthesizer {
public:
    static constexpr int voiceCount = 8;
    static constexpr double sampleRate = 22050.0;

    // Builds each voice by reading and analysing `fileName` anew.
    Synthesizer();
    explicit Synthesizer(const std::string& fileName);
    // Eight copies of one analysed voice.
    explicit Synthesizer(const CTimbreizer& voice);

    // Replaces the sounding notes (at most voiceCount are kept). Phases of the notes whose
    // index survives are kept, new ones start at 0, surplus ones are dropped.
    void setSounding(std::vector<CNote*> notes);
    // Empties the sounding list; the phases stay for the next sounding.
    void clearSounding() { soundingNotes.clear(); }

    // Renders block.size() samples of the sounding notes: one frequency jitter per block,
    // then per sample the sum over the voices. Allocates nothing.
    void render(std::span<std::int16_t> block) noexcept;
    // The same, the straightforward way: 32 cosines per voice and sample. For comparison.
    void renderReference(std::span<std::int16_t> block);

    std::vector<CNote*> soundingNotes;
    std::vector<double> phases;
    std::vector<CTimbreizer> voices;
    RandGenerator random;

    // Samples rendered per pass of the fast path.
    static constexpr int chunkSize = 512;
    static constexpr int lanes = 32;

private:
    std::size_t activeVoices() const;
    double nextJitter();
    void renderVoice(std::size_t v, int count) noexcept;

    struct Rotation {
        std::array<double, lanes> cos{};
        std::array<double, lanes> sin{};
        double stepCos = 1.0, stepSin = 0.0; // rotation by `lanes` samples
        double increment = 0.0;              // phase per sample
    };
    std::array<Rotation, voiceCount> rotations_{};
    alignas(64) std::array<float, chunkSize + lanes> cosines_{};
    alignas(64) std::array<float, chunkSize> mix_{};
};

} // namespace sorvel
