// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdlaudio.h"
#include "soundtick.h"
#include "waveout.h"
#include "wakeups.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace sorvel {
namespace {

using namespace std::chrono_literals;

// Points SDL's disk driver at a file of the test's own; the file is read once the backend that
// wrote it is gone.
class DiskRecording {
public:
    explicit DiskRecording(const std::string& name) : path_(name + ".raw") {
        std::remove(path_.c_str());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
    }
    ~DiskRecording() { std::remove(path_.c_str()); }

    std::vector<std::int16_t> samples() const {
        std::ifstream file(path_, std::ios::binary);
        std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
        std::vector<std::int16_t> out(bytes.size() / 2);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                               (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        return out;
    }

private:
    std::string path_;
};

struct Quiet {
    explicit Quiet(WaveOut& device) {
        device.setPrinter([](std::string_view) {});
    }
};

// Whether SDL can start its disk driver at all; the tests below need it.
bool diskDriverStarts(SdlAudioBackend& backend) {
    return backend.open(sampleRate, {});
}

// Waits (up to a second, in steps of a millisecond) until `count()` reaches `wanted`.
template <class Count> bool waitUntil(Count count, int wanted) {
    for (int i = 0; i < 1000 && count() < wanted; ++i)
        std::this_thread::sleep_for(1ms);
    return count() >= wanted;
}
bool waitFor(const std::atomic<int>& done, int wanted) {
    return waitUntil([&done] { return done.load(); }, wanted);
}

TEST(sdl_audio, an_unusable_device_ends_the_program_at_start) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO); // so that the printed lines can be matched
            setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
            SdlAudioBackend backend;
            WaveOut device(backend);
            device.start_playing(sampleRate);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1),
        "problem in waveOutOpen\\(\\)\nowyyyie\nSorvel: The sound device could not be opened");
}

TEST(sdl_audio, a_device_prepared_on_its_thread_reports_done_and_keeps_the_reason_it_failed) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlAudioBackend backend;
    std::atomic<int> done{0};
    backend.prepare(sampleRate, [&done] { ++done; });
    ASSERT_TRUE(waitFor(done, 1));
    EXPECT_FALSE(backend.open(sampleRate, {}));
    EXPECT_FALSE(backend.reset());
    EXPECT_NE(backend.lastError().find("no-such-driver"), std::string::npos)
        << backend.lastError();
    backend.prepare(sampleRate, [&done] { ++done; }); // once tried: only reports
    EXPECT_EQ(done.load(), 2);
}

// Opened at once, and prepared on the backend's own thread before the first open.
class sdl_audio_opening : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(at_once_or_prepared, sdl_audio_opening, ::testing::Bool());

TEST_P(sdl_audio_opening, plays_queued_blocks_in_order_and_silence_between) {
    DiskRecording recording(GetParam() ? "order-prepared" : "order");
    std::vector<std::int16_t> a(700, 1000), b(300, -2000);
    std::atomic<int> done{0};
    {
        SdlAudioBackend backend;
        std::atomic<int> prepared{0};
        if (GetParam()) // the open below waits for the thread, which has reported by then
            backend.prepare(sampleRate, [&prepared] { ++prepared; });
        if (!diskDriverStarts(backend))
            GTEST_SKIP() << "SDL cannot start its disk audio driver: " << backend.lastError();
        EXPECT_EQ(prepared.load(), GetParam() ? 1 : 0);
        ASSERT_TRUE(backend.open(sampleRate,
                                 {[](void* c) { ++*static_cast<std::atomic<int>*>(c); }, &done}));
        WaveHeader first{a.data(), 1400, 0}, second{b.data(), 600, 0};
        ASSERT_TRUE(backend.queue(first));
        ASSERT_TRUE(backend.queue(second));
        ASSERT_TRUE(waitFor(done, 2));
        std::this_thread::sleep_for(60ms); // some silence after the blocks
        ASSERT_TRUE(backend.close());
    }
    EXPECT_EQ(done.load(), 2);
    const std::vector<std::int16_t> played = recording.samples();
    std::size_t start = 0;
    while (start < played.size() && played[start] == 0)
        ++start;
    ASSERT_LT(start + 1000, played.size());
    for (std::size_t i = 0; i < 700; ++i)
        ASSERT_EQ(played[start + i], 1000) << i;
    for (std::size_t i = 700; i < 1000; ++i)
        ASSERT_EQ(played[start + i], -2000) << i;
    for (std::size_t i = start + 1000; i < played.size(); ++i)
        ASSERT_EQ(played[i], 0) << i;
}

