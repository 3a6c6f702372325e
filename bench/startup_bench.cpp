// SPDX-License-Identifier: GPL-3.0-or-later
// How long Sorvel takes from exec to its window mapped on the X display, against a bare Qt
// window of the same size started the same way, in one run: the two are started in turn, each
// run timed from the spawn to the MapNotify the X server sends for the new window. Prints both
// medians, the difference (the goal: within 15 ms) and the ratio. A third yardstick, the bare
// window with one label, shows what a window pays for having any text at all on the machine at
// hand: the font configuration, the font list and the first font. Run it on a display, e.g.
//   xvfb-run -a build/bench/startup_bench
#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

xcb_connection_t* display = nullptr;
int width = 938, height = 511; // taken from Sorvel's own window on its first start
std::vector<double> sorvelTimes, bareTimes, textTimes;

// Spawns `argv` in `folder` and returns the seconds until a top-level window maps; the
// program is then ended.
double secondsToMapped(std::vector<std::string> argv, const char* folder, bool measureSize) {
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    xcb_flush(display);
    while (xcb_generic_event_t* stale = xcb_poll_for_event(display))
        std::free(stale);
    const char* here = getcwd(nullptr, 0);
    if (chdir(folder) != 0)
        std::abort();
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, args[0], nullptr, nullptr, args.data(), environ) != 0)
        std::abort();
    if (chdir(here) != 0)
        std::abort();
    double seconds = -1;
    while (xcb_generic_event_t* e = xcb_wait_for_event(display)) {
        const bool mapped = (e->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            !reinterpret_cast<xcb_map_notify_event_t*>(e)->override_redirect;
        if (mapped) {
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                          .count();
            if (measureSize) {
                const xcb_window_t w = reinterpret_cast<xcb_map_notify_event_t*>(e)->window;
                if (auto* g = xcb_get_geometry_reply(display, xcb_get_geometry(display, w),
                                                     nullptr)) {
                    width = g->width;
                    height = g->height;
                    std::free(g);
                }
            }
        }
        std::free(e);
        if (mapped)
            break;
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return seconds;
}

void startSorvel(benchmark::State& state) {
    for (auto _ : state) {
        const double s = secondsToMapped({SORVEL_PROGRAM}, SORVEL_RUNTIME_DIR, true);
        state.SetIterationTime(s);
        sorvelTimes.push_back(s);
    }
}

void startBare(benchmark::State& state, std::vector<double>& times, const char* content) {
    for (auto _ : state) {
        const double s = secondsToMapped(
            {SORVEL_BARE_WINDOW, std::to_string(width), std::to_string(height), content}, ".",
            false);
        state.SetIterationTime(s);
        times.push_back(s);
    }
}

void startBareWindow(benchmark::State& state) {
    startBare(state, bareTimes, "empty");
}

void startBareWindowWithText(benchmark::State& state) {
    startBare(state, textTimes, "text");
}

// In turn, so that both meet the same state of the machine.
BENCHMARK(startSorvel)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(startBareWindow)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(startBareWindowWithText)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(startSorvel)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(startBareWindow)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(startBareWindowWithText)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    display = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(display)) {
        std::fprintf(stderr, "startup_bench needs an X display (run it under xvfb-run -a)\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(display)).data;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(display, screen->root, XCB_CW_EVENT_MASK, &mask);
    // No sound device is needed to show the window.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The first three of each warm the caches; the medians are of the rest.
    const auto warm = [](std::vector<double> v) {
        return std::vector<double>(v.begin() + std::min<std::size_t>(3, v.size()), v.end());
    };
    const double sorvel = median(warm(sorvelTimes)), bare = median(warm(bareTimes)),
                 text = median(warm(textTimes));
    std::printf("\nexec to window mapped (%d x %d), median: Sorvel %.1f ms, bare Qt window "
                "%.1f ms\n",
                width, height, sorvel * 1e3, bare * 1e3);
    std::printf("Sorvel is %.1f ms over the bare window (goal: within 15 ms) %s; ratio %.2f\n",
                (sorvel - bare) * 1e3, sorvel - bare <= 0.015 ? "met" : "NOT MET", sorvel / bare);
    std::printf("the bare window with one label: %.1f ms, %.1f ms over the bare window; Sorvel is "
                "%.1f ms over it\n",
                text * 1e3, (text - bare) * 1e3, (sorvel - text) * 1e3);
    xcb_disconnect(display);
    return 0;
}
