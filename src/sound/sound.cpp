// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound.h"

#include <algorithm>
#include <cmath>

namespace sorvel {

namespace {

constexpr float twoPiSingle = 6.2831855f;
constexpr long double samplePeriod = 1.0L / 22050;
constexpr double twoPi = 6.283185307179586;

double phaseIncrement(double frequency, double jitter) {
    return static_cast<double>((frequency + jitter) * twoPiSingle * samplePeriod);
}

// Back into [0, 2 pi): a phase that only grew would, after enough retuning, outgrow the
// precision its increments need, and the pitch would be lost.
double wrapped(double phase) {
    if (phase >= 0.0 && phase < twoPi) {
        return phase;
    }
    if (!std::isfinite(phase)) {
        return 0.0;
    }
    double p = std::fmod(phase, twoPi);
    if (p < 0.0) {
        p += twoPi;
    }
    return p < twoPi ? p : 0.0;
}

// The fade-in gain after n of N samples: sin(pi/2 r) of the raised cosine
// r = (1 - cos(pi n / N)) / 2. A fade-out runs the same curve backwards, so that a leaving
// voice and a joining one keep sin^2 + cos^2 = 1: the summed power of unrelated notes holds
// through a change of sonority, where a plain raised cosine dips 3 dB halfway. The raised
// cosine inside keeps both ends flat, so no start or stop clicks.
template <int N> const std::array<float, N + 1>& fadeCurve() {
    static const auto curve = [] {
        std::array<float, N + 1> c{};
        for (int n = 0; n <= N; ++n) {
            const double r = (1.0 - std::cos(3.141592653589793 * n / N)) / 2.0;
            c[static_cast<std::size_t>(n)] =
                static_cast<float>(std::sin(1.5707963267948966 * r));
        }
        return c;
    }();
    return curve;
}

// The curve's value after n of `length` samples (a note's fade or the drone's).
float fadeValue(int n, int length) {
    if (length == Synthesizer::droneFadeSamples)
        return fadeCurve<Synthesizer::droneFadeSamples>()[static_cast<std::size_t>(n)];
    return fadeCurve<Synthesizer::fadeSamples>()[static_cast<std::size_t>(n)];
}

// One voice over `count` samples (count <= hop) that share the amplitude rows `from` and
// `to`: out[i] += gain_i * sum over h < harmonics of cos(h phase_i) * a_h(i), with a_h gliding
// from row `from` to row `to` from position `position` of `hop` on. The phase comes as the
// phasor (zc, zs) = e^(i phase_0), turned by (turnCos, turnSin) = e^(i l increment) for
// l = 0 .. 4 W, and is left at the segment's end. `gain` gives a gain per sample, or none
// for `level` throughout.
//
// The harmonic sum is a Chebyshev series in x_i = cos(phase_i), evaluated with Clenshaw's
// recurrence: no cosine per harmonic, two multiply-adds and a subtraction per harmonic and
// sample, run on 4 W samples at once in four independent vector chains of W floats, so that
// the multiply-add latency is hidden.
// W floats in one vector register.
template <int W> struct FloatsOf;
template <> struct FloatsOf<8> {
    typedef float type __attribute__((vector_size(32)));
};
template <> struct FloatsOf<16> {
    typedef float type __attribute__((vector_size(64)));
};

template <int W>
__attribute__((always_inline)) inline void
segmentKernel(double& zc, double& zs, const double* turnCos, const double* turnSin, int count,
              const float* from, const float* to, int position, int hop, int harmonics,
              const float* gain, float level, float* out) {
    using FloatW = typename FloatsOf<W>::type;
    constexpr int H = CTimbreizer::harmonicCount;
    constexpr int V = 4;
    constexpr int L = V * W;
    static_assert(L <= Synthesizer::lanes);
    const float perStep = 1.0f / static_cast<float>(hop);
    float slope[H];
    for (int h = 0; h < harmonics; ++h) {
        slope[h] = to[h] - from[h];
    }
    for (int i0 = 0; i0 < count; i0 += L) {
        const int n = std::min(L, count - i0);
        alignas(4 * W) float x[L];
        for (int l = 0; l < L; ++l) {
            x[l] = static_cast<float>(zc * turnCos[l] - zs * turnSin[l]);
        }
        const double c = zc * turnCos[n] - zs * turnSin[n];
        zs = zs * turnCos[n] + zc * turnSin[n];
        zc = c;
        FloatW twoX[V], w[V], b1[V], b2[V];
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            FloatW xv;
            __builtin_memcpy(&xv, x + W * v, sizeof xv);
            twoX[v] = xv + xv;
#pragma GCC unroll 16
            for (int l = 0; l < W; ++l) {
                w[v][l] = static_cast<float>(position + i0 + W * v + l) * perStep;
            }
            b1[v] = FloatW{};
            b2[v] = FloatW{};
        }
        // Two harmonics per pass, b1 and b2 trading roles, so that no register is copied.
        int h = harmonics - 1;
        for (; h >= 1; h -= 2) {
            const float a0 = from[h], d0 = slope[h];
            const float a1 = from[h - 1], d1 = slope[h - 1];
#pragma GCC unroll 8
            for (int v = 0; v < V; ++v) {
                b2[v] = twoX[v] * b1[v] + ((a0 + w[v] * d0) - b2[v]);
                b1[v] = twoX[v] * b2[v] + ((a1 + w[v] * d1) - b1[v]);
            }
        }
        if (h == 0) {
#pragma GCC unroll 8
            for (int v = 0; v < V; ++v) {
                const FloatW b0 = twoX[v] * b1[v] + ((from[0] + w[v] * slope[0]) - b2[v]);
                b2[v] = b1[v];
                b1[v] = b0;
            }
        }
        FloatW sum[V];
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            sum[v] = 0.5f * twoX[v] * b1[v] - b2[v];
        }
        if (n == L) {
#pragma GCC unroll 8
            for (int v = 0; v < V; ++v) {
                FloatW o, g;
                __builtin_memcpy(&o, out + i0 + W * v, sizeof o);
                if (gain != nullptr) {
                    __builtin_memcpy(&g, gain + i0 + W * v, sizeof g);
                } else {
                    g = FloatW{} + level;
                }
                o += sum[v] * g;
                __builtin_memcpy(out + i0 + W * v, &o, sizeof o);
            }
        } else {
            float value[L];
            __builtin_memcpy(value, sum, sizeof value);
            for (int l = 0; l < n; ++l) {
                out[i0 + l] += value[l] * (gain != nullptr ? gain[i0 + l] : level);
            }
        }
    }
}