TEST(sdl_audio, an_idle_device_rests_and_the_next_sound_starts_at_once) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlAudioBackend backend;
    WaveOut device(backend);
    Quiet quiet(device);
    if (!backend.open(sampleRate, {}))
        GTEST_SKIP() << "SDL cannot start its dummy audio driver: " << backend.lastError();
    device.start_playing(sampleRate);
    std::vector<std::int16_t> tone(600);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::int16_t>(8000 * std::sin(0.1 * double(i)));
    OutputBuffers buffers(1200);
    device.write_samples(tone, buffers.blockBytes(), buffers);
    ASSERT_TRUE(waitUntil([&device] { return device.blocksDone(); }, 1));
    device.end_playing();
    // Stopped but running: the device's thread still wakes for every buffer of silence.
    long before = testing::threadWakeups();
    std::this_thread::sleep_for(500ms);
    const long running = testing::threadWakeups() - before;
    EXPECT_GT(running, 4) << "the count sees the device's thread";

    device.rest();
    ASSERT_TRUE(backend.isResting());
    before = testing::threadWakeups();
    std::this_thread::sleep_for(4s);
    const long resting = testing::threadWakeups() - before;
#ifndef __SANITIZE_THREAD__
    // ThreadSanitizer's own background thread wakes about ten times a second; the normal build
    // counts the program's threads alone.
    EXPECT_LE(resting, 8) << "at most 2 wakeups a second at rest";
#endif

    // Waking: open again, queue, and the device has taken the block within 50 ms.
    const auto start = std::chrono::steady_clock::now();
    device.start_playing(sampleRate);
    EXPECT_FALSE(backend.isResting());
    std::vector<std::int16_t> click(64, 1000);
    device.write_samples(click, buffers.blockBytes(), buffers);
    ASSERT_TRUE(waitUntil([&device] { return device.blocksDone(); }, 1));
    const auto woken = std::chrono::steady_clock::now() - start;
    EXPECT_LT(woken, 50ms);
    std::printf("wakeups: %ld in 0.5 s running, %ld in 4 s at rest; awake again in %.1f ms\n",
                running, resting, std::chrono::duration<double, std::milli>(woken).count());
    device.end_playing();
}

TEST(sdl_audio, nothing_of_a_stopped_queue_is_heard_after_a_restart) {
    DiskRecording recording("restart");
    OutputBuffers buffers; // 2560-sample blocks
    {
        SdlAudioBackend backend;
        if (!diskDriverStarts(backend))
            GTEST_SKIP() << "SDL cannot start its disk audio driver: " << backend.lastError();
        WaveOut device(backend);
        Quiet quiet(device);
        auto fill = [](std::int16_t value) {
            return [value](std::span<std::int16_t> block) {
                std::fill(block.begin(), block.end(), value);
            };
        };
        device.start_playing(sampleRate);
        for (int i = 0; i < 4; ++i)
            soundTick(device, buffers, fill(1000));
        // Stop once part of the first sound has been heard, however busy the machine is.
        for (int i = 0; i < 400 && std::ranges::count(recording.samples(), 1000) == 0; ++i)
            std::this_thread::sleep_for(5ms);
        device.end_playing();
        EXPECT_EQ(device.blocksDone(), 4);
        device.start_playing(sampleRate);
        for (int i = 0; i < 2; ++i)
            soundTick(device, buffers, fill(2000));
        std::this_thread::sleep_for(300ms);
        device.end_playing();
    }
    const std::vector<std::int16_t> played = recording.samples();
    std::size_t firstB = 0;
    while (firstB < played.size() && played[firstB] != 2000)
        ++firstB;
    ASSERT_LT(firstB, played.size());
    std::size_t heardA = 0;
    for (std::size_t i = 0; i < played.size(); ++i) {
        if (played[i] == 1000) {
            ++heardA;
            ASSERT_LT(i, firstB) << "a stopped block played after the restart";
        }
    }
    EXPECT_GT(heardA, 0u);
    EXPECT_LT(heardA, 4u * 2560u);
    // The stop faded out over 4 ms (88 samples) to 0, in small steps, before the restart.
    std::size_t lastA = firstB;
    while (lastA > 0 && played[lastA - 1] != 1000)
        --lastA;
    ASSERT_GT(lastA, 0u);
    std::size_t end = lastA;
    while (end < firstB && played[end] != 0) {
        ASSERT_LE(std::abs(played[end] - played[end - 1]), 20) << end - lastA;
        ++end;
    }
    EXPECT_GE(end - lastA, 80u);
    EXPECT_LE(end - lastA, 88u);
    EXPECT_EQ(std::count(played.begin(), played.end(), 2000), 2 * 2560);
}

