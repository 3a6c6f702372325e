#include "sound.h"

#include <algorithm>
#include <cmath>

namespace sorvel {

namespace {

constexpr float twoPiSingle = 6.2831855f;
constexpr long double samplePeriod = 1.0L / 22050;

double phaseIncrement(double frequency, double jitter) {
    return static_cast<double>((frequency + jitter) * twoPiSingle * samplePeriod);
}

// Eight floats in one vector register (two SSE registers where AVX is missing).
typedef float Float8 __attribute__((vector_size(32)));

// One voice over `count` samples (count <= hop) that share the amplitude rows `from` and
// `to`: out[i] += 0.1 * sum over h of cos(h phase_i) * a_h(i), with x_i = cos(phase_i) given
// and a_h gliding from row `from` to row `to` from position `position` of `hop` on. `x` must
// be readable up to a whole number of groups of lanes.
//
// The harmonic sum is a Chebyshev series in x_i, evaluated with Clenshaw's recurrence: no
// cosine per harmonic, two multiply-adds and a subtraction per harmonic and sample, run on
// `lanes` samples at once in four independent vector chains so that the multiply-add
// latency is hidden.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void
renderSegment(const float* x, int count, const float* from, const float* to, int position, int hop,
              float* out) {
    constexpr int H = CTimbreizer::harmonicCount;
    constexpr int L = Synthesizer::lanes;
    constexpr int V = L / 8;
    static_assert(L % 8 == 0);
    const float perStep = 1.0f / static_cast<float>(hop);
    float slope[H];
    for (int h = 0; h < H; ++h) {
        slope[h] = to[h] - from[h];
    }
    for (int i0 = 0; i0 < count; i0 += L) {
        Float8 twoX[V], w[V], b1[V], b2[V];
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            Float8 xv;
            __builtin_memcpy(&xv, x + i0 + 8 * v, sizeof xv);
            twoX[v] = xv + xv;
#pragma GCC unroll 8
            for (int l = 0; l < 8; ++l) {
                w[v][l] = static_cast<float>(position + i0 + 8 * v + l) * perStep;
            }
            b1[v] = Float8{};
            b2[v] = Float8{};
        }
#pragma GCC unroll 2
        for (int h = H - 1; h >= 0; --h) {
            const float a = from[h];
            const float d = slope[h];
#pragma GCC unroll 8
            for (int v = 0; v < V; ++v) {
                const Float8 b0 = twoX[v] * b1[v] + ((a + w[v] * d) - b2[v]);
                b2[v] = b1[v];
                b1[v] = b0;
            }
        }
        float value[L];
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            const Float8 sum = (0.5f * twoX[v] * b1[v] - b2[v]) * 0.1f;
            __builtin_memcpy(value + 8 * v, &sum, sizeof sum);
        }
        const int n = std::min(L, count - i0);
        for (int l = 0; l < n; ++l) {
            out[i0 + l] += value[l];
        }
    }
}

} // namespace

std::int16_t toSample(float sum) {
    if (!std::isfinite(sum)) {
        return 0;
    }
    const double v = std::trunc(static_cast<double>(sum) * 65536.0);
    return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

Synthesizer::Synthesizer() : Synthesizer(std::string("bassoboe.wav")) {}

Synthesizer::Synthesizer(const std::string& fileName) {
    voices.reserve(voiceCount);
    for (int v = 0; v < voiceCount; ++v) {
        voices.emplace_back(fileName);
    }
}

Synthesizer::Synthesizer(const CTimbreizer& voice) : voices(voiceCount, voice) {}

void Synthesizer::setSounding(std::vector<CNote*> notes) {
    if (notes.size() > voices.size()) {
        notes.resize(voices.size());
    }
    soundingNotes = std::move(notes);
    phases.resize(soundingNotes.size(), 0.0);
}

std::size_t Synthesizer::activeVoices() const {
    return std::min({soundingNotes.size(), phases.size(), voices.size()});
}

double Synthesizer::nextJitter() {
    return random.next() / 32767.0 * 0.125 - 0.0625;
}

void Synthesizer::renderReference(std::span<std::int16_t> block) {
    const double jitter = nextJitter();
    const std::size_t count = activeVoices();
    for (std::int16_t& sample : block) {
        float sum = 0.0f;
        for (std::size_t j = 0; j < count; ++j) {
            const double c = voices[j].voice_sample(phases[j]);
            phases[j] +=
                (soundingNotes[j]->soundingFrequency + jitter) * twoPiSingle * samplePeriod;
            sum += c * 0.1;
        }
        sample = toSample(sum);
    }
}

void Synthesizer::render(std::span<std::int16_t> block) noexcept {
    const double jitter = nextJitter();
    const std::size_t count = activeVoices();
    for (std::size_t v = 0; v < count; ++v) {
        // The voice's cosines come from rotating a phasor: exact at each chunk's start, then
        // by precomputed steps of one sample within a group of lanes and of `lanes` samples
        // from group to group.
        Rotation& r = rotations_[v];
        r.increment = phaseIncrement(soundingNotes[v]->soundingFrequency, jitter);
        const double c1 = std::cos(r.increment);
        const double s1 = std::sin(r.increment);
        r.cos[0] = 1.0;
        r.sin[0] = 0.0;
        for (int l = 1; l < lanes; ++l) {
            r.cos[l] = r.cos[l - 1] * c1 - r.sin[l - 1] * s1;
            r.sin[l] = r.sin[l - 1] * c1 + r.cos[l - 1] * s1;
        }
        r.stepCos = r.cos[lanes - 1] * c1 - r.sin[lanes - 1] * s1;
        r.stepSin = r.sin[lanes - 1] * c1 + r.cos[lanes - 1] * s1;
    }

    std::size_t done = 0;
    while (done < block.size()) {
        const int n = static_cast<int>(std::min<std::size_t>(chunkSize, block.size() - done));
        std::fill(mix_.begin(), mix_.begin() + n, 0.0f);
        for (std::size_t v = 0; v < count; ++v) {
            renderVoice(v, n);
        }
        for (int i = 0; i < n; ++i) {
            block[done + static_cast<std::size_t>(i)] = toSample(mix_[i]);
        }
        done += static_cast<std::size_t>(n);
    }
}

void Synthesizer::renderVoice(std::size_t v, int count) noexcept {
    const Rotation& r = rotations_[v];
    double zc = std::cos(phases[v]);
    double zs = std::sin(phases[v]);
    for (int g = 0; g < count; g += lanes) {
        for (int l = 0; l < lanes; ++l) {
            cosines_[g + l] = static_cast<float>(zc * r.cos[l] - zs * r.sin[l]);
        }
        const double c = zc * r.stepCos - zs * r.stepSin;
        zs = zs * r.stepCos + zc * r.stepSin;
        zc = c;
    }
    phases[v] += count * r.increment;

    CTimbreizer& voice = voices[v];
    int i = 0;
    while (i < count) {
        const int n = std::min(count - i, voice.hopSize - voice.framePosition);
        const float* from = voice.currentRow();
        renderSegment(cosines_.data() + i, n, from, from + CTimbreizer::harmonicCount,
                      voice.framePosition, voice.hopSize, mix_.data() + i);
        voice.advance(n);
        i += n;
    }
}

} // namespace sorvel