// Eight floats a register (two SSE registers where AVX is missing).
#ifndef SORVEL_NO_TARGET_CLONES
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void
renderSegment256(double& zc, double& zs, const double* turnCos, const double* turnSin, int count,
                 const float* from, const float* to, int position, int hop, int harmonics,
                 const float* gain, float level, float* out) {
    segmentKernel<8>(zc, zs, turnCos, turnSin, count, from, to, position, hop, harmonics, gain,
                     level, out);
}

#ifndef SORVEL_NO_TARGET_CLONES
// Sixteen floats a register, where the CPU has AVX-512.
__attribute__((target("arch=x86-64-v4"))) void
renderSegment512(double& zc, double& zs, const double* turnCos, const double* turnSin, int count,
                 const float* from, const float* to, int position, int hop, int harmonics,
                 const float* gain, float level, float* out) {
    segmentKernel<16>(zc, zs, turnCos, turnSin, count, from, to, position, hop, harmonics, gain,
                      level, out);
}
#endif

using SegmentRenderer = void (*)(double&, double&, const double*, const double*, int,
                                 const float*, const float*, int, int, int, const float*, float,
                                 float*);

SegmentRenderer segmentRenderer() {
#ifndef SORVEL_NO_TARGET_CLONES
    static const SegmentRenderer chosen =
        __builtin_cpu_supports("x86-64-v4") ? renderSegment512 : renderSegment256;
    return chosen;
#else
    return renderSegment256;
#endif
}

} // namespace

std::int16_t toSample(float sum) {
    // Written without branches or library calls, so that a block converts in vector steps.
    // A non-finite sum gives silence: sum - sum is 0 only for a finite sum.
    float v = sum - sum == 0.0f ? sum : 0.0f;
    v = std::min(std::max(v, -0.5f), 32767.0f / 65536.0f) * 65536.0f;
    // Rounded to the nearest step (ties to even: adding 1.5 * 2^23 leaves no bits below the
    // units), not truncated toward zero: truncation errs by half a step against the sign of
    // the wave, a square wave riding on every note whose upper harmonics fold back between
    // the note's own (about -65 dB for E6).
    v = (v + 12582912.0f) - 12582912.0f;
    return static_cast<std::int16_t>(static_cast<int>(v));
}

