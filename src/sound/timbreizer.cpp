// SPDX-License-Identifier: GPL-3.0-or-later
#include "timbreizer.h"

#include "pitch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>

namespace sorvel {

CTimbreizer::CTimbreizer() : CTimbreizer("bassoboe.wav") {}

namespace {

[[noreturn]] void outOfMemory(const std::string& name) {
    throw Exception(name + " is too large: there is not enough memory to analyse it.");
}

} // namespace

std::vector<double> decodeSamples(const std::vector<std::uint8_t>& bytes) {
    // Whatever the format chunk says, the data are 16-bit mono.
    std::vector<double> values(bytes.size() / 2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto v = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        values[i] = v * (1.0 / 65536.0);
    }
    return values;
}

CTimbreizer::CTimbreizer(const std::string& fileName) {
    setParameters();
    std::vector<double> values;
    {
        std::vector<std::uint8_t> data;
        read_wave(fileName, format, data,
                  static_cast<std::uint64_t>(maxSeconds) * static_cast<int>(sampleRate) * 2);
        try {
            values = decodeSamples(data);
        } catch (const std::bad_alloc&) {
            outOfMemory(fileName);
        }
    }
    analyse(std::move(values), fileName);
}

CTimbreizer::CTimbreizer(FromSamples, std::vector<double> values, const std::string& name) {
    setParameters();
    analyse(std::move(values), name);
}

CTimbreizer CTimbreizer::fromSamples(std::vector<double> values, const std::string& name) {
    return CTimbreizer(FromSamples{}, std::move(values), name);
}

CTimbreizer CTimbreizer::fromLevels(const std::array<float, 32>& levels) {
    CTimbreizer t{Unanalysed{}};
    t.setParameters();
    auto tables = std::make_shared<TimbreTables>();
    const vecf row(levels.begin(), levels.end());
    // One attack frame, then the loop: every frame the same.
    t.attackFrames = tables->attackFrames = 1;
    tables->harmonicFrames.assign(2, row);
    tables->loopFrames.assign(static_cast<std::size_t>(2 * t.loopLength - 1), row);
    for (std::size_t f = 0; f < tables->harmonicFrames.size() + tables->loopFrames.size(); ++f)
        tables->playbackTable.insert(tables->playbackTable.end(), row.begin(), row.end());
    t.tables_ = std::move(tables);
    return t;
}

void CTimbreizer::setParameters() {
    referenceFrequency = equalFrequency(53); // the recording's F3
    referenceBin = frameSize / sampleRate * referenceFrequency;
    harmonicBinStep = std::floor(referenceBin);
}

void CTimbreizer::analyse(std::vector<double> values, const std::string& name) {
    sampleCount = static_cast<int>(values.size());
    const int frames = frameCount(sampleCount, frameSize, hopSize);
    // Without a candidate start there is no loop to play; refuse rather than read past tables.
    if (frames < minLoopStart + loopLength + 1) {
        throw Exception(name + " is too short for a sustain loop: it has " +
                        std::to_string(sampleCount) + " samples, at least " +
                        std::to_string(frameSize + (minLoopStart + loopLength) * hopSize) +
                        " are needed.");
    }
    auto t = std::make_shared<TimbreTables>();
    try {
        t->sampleCount = sampleCount;
        // The samples and their spectra are scratch: gone when this block ends.
        matf spectra;
        {
            const vecf samples(values.begin(), values.end());
            values = {};
            spectra = spectrogram(samples, frameSize, hopSize);
        }
        t->harmonicFrames.reserve(spectra.size());
        for (vecf& s : spectra) {
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
            t->harmonicFrames.push_back(std::move(amplitudes));
            s = vecf();
        }
    } catch (const std::bad_alloc&) {
        outOfMemory(name);
    }
    const matf& harmonicFrames = t->harmonicFrames;

    vecf& flux = t->flux;
    for (int f = 1; f < frames; ++f) {
        float change = 0.0f;
        for (int h = 0; h < harmonicCount; ++h) {
            const double d = (double(harmonicFrames[f][h]) - harmonicFrames[f - 1][h]) * 1000.0;
            change += static_cast<float>(std::pow(d, 16));
        }
        flux.push_back(change);
    }

    vecf& scores = t->scores;
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
    t->attackFrames = best;

    matf& loopFrames = t->loopFrames;
    for (int f = best; f < best + loopLength; ++f) {
        loopFrames.push_back(harmonicFrames[f]);
    }
    for (int f = best + loopLength - 2; f >= best; --f) {
        loopFrames.push_back(harmonicFrames[f]);
    }

    std::vector<float>& playbackTable = t->playbackTable;
    for (int f = 0; f <= attackFrames; ++f) {
        playbackTable.insert(playbackTable.end(), harmonicFrames[f].begin(),
                             harmonicFrames[f].end());
    }
    for (const vecf& row : loopFrames) {
        playbackTable.insert(playbackTable.end(), row.begin(), row.end());
    }
    tables_ = std::move(t);
}

double CTimbreizer::voice_sample(double phase, int harmonics) {
    const matf& table = sustaining ? tables_->loopFrames : tables_->harmonicFrames;
    const vecf& from = table[frameIndex];
    const vecf& to = table[frameIndex + 1];
    const double keep = double(hopSize - framePosition) / hopSize;
    const double glide = double(framePosition) / hopSize;
    double value = 0.0;
    for (int h = 1; h <= std::min(harmonics, harmonicCount); ++h) {
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
