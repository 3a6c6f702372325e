// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument's timbre: a table of 32 harmonic amplitudes per 256-sample frame, measured
// from one recording of a held F3, with an attack followed by a seamless back-and-forth
// sustain loop over the recording's steadiest 15 frames.
//
//   sorvel::CTimbreizer voice;              // reads and analyses "bassoboe.wav"
//   double v = voice.voice_sample(phase);   // next output value; advances the voice
//   sorvel::CTimbreizer other = voice;      // shares the tables, has its own playback
#pragma once

#include "fft.h"
#include "readwave.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace sorvel {

// What the analysis keeps: the amplitude tables and the figures that chose the loop. It is
// built once and shared by every voice; the samples and spectra it came from are dropped.
struct TimbreTables {
    int attackFrames = 0;
    int sampleCount = 0;
    matf harmonicFrames; // 32 amplitudes per analysis frame
    vecf flux;           // change from frame f to f + 1
    vecf scores;         // one per candidate loop start, from minLoopStart on
    matf loopFrames;     // 29 frames: s .. s + 14 .. s
    // Attack frames 0 .. attackFrames, then the 29 loop frames, row after row.
    std::vector<float> playbackTable;
};

// The data chunk as 16-bit little-endian samples on the recording's scale (value * 2^-16).
std::vector<double> decodeSamples(const std::vector<std::uint8_t>& bytes);

class CTimbreizer {
public:
    static constexpr int harmonicCount = 32;
    static constexpr double sampleRate = 22050.0;

    // Reads the recording `fileName` (default: "bassoboe.wav" in the working directory) and
    // analyses it. Throws Exception naming the file when it cannot be read, is too short or
    // too long (more than maxSeconds of sound), or does not fit in memory.
    CTimbreizer();
    explicit CTimbreizer(const std::string& fileName);
    // Analyses samples already on the recording's scale (16-bit value * 2^-16); `name` stands
    // for the file in error messages.
    static CTimbreizer fromSamples(std::vector<double> samples, const std::string& name);
    // A timbre made without a recording: harmonic h (1..32) at `levels[h - 1]` throughout, on
    // the recording's scale (a steady sine of amplitude A in a recording reads A / 2).
    static CTimbreizer fromLevels(const std::array<float, 32>& levels);

    static constexpr int maxSeconds = 60;

    // The next output value for the fundamental phase `phase`: the sum of the 32 harmonics'
    // cosines, their amplitudes interpolated between two frames; advances by one sample.
    // Harmonics from `harmonics` + 1 on are left out. This is the straightforward form; the
    // Synthesizer renders blocks with a faster one.
    double voice_sample(double phase, int harmonics = harmonicCount);

    // Moves the playback position on by `count` samples, as `count` calls of voice_sample do.
    void advance(int count);

    // The amplitude row the playback position glides from; the next row follows it in memory.
    const float* currentRow() const {
        return tables_->playbackTable.data() +
               static_cast<std::size_t>((sustaining ? attackFrames + 1 : 0) + frameIndex) *
                   harmonicCount;
    }

    // Analysis parameters.
    int frameSize = 1024;
    int hopSize = 256;
    int attackFrames = 0;
    int loopLength = 15;
    int minLoopStart = 20;
    int sampleCount = 0;
    double referenceFrequency = 0.0; // pitch 53
    double referenceBin = 0.0;       // 8.1091
    double harmonicBinStep = 0.0;    // 8

    // Playback.
    bool sustaining = false;
    int framePosition = 0;
    int frameIndex = 0;

    WaveFormat format;

    const TimbreTables& tables() const { return *tables_; }
    // The held tone's amplitudes of harmonics 1..32 (the sustain loop's first frame).
    const vecf& heldLevels() const { return tables_->loopFrames.front(); }

private:
    struct FromSamples {};
    struct Unanalysed {};
    explicit CTimbreizer(Unanalysed) {}
    CTimbreizer(FromSamples, std::vector<double> samples, const std::string& name);
    void setParameters();
    void analyse(std::vector<double> samples, const std::string& name);

    std::shared_ptr<const TimbreTables> tables_;
};

} // namespace sorvel