Synthesizer::Synthesizer() : Synthesizer(std::string("bassoboe.wav")) {}

Synthesizer::Synthesizer(const std::string& fileName) : Synthesizer(CTimbreizer(fileName)) {}

Synthesizer::Synthesizer(const CTimbreizer& voice)
    : voices(voiceCount, voice), drone_(droneSlots, DroneSlot{{}, voice, {}, {}, false}),
      instrument_(voice) {
    for (DroneSlot& d : drone_)
        d.state.fadeLength = droneFadeSamples;
}

int Synthesizer::audibleHarmonics(double frequency) {
    const double f = std::abs(frequency);
    if (!std::isfinite(f)) {
        return 0;
    }
    if (f == 0.0) {
        return CTimbreizer::harmonicCount;
    }
    // Harmonic h sounds when h f < sampleRate / 2.
    const double below = std::ceil(sampleRate / 2 / f) - 1;
    return static_cast<int>(std::clamp(below, 0.0, double(CTimbreizer::harmonicCount)));
}

void Synthesizer::setSounding(std::vector<CNote*> notes) {
    if (notes.size() > voices.size()) {
        notes.resize(voices.size());
    }
    soundingNotes = std::move(notes);
}

void Synthesizer::restart() {
    rendered_ = 0;
    for (BlockRecord& r : history_) {
        const std::uint32_t q = r.sequence.load(std::memory_order_relaxed);
        r.sequence.store(q + 1, std::memory_order_relaxed);
        r.start.store(-1, std::memory_order_release);
        r.sequence.store(q + 2, std::memory_order_release);
    }
    for (VoiceState& s : state_) {
        s.note = nullptr;
        s.gain = s.from = s.to = 0.0f;
        s.ramp = fadeSamples;
    }
    for (std::optional<CTimbreizer>& p : previous_)
        p.reset();
    // The drone comes back from silence too; a pitch that was fading out is gone.
    for (DroneSlot& d : drone_) {
        d.previous.reset();
        const float level = d.state.to;
        d.state.gain = d.state.from = d.state.to = 0.0f;
        d.state.ramp = droneFadeSamples;
        d.active = level > 0.0f;
        if (d.active)
            d.state.retarget(level);
    }
}

bool Synthesizer::silent() const {
    return std::none_of(state_.begin(), state_.end(),
                        [](const VoiceState& s) { return s.note != nullptr; }) &&
           std::none_of(drone_.begin(), drone_.end(), [](const DroneSlot& d) { return d.active; });
}

void Synthesizer::setInstrument(const CTimbreizer& instrument) {
    instrument_ = instrument;
    // A voice in the middle of a crossfade finishes it first, then follows (prepareVoices).
    for (std::size_t v = 0; v < state_.size(); ++v)
        followInstrument(state_[v], voices[v], previous_[v], state_[v].note != nullptr);
    for (DroneSlot& d : drone_)
        followInstrument(d.state, d.timbre, d.previous, d.active);
}

void Synthesizer::followInstrument(VoiceState& s, CTimbreizer& timbre,
                                   std::optional<CTimbreizer>& previous, bool sounding) {
    if (previous || &timbre.tables() == &instrument_.tables())
        return;
    CTimbreizer next = instrument_;
    // A voice that has begun goes on held: a second attack in mid-note would be heard.
    if (timbre.sustaining || timbre.frameIndex > 0 || timbre.framePosition > 0) {
        next.sustaining = true;
        next.frameIndex = 0;
        next.framePosition = timbre.framePosition;
    }
    if (sounding) {
        previous = std::move(timbre);
        s.switchRamp = 0;
    }
    timbre = std::move(next);
}

