// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering one second of eight distinct notes and the drone, at the bottom of the range (the
// worst case) and at the top, fast and straightforward, and building the eight voices from the
// recording.
// Prints the speed-up and the margin over real time of each.
#include "sound.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include <unistd.h>

namespace {

const std::string recording = std::string(SORVEL_ASSET_DIR) + "/bassoboe.wav";
constexpr int oneSecond = 22050;

// Eight distinct held notes (past their fade-in), one voice each, and the drone an octave
// below the lowest: the most the synthesizer plays. At the bottom of the range all 32
// harmonics of every voice sound, the worst case; at the top most of them lie above half the
// sample rate and are left out.
struct Sonority {
    explicit Sonority(int lowestMidi) : synth(sorvel::CTimbreizer(recording)) {
        std::vector<sorvel::CNote*> sounding;
        for (int i = 0; i < 8; ++i) {
            notes[i].soundingFrequency = 440.0 * std::pow(2.0, (lowestMidi + i - 69) / 12.0);
            sounding.push_back(&notes[i]);
        }
        synth.setSounding(sounding);
        synth.setDrone(notes[0].soundingFrequency / 2, 0.5f);
        synth.render(block);
    }
    sorvel::CNote notes[8];
    sorvel::Synthesizer synth;
    std::vector<std::int16_t> block = std::vector<std::int16_t>(oneSecond);
};

// The cases by their lowest MIDI note: A2 .. E3, and A#4 .. F5 at the top of the range.
constexpr int bottom = 45;
constexpr int top = 70;

void renderFast(benchmark::State& state) {
    Sonority sonority(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        sonority.synth.render(sonority.block);
        benchmark::DoNotOptimize(sonority.block.data());
    }
}

void renderReference(benchmark::State& state) {
    Sonority sonority(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        sonority.synth.renderReference(sonority.block);
        benchmark::DoNotOptimize(sonority.block.data());
    }
}

void buildVoices(benchmark::State& state) {
    for (auto _ : state) {
        sorvel::Synthesizer synth(recording);
        benchmark::DoNotOptimize(synth.voices.data());
    }
}

BENCHMARK(renderFast)->Arg(bottom)->Arg(top)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(renderReference)->Arg(bottom)->Arg(top)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(buildVoices)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps each benchmark's CPU time per iteration (in seconds) for the summary.
class Recorder : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that a saved log stays plain text.
    Recorder() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                const std::string name = run.benchmark_name();
                seconds[name.substr(0, name.find("/min_time"))] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();

    const struct {
        int lowest;
        const char* name;
    } cases[] = {{bottom, "eight distinct notes A2-E3 and the drone (all 32 harmonics)"},
                 {top, "eight distinct notes A#4-F5 and the drone (top of the range)"}};
    for (const auto& c : cases) {
        const std::string arg = "/" + std::to_string(c.lowest);
        auto fast = recorder.seconds.find("renderFast" + arg);
        auto reference = recorder.seconds.find("renderReference" + arg);
        if (fast == recorder.seconds.end() || reference == recorder.seconds.end()) {
            continue;
        }
        const double realTime = 1.0 / fast->second;
        std::printf("\n1 s of %s: fast %.3f ms, reference %.1f ms (CPU time)\n", c.name,
                    fast->second * 1e3, reference->second * 1e3);
        std::printf("speed-up over the reference: %.0fx\n", reference->second / fast->second);
        std::printf("faster than real time: %.0fx (target 3000x) %s\n", realTime,
                    realTime >= 3000 ? "met" : "NOT MET");
    }
    return 0;
}