// The fundamental of `x`: a rough period from the autocorrelation, then the peak of the
// Hann-windowed spectrum near it, to 0.002 Hz.
double measureFrequency(const std::vector<std::int16_t>& x) {
    const std::size_t n = x.size();
    int bestLag = 0;
    double best = -1;
    std::vector<double> r(221, 0.0);
    for (int lag = 22; lag <= 220; ++lag) {
        for (std::size_t i = 0; i + static_cast<std::size_t>(lag) < n; ++i)
            r[static_cast<std::size_t>(lag)] += double(x[i]) * x[i + static_cast<std::size_t>(lag)];
        best = std::max(best, r[static_cast<std::size_t>(lag)]);
    }
    for (int lag = 23; lag < 220; ++lag) {
        const double v = r[static_cast<std::size_t>(lag)];
        if (v > 0.9 * best && v >= r[static_cast<std::size_t>(lag) - 1] &&
            v >= r[static_cast<std::size_t>(lag) + 1]) {
            bestLag = lag;
            break;
        }
    }
    if (bestLag == 0)
        return 0.0;
    std::vector<double> w(n);
    for (std::size_t i = 0; i < n; ++i)
        w[i] = x[i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(n - 1)));
    auto power = [&w](double f) {
        const double coeff = 2 * std::cos(2 * std::numbers::pi * f / sampleRate);
        double s1 = 0, s2 = 0;
        for (double v : w) {
            const double s = v + coeff * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        return s1 * s1 + s2 * s2 - coeff * s1 * s2;
    };
    // Coarse, then fine around the coarse peak.
    double peak = double(sampleRate) / bestLag;
    for (double step : {0.1, 0.002}) {
        const double from = peak - (step == 0.1 ? 12.0 : 0.2);
        const double to = peak + (step == 0.1 ? 12.0 : 0.2);
        double peakPower = -1;
        for (double f = from; f <= to; f += step) {
            if (const double p = power(f); p > peakPower) {
                peakPower = p;
                peak = f;
            }
        }
    }
    return peak;
}

// The longest run of exact zeros between the first and the last sound, in samples.
std::size_t longestSilence(const std::vector<std::int16_t>& x) {
    std::size_t first = 0, last = x.size();
    while (first < last && x[first] == 0)
        ++first;
    while (last > first && x[last - 1] == 0)
        --last;
    std::size_t longest = 0, run = 0;
    for (std::size_t i = first; i < last; ++i) {
        run = x[i] == 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

TEST(sdl_audio, measure_frequency_finds_a_known_tone) {
    std::vector<std::int16_t> tone(30000);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::int16_t>(
            3000 * std::sin(2 * std::numbers::pi * 437.3 * double(i) / sampleRate) +
            6000 * std::sin(2 * std::numbers::pi * 874.6 * double(i) / sampleRate));
    EXPECT_NEAR(measureFrequency(tone), 437.3, 0.01);
}

// Drives the sound timer's tick every 20 ms for two seconds, at the default block size, and
// returns what SDL's disk driver recorded.
template <class Tick>
std::vector<std::int16_t> playForTwoSeconds(const char* name, Tick tick, std::string& skipped) {
    DiskRecording recording(name);
    {
        SdlAudioBackend backend;
        if (!diskDriverStarts(backend)) {
            skipped = "SDL cannot start its disk audio driver: " + backend.lastError();
            return {};
        }
        WaveOut device(backend);
        Quiet quiet(device);
        OutputBuffers buffers(blockSizeAtPosition(defaultBlockPosition));
        device.start_playing(sampleRate);
        auto next = std::chrono::steady_clock::now();
        for (int i = 0; i < 100; ++i) {
            tick(device, buffers);
            next += 20ms;
            std::this_thread::sleep_until(next);
        }
        device.end_playing();
    }
    return recording.samples();
}

TEST(sdl_audio, a_held_a4_sounds_at_440_hz_without_gaps) {
    CNote a4(4, 5, 0);
    a4.soundingFrequency = 440.0;
    Synthesizer synthesizer(CTimbreizer(std::string(SORVEL_ASSET_DIR) + "/bassoboe.wav"));
    synthesizer.setSounding({&a4});
    std::string skipped;
    const std::vector<std::int16_t> played = playForTwoSeconds(
        "a4",
        [&synthesizer](WaveOut& device, OutputBuffers& buffers) {
            soundTick(device, buffers, synthesizer);
        },
        skipped);
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
    ASSERT_GT(played.size(), std::size_t(sampleRate)); // more than a second was played
    EXPECT_NEAR(measureFrequency(played), 440.0, 0.1);
    // No underrun: no stretch of silence beyond 5 ms once the first block has come.
    EXPECT_LE(longestSilence(played), std::size_t(sampleRate * 5 / 1000));
}

} // namespace
} // namespace sorvel