void Synthesizer::setDrone(std::optional<double> frequency, float level) {
    DroneSlot* sounding = nullptr;
    for (DroneSlot& d : drone_)
        if (d.active && d.state.to > 0.0f)
            sounding = &d;
    if (!frequency) {
        droneFrequency_.reset();
        if (sounding)
            sounding->state.retarget(0.0f);
        return;
    }
    droneFrequency_ = frequency;
    if (sounding && sounding->state.frequency == *frequency) {
        sounding->state.retarget(level);
        return;
    }
    if (sounding)
        sounding->state.retarget(0.0f);
    // The new pitch: a slot fading out at that pitch takes it back, else a free slot, else
    // the quieter one (its pitch moves on from where its level stands, without a click).
    const auto pick = [&]() -> DroneSlot* {
        for (DroneSlot& d : drone_)
            if (&d != sounding && d.active && d.state.frequency == *frequency)
                return &d;
        for (DroneSlot& d : drone_)
            if (&d != sounding && !d.active)
                return &d;
        DroneSlot* quietest = nullptr;
        for (DroneSlot& d : drone_)
            if (&d != sounding && (quietest == nullptr || d.state.gain < quietest->state.gain))
                quietest = &d;
        return quietest;
    };
    DroneSlot* slot = pick();
    if (slot == nullptr)
        return;
    VoiceState& s = slot->state;
    const bool wasActive = slot->active;
    if (!wasActive) {
        s.phase = 0.0;
        s.gain = s.from = s.to = 0.0f;
        s.ramp = droneFadeSamples;
    }
    slot->active = true;
    s.frequency = *frequency;
    s.harmonics = audibleHarmonics(*frequency);
    s.increment = phaseIncrement(*frequency, 0.0);
    s.retarget(level);
    followInstrument(s, slot->timbre, slot->previous, wasActive);
}

float Synthesizer::VoiceState::nextGain() {
    if (ramp < fadeLength) {
        gain = to >= from ? from + (to - from) * fadeValue(ramp, fadeLength)
                          : to + (from - to) * fadeValue(fadeLength - ramp, fadeLength);
        ++ramp;
    } else {
        gain = to;
    }
    return gain;
}

void Synthesizer::VoiceState::retarget(float level) {
    if (level != to) {
        from = gain;
        to = level;
        ramp = 0;
    }
}

void Synthesizer::assignVoices() {
    // The distinct notes of the sounding list. A sonority on one staff stands in the list twice;
    // its notes play at the level of once, as they would on two staves.
    std::array<const CNote*, voiceCount> distinct{};
    std::size_t count = 0;
    for (const CNote* note : soundingNotes) {
        if (note != nullptr && count < distinct.size() &&
            std::find(distinct.begin(), distinct.begin() + count, note) ==
                distinct.begin() + count) {
            distinct[count++] = note;
        }
    }
    std::array<bool, voiceCount> placed{};
    for (VoiceState& s : state_) {
        if (s.note == nullptr) {
            continue;
        }
        const auto at = std::find(distinct.begin(), distinct.begin() + count, s.note);
        if (at != distinct.begin() + count) {
            s.retarget(1.0f);
            placed[static_cast<std::size_t>(at - distinct.begin())] = true;
        } else {
            s.retarget(0.0f);
        }
    }
    for (std::size_t d = 0; d < count; ++d) {
        if (placed[d]) {
            continue;
        }
        // A leaving voice at the same pitch hands its voice over, phase and all: two voices of
        // one frequency crossfading would cancel as far as their phases differ.
        const double f = distinct[d]->soundingFrequency;
        auto handover = std::find_if(state_.begin(), state_.end(), [f](const VoiceState& s) {
            return s.note != nullptr && s.to == 0.0f && s.frequency == f;
        });
        if (handover != state_.end()) {
            handover->note = distinct[d];
            handover->retarget(1.0f);
            continue;
        }
        // A free voice, else the quietest one that is fading out.
        VoiceState* slot = nullptr;
        for (VoiceState& s : state_) {
            if (s.note == nullptr) {
                slot = &s;
                break;
            }
        }
        if (slot == nullptr) {
            for (VoiceState& s : state_) {
                if (s.to == 0.0f && (slot == nullptr || s.gain < slot->gain)) {
                    slot = &s;
                }
            }
        }
        if (slot == nullptr) {
            continue;
        }
        *slot = VoiceState{};
        slot->note = distinct[d];
        slot->retarget(1.0f);
    }
}

void Synthesizer::prepareVoices(double jitter) {
    assignVoices();
    for (std::size_t v = 0; v < state_.size(); ++v)
        followInstrument(state_[v], voices[v], previous_[v], state_[v].note != nullptr);
    for (DroneSlot& d : drone_)
        followInstrument(d.state, d.timbre, d.previous, d.active);
    for (VoiceState& s : state_) {
        // A leaving voice keeps the pitch it had: its note is no longer in the sounding list,
        // and the exercise that owned it may already be gone.
        if (s.note != nullptr && s.to != 0.0f) {
            s.frequency = s.note->soundingFrequency;
            const double f = s.note->soundingFrequency + jitter;
            s.harmonics = audibleHarmonics(f);
            s.increment = phaseIncrement(s.note->soundingFrequency, jitter);
        }
    }
}

