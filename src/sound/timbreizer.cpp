#include "timbreizer.h"

#include "pitch.h"

#include <cmath>
#include <cstdint>
#include <utility>

namespace sorvel {

CTimbreizer::CTimbreizer() : CTimbreizer("bassoboe.wav") {}

CTimbreizer::CTimbreizer(const std::string& fileName) {
    setParameters();
    std::vector<std::uint8_t> data;
    const std::uint32_t bytes = read_wave(fileName, format, data);
    // Whatever the format chunk says, the data are 16-bit mono.
    const std::size_t count = bytes / 2;
    sampleValues.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto v = static_cast<std::int16_t>(data[2 * i] | data[2 * i + 1] << 8);
        sampleValues[i] = v * (1.0 / 65536.0);
    }
    analyse(fileName);
}

CTimbreizer::CTimbreizer(FromSamples, std::vector<double> values, const std::string& name) {
    setParameters();
    sampleValues = std::move(values);
    analyse(name);
}

CTimbreizer CTimbreizer::fromSamples(std::vector<double> values, const std::string& name) {
    return CTimbreizer(FromSamples{}, std::move(values), name);
}

void CTimbreizer::setParameters() {
    referenceFrequency = equalFrequency(53); // the recording's F3
    referenceBin = frameSize / sampleRate * referenceFrequency;
    harmonicBinStep = std::floor(referenceBin);
}

void CTimbreizer::analyse(const std::string& name) {
    sampleCount = static_cast<int>(sampleValues.size());
    const int frames = frameCount(sampleCount, frameSize, hopSize);
    // Without a candidate start there is no loop to play; refuse rather than read past tables.
    if (frames < minLoopStart + loopLength + 1) {
        throw Exception(name + " is too short for a sustain loop: it has " +
                        std::to_string(sampleCount) + " samples, at least " +
                        std::to_string(frameSize + (minLoopStart + loopLength) * hopSize) +
                        " are needed.");
    }
    samples.assign(sampleValues.begin(), sampleValues.end());
    spectra = spectrogram(samples, frameSize, hopSize);

    harmonicFrames.clear();
    for (const vecf& s : spectra) {
        vecf amplitudes(harmonicCount, 0.0f);
        for (int h = 1; h <= harmonicCount; ++h) {
            float sum = 0.0f;
            for (int k = static_cast<int>(h * harmonicBinStep); k <= h * harmonicBinStep; ++k) {
                const float re = s[2 * k + 1];
                const float im = s[2 * k + 2];
                const auto power = static_cast<float>(double(re) * re + double(im) * im);
                sum += static_cast<float>(2.0 * std::sqrt(power) / frameSize);
            }
            amplitudes[h - 1] = sum;
        }
        harmonicFrames.push_back(std::move(amplitudes));
    }

    flux.clear();
    for (int f = 1; f < frames; ++f) {
        float change = 0.0f;
        for (int h = 0; h < harmonicCount; ++h) {
            const double d = (double(harmonicFrames[f][h]) - harmonicFrames[f - 1][h]) * 1000.0;
            change += static_cast<float>(std::pow(d, 16));
        }
        flux.push_back(change);
    }

    scores.clear();
    int best = minLoopStart;
    for (int s = minLoopStart; s < frames - loopLength; ++s) {
        float score = 0.0f;
        for (int m = 0; m <= loopLength - 2; ++m) {
            score += flux[s + m];
        }
        scores.push_back(score);
        if (score < scores[best - minLoopStart]) {
            best = s;
        }
    }
    attackFrames = best;

    loopFrames.clear();
    for (int f = best; f < best + loopLength; ++f) {
        loopFrames.push_back(harmonicFrames[f]);
    }
    for (int f = best + loopLength - 2; f >= best; --f) {
        loopFrames.push_back(harmonicFrames[f]);
    }

    playbackTable.clear();
    for (int f = 0; f <= attackFrames; ++f) {
        playbackTable.insert(playbackTable.end(), harmonicFrames[f].begin(),
                             harmonicFrames[f].end());
    }
    for (const vecf& row : loopFrames) {
        playbackTable.insert(playbackTable.end(), row.begin(), row.end());
    }
}

double CTimbreizer::voice_sample(double phase) {
    const matf& table = sustaining ? loopFrames : harmonicFrames;
    const vecf& from = table[frameIndex];
    const vecf& to = table[frameIndex + 1];
    const double keep = double(hopSize - framePosition) / hopSize;
    const double glide = double(framePosition) / hopSize;
    double value = 0.0;
    for (int h = 1; h <= harmonicCount; ++h) {
        value += std::cos(h * phase) * (keep * from[h - 1] + glide * to[h - 1]);
    }
    advance(1);
    return value;
}

void CTimbreizer::advance(int count) {
    framePosition += count;
    while (framePosition >= hopSize) {
        framePosition -= hopSize;
        ++frameIndex;
        if (!sustaining) {
            if (frameIndex == attackFrames) {
                sustaining = true;
                frameIndex = 0;
            }
        } else if (frameIndex == 2 * loopLength - 2 || loopLength == 1) {
            frameIndex = 0;
        }
    }
}

} // namespace sorvel
