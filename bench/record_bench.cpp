// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one Check Answer's row in the Session Record window: appended to a record of about 0
// and about 2000 rows, against the straightforward rebuild of the whole table. Run
// build/bench/record_bench (it needs no display).
#include "sessionrecordform.h"

#include <QApplication>
#include <QTableWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace sorvel {
namespace {

// A tuned interval of four notes as a check would record it.
CMusic checkedChord() {
    CTwoStaffChord columns;
    columns.columns.emplace_back();
    for (int letter : {0, 2, 4, 6}) {
        CNote n(3, letter, 0, std::vector<double>(5, 220.0 * (1 + letter / 10.0)), 0);
        n.soundingFrequency *= 1.004;
        columns.columns[0].notes.push_back(n);
    }
    return buildMusic(columns);
}

struct Fixture {
    SessionRecord record;
    TSessionRecordForm form{record, nullptr};
    CMusic score = checkedChord();
    NewExercise made;
    explicit Fixture(int rows) {
        made.task = tuneTask;
        made.category = ExerciseCategory::chords;
        made.chosenType = 4;
        for (int i = 0; i < rows; ++i)
            record.add(score, made, {2, 0}, "12:00:00");
        form.refresh();
    }
    void check() { record.add(score, made, {2, 0}, "12:00:01"); }
};

void appendRow(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.check();
        f.form.refresh();
    }
}

// What the window did before: every check filled the whole table again and measured it.
void rebuildTable(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.check();
        f.form.RowsTable->setRowCount(0);
        f.form.refresh();
        f.form.RowsTable->resizeColumnsToContents();
    }
}

BENCHMARK(appendRow)->Arg(0)->Arg(2000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(rebuildTable)->Arg(2000)->Iterations(20)->Unit(benchmark::kMillisecond);

class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                seconds[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace
} // namespace sorvel

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    sorvel::Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    const auto& s = recorder.seconds;
    const auto at = [&s](const char* name) {
        const auto it = s.find(name);
        return it == s.end() ? 0.0 : it->second;
    };
    const double empty = at("appendRow/0/iterations:200");
    const double full = at("appendRow/2000/iterations:200");
    const double rebuild = at("rebuildTable/2000/iterations:20");
    if (empty > 0 && full > 0 && rebuild > 0) {
        std::printf("\none row at 0 rows %.3f ms, at 2000 rows %.3f ms (ratio %.2f)\n",
                    empty * 1e3, full * 1e3, full / empty);
        std::printf("rebuilding the table at 2000 rows %.2f ms: %.0fx the append\n",
                    rebuild * 1e3, rebuild / full);
    }
    return 0;
}