void Synthesizer::releaseSilentVoices() {
    for (std::size_t v = 0; v < state_.size(); ++v) {
        VoiceState& s = state_[v];
        if (s.note != nullptr && s.to == 0.0f && s.gain == 0.0f) {
            s.note = nullptr;
            s.gain = 0.0f;
            previous_[v].reset();
        }
    }
    for (DroneSlot& d : drone_) {
        if (d.active && d.state.to == 0.0f && d.state.gain == 0.0f) {
            d.active = false;
            d.previous.reset();
        }
    }
}

void Synthesizer::recordBlock(int length) noexcept {
    BlockRecord& r = history_[nextRecord_];
    nextRecord_ = (nextRecord_ + 1) % history_.size();
    const std::uint32_t q = r.sequence.load(std::memory_order_relaxed);
    // The fields are stored with release and read with acquire, so that a reader which sees
    // any of this block's values also sees the odd count before them (no fences: the thread
    // sanitizer does not follow them).
    r.sequence.store(q + 1, std::memory_order_relaxed);
    int count = 0;
    for (const VoiceState& s : state_)
        if (s.note != nullptr && s.to != 0.0f)
            r.voices[static_cast<std::size_t>(count++)].store(&s);
    r.count.store(count, std::memory_order_release);
    const VoiceState* drone = nullptr;
    for (const DroneSlot& d : drone_)
        if (d.active && d.state.to > 0.0f)
            drone = &d.state;
    r.drone.store(drone);
    r.start.store(rendered_, std::memory_order_release);
    r.length.store(length, std::memory_order_release);
    r.sequence.store(q + 2, std::memory_order_release);
    rendered_ += length;
}

void Synthesizer::VoiceRecord::store(const VoiceState* s) noexcept {
    frequency.store(s ? s->frequency : 0.0, std::memory_order_release);
    phase.store(s ? s->phase : 0.0, std::memory_order_release);
    increment.store(s ? s->increment : 0.0, std::memory_order_release);
}

Synthesizer::VoiceAt Synthesizer::VoiceRecord::at(std::int64_t samplesIn) const noexcept {
    return {frequency.load(std::memory_order_acquire),
            wrapped(phase.load(std::memory_order_acquire) +
                    double(samplesIn) * increment.load(std::memory_order_acquire))};
}

bool Synthesizer::voicesAt(std::int64_t sample, SoundingAt& out) const {
    for (const BlockRecord& r : history_) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::uint32_t q = r.sequence.load(std::memory_order_acquire);
            if (q % 2 != 0)
                continue;
            const std::int64_t start = r.start.load(std::memory_order_acquire);
            const int length = r.length.load(std::memory_order_acquire);
            SoundingAt got;
            got.count = std::min(r.count.load(std::memory_order_acquire), voiceCount);
            for (std::size_t v = 0; v < static_cast<std::size_t>(got.count); ++v)
                got.voices[v] = r.voices[v].at(sample - start);
            got.drone = r.drone.at(sample - start);
            if (r.sequence.load(std::memory_order_relaxed) != q)
                continue;
            if (start < 0 || sample < start || sample >= start + length)
                break;
            out = got;
            return true;
        }
    }
    return false;
}

double Synthesizer::nextJitter() {
    return random.next() / 32767.0 * 0.125 - 0.0625;
}

double Synthesizer::referenceSample(VoiceState& s, CTimbreizer& timbre,
                                    std::optional<CTimbreizer>& previous) {
    double c = timbre.voice_sample(s.phase, s.harmonics);
    if (previous) {
        const double x = double(s.switchRamp) / switchSamples;
        c = c * x + previous->voice_sample(s.phase, s.harmonics) * (1.0 - x);
        if (++s.switchRamp >= switchSamples)
            previous.reset();
    }
    s.phase = wrapped(s.phase + s.increment);
    return c * 0.1 * s.nextGain();
}

void Synthesizer::renderReference(std::span<std::int16_t> block) {
    prepareVoices(nextJitter());
    recordBlock(static_cast<int>(block.size()));
    for (std::int16_t& sample : block) {
        float sum = 0.0f;
        for (std::size_t j = 0; j < state_.size(); ++j) {
            if (state_[j].note != nullptr)
                sum += referenceSample(state_[j], voices[j], previous_[j]);
        }
        for (DroneSlot& d : drone_) {
            if (d.active)
                sum += referenceSample(d.state, d.timbre, d.previous);
        }
        sample = toSample(sum);
    }
    releaseSilentVoices();
}

