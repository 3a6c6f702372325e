// The instrument's timbre: a table of 32 harmonic amplitudes per 256-sample frame, measured
// from one recording of a held F3, with an attack followed by a seamless back-and-forth
// sustain loop over the recording's steadiest 15 frames.
//
//   sorvel::CTimbreizer voice;              // reads and analyses "bassoboe.wav"
//   double v = voice.voice_sample(phase);   // next output value; advances the voice
#pragma once

#include "fft.h"
#include "readwave.h"

#include <string>
#include <vector>

namespace sorvel {

class CTimbreizer {
public:
    static constexpr int harmonicCount = 32;
    static constexpr double sampleRate = 22050.0;

    // Reads the recording `fileName` (default: "bassoboe.wav" in the working directory) and
    // analyses it. Throws Exception naming the file when it cannot be read or is too short.
    CTimbreizer();
    explicit CTimbreizer(const std::string& fileName);
    // Analyses samples already on the recording's scale (16-bit value * 2^-16); `name` stands
    // for the file in error messages.
    static CTimbreizer fromSamples(std::vector<double> samples, const std::string& name);

    // The next output value for the fundamental phase `phase`: the sum of the 32 harmonics'
    // cosines, their amplitudes interpolated between two frames; advances by one sample.
    // This is the straightforward form; the Synthesizer renders blocks with a faster one.
    double voice_sample(double phase);

    // Moves the playback position on by `count` samples, as `count` calls of voice_sample do.
    void advance(int count);

    // The amplitude row the playback position glides from; the next row follows it in memory.
    const float* currentRow() const {
        return playbackTable.data() +
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
    std::vector<double> sampleValues;
    vecf samples;
    matf spectra;
    matf harmonicFrames; // 32 amplitudes per analysis frame
    vecf flux;           // change from frame f to f + 1
    vecf scores;         // one per candidate loop start, from minLoopStart on
    matf loopFrames;     // 29 frames: s .. s + 14 .. s
    // Attack frames 0 .. attackFrames, then the 29 loop frames, row after row.
    std::vector<float> playbackTable;

private:
    struct FromSamples {};
    CTimbreizer(FromSamples, std::vector<double> samples, const std::string& name);
    void setParameters();
    void analyse(const std::string& name);
};

} // namespace sorvel
