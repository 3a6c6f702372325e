// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering one second of a four-note chord entered twice (eight entries in the sounding list,
// the most the hover logic makes), fast and straightforward, and building the eight voices from
// the recording. Prints the speed-up and the margin over real time.
#include "sound.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include <unistd.h>

namespace {

const std::string recording = std::string(SORVEL_ASSET_DIR) + "/bassoboe.wav";
constexpr int oneSecond = 22050;

// A four-note chord (C3 E3 G3 C4) standing twice, held (past its fade-in).
struct Chord {
    Chord() : synth(sorvel::CTimbreizer(recording)) {
        const double frequencies[] = {130.81, 164.81, 196.0, 261.63};
        for (int i = 0; i < 4; ++i) {
            notes[i].soundingFrequency = frequencies[i];
        }
        std::vector<sorvel::CNote*> sounding;
        for (int i = 0; i < 8; ++i) {
            sounding.push_back(&notes[i % 4]);
        }
        synth.setSounding(sounding);
        synth.render(block);
    }
    sorvel::CNote notes[4];
    sorvel::Synthesizer synth;
    std::vector<std::int16_t> block = std::vector<std::int16_t>(oneSecond);
};

void renderFast(benchmark::State& state) {
    Chord chord;
    for (auto _ : state) {
        chord.synth.render(chord.block);
        benchmark::DoNotOptimize(chord.block.data());
    }
}

void renderReference(benchmark::State& state) {
    Chord chord;
    for (auto _ : state) {
        chord.synth.renderReference(chord.block);
        benchmark::DoNotOptimize(chord.block.data());
    }
}

void buildVoices(benchmark::State& state) {
    for (auto _ : state) {
        sorvel::Synthesizer synth(recording);
        benchmark::DoNotOptimize(synth.voices.data());
    }
}

BENCHMARK(renderFast)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(renderReference)->Unit(benchmark::kMillisecond)->MinTime(2.0);
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
                seconds[name.substr(0, name.find('/'))] =
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

    auto fast = recorder.seconds.find("renderFast");
    auto reference = recorder.seconds.find("renderReference");
    if (fast == recorder.seconds.end() || reference == recorder.seconds.end()) {
        return 0;
    }
    const double speedUp = reference->second / fast->second;
    const double realTime = 1.0 / fast->second;
    std::printf("\n1 s of a four-note chord entered twice: fast %.3f ms, reference %.1f ms "
                "(CPU time)\n",
                fast->second * 1e3, reference->second * 1e3);
    std::printf("speed-up over the reference: %.0fx\n", speedUp);
    std::printf("faster than real time: %.0fx (target 3000x) %s\n", realTime,
                realTime >= 3000 ? "met" : "NOT MET");
    return 0;
}