void Synthesizer::turns(Rotation& r, double increment) {
    // The voice's cosines come from turning a phasor: exact at each chunk's start, then by
    // precomputed turns of 0 .. lanes samples.
    const double c1 = std::cos(increment);
    const double s1 = std::sin(increment);
    r.cos[0] = 1.0;
    r.sin[0] = 0.0;
    for (int l = 1; l <= lanes; ++l) {
        r.cos[l] = r.cos[l - 1] * c1 - r.sin[l - 1] * s1;
        r.sin[l] = r.sin[l - 1] * c1 + r.cos[l - 1] * s1;
    }
}

void Synthesizer::render(std::span<std::int16_t> block) noexcept {
    prepareVoices(nextJitter());
    for (std::size_t v = 0; v < state_.size(); ++v) {
        if (state_[v].note != nullptr)
            turns(rotations_[v], state_[v].increment);
    }
    for (DroneSlot& d : drone_) {
        if (d.active)
            turns(d.rotation, d.state.increment);
    }
    recordBlock(static_cast<int>(block.size()));

    std::size_t done = 0;
    while (done < block.size()) {
        const int n = static_cast<int>(std::min<std::size_t>(chunkSize, block.size() - done));
        std::fill(mix_.begin(), mix_.begin() + n, 0.0f);
        for (std::size_t v = 0; v < state_.size(); ++v) {
            if (state_[v].note != nullptr)
                renderVoice(state_[v], rotations_[v], voices[v], previous_[v], n);
        }
        for (DroneSlot& d : drone_) {
            if (d.active)
                renderVoice(d.state, d.rotation, d.timbre, d.previous, n);
        }
        for (int i = 0; i < n; ++i) {
            block[done + static_cast<std::size_t>(i)] = toSample(mix_[i]);
        }
        done += static_cast<std::size_t>(n);
    }
    releaseSilentVoices();
}

void Synthesizer::renderVoice(VoiceState& s, const Rotation& r, CTimbreizer& timbre,
                              std::optional<CTimbreizer>& previous, int count) noexcept {
    double zc = std::cos(s.phase);
    double zs = std::sin(s.phase);
    s.phase = wrapped(s.phase + count * s.increment);
    const float* gains = nullptr;
    if (s.ramp >= s.fadeLength) {
        s.gain = s.to;
    } else {
        for (int i = 0; i < count; ++i) {
            gains_[static_cast<std::size_t>(i)] = s.nextGain() * 0.1f;
        }
        gains = gains_.data();
    }
    if (!previous) {
        renderTimbre(timbre, zc, zs, r, count, s.harmonics, gains, s.to * 0.1f);
        return;
    }
    // A change of instrument: both tables in the same phase, their weights crossing linearly,
    // so that the wave turns smoothly from one timbre into the other.
    for (int i = 0; i < count; ++i) {
        const float x = std::min(1.0f, float(s.switchRamp + i) / switchSamples);
        const float g = gains != nullptr ? gains[i] : s.to * 0.1f;
        newGains_[static_cast<std::size_t>(i)] = g * x;
        oldGains_[static_cast<std::size_t>(i)] = g * (1.0f - x);
    }
    double oldZc = zc, oldZs = zs;
    renderTimbre(*previous, oldZc, oldZs, r, count, s.harmonics, oldGains_.data(), 0.0f);
    renderTimbre(timbre, zc, zs, r, count, s.harmonics, newGains_.data(), 0.0f);
    s.switchRamp += count;
    if (s.switchRamp >= switchSamples)
        previous.reset();
}

void Synthesizer::renderTimbre(CTimbreizer& timbre, double& zc, double& zs, const Rotation& r,
                               int count, int harmonics, const float* gains,
                               float level) noexcept {
    const SegmentRenderer render = segmentRenderer();
    int i = 0;
    while (i < count) {
        const int n = std::min(count - i, timbre.hopSize - timbre.framePosition);
        const float* from = timbre.currentRow();
        render(zc, zs, r.cos.data(), r.sin.data(), n, from, from + CTimbreizer::harmonicCount,
               timbre.framePosition, timbre.hopSize, harmonics,
               gains != nullptr ? gains + i : nullptr, level, mix_.data() + i);
        timbre.advance(n);
        i += n;
    }
}

} // namespace sorvel
