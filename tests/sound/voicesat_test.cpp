// SPDX-License-Identifier: GPL-3.0-or-later
// The synthesizer's history of what sounded: the phase it reports for a sample is the phase
// that made that sample, while another thread reads the history as blocks are rendered.
#include "sound.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace sorvel {
namespace {

TEST(voices_at, each_sample_is_the_cosine_of_the_phase_reported_for_it) {
    std::array<float, 32> levels{};
    levels[0] = 2.0f; // a pure cosine of 0.1 * 2 = 0.2 full-scale units: 13107 steps
    Synthesizer synth(CTimbreizer::fromLevels(levels));
    CNote a4(4, 5, 0, std::vector<double>(5, 440.0), 0);
    a4.soundingFrequency = 440.0;
    synth.setSounding({&a4});
    synth.restart();

    // A reader on another thread all along, as the window's is.
    std::atomic<bool> done{false};
    std::atomic<long> found{0};
    std::thread reader([&] {
        Synthesizer::SoundingAt at;
        for (std::int64_t s = 0; !done.load(); s = (s + 997) % 100000)
            if (synth.voicesAt(s, at))
                found.fetch_add(1);
    });
    std::vector<std::int16_t> out;
    const int sizes[] = {512, 2560, 1024, 8192, 700, 2560};
    for (int round = 0; round < 4; ++round)
        for (int size : sizes) {
            std::vector<std::int16_t> block(static_cast<std::size_t>(size));
            if (round % 2)
                synth.render(block);
            else
                synth.renderReference(block);
            out.insert(out.end(), block.begin(), block.end());
        }
    done = true;
    reader.join();
    EXPECT_GT(found.load(), 0);

    Synthesizer::SoundingAt at;
    EXPECT_FALSE(synth.voicesAt(std::int64_t(out.size()), at)) << "not yet rendered";
    int checked = 0;
    for (std::size_t s = 200; s < out.size(); ++s) {
        if (!synth.voicesAt(std::int64_t(s), at))
            continue; // older than the history
        ASSERT_EQ(at.count, 1);
        EXPECT_EQ(at.voices[0].frequency, 440.0);
        ASSERT_NEAR(out[s], 13107.2 * std::cos(at.voices[0].phase), 2.0) << "sample " << s;
        ++checked;
    }
    EXPECT_GT(checked, 50000);
    synth.restart();
    EXPECT_FALSE(synth.voicesAt(300, at)) << "a restart begins a new history";
}

TEST(voices_at, the_drone_is_reported_beside_the_notes_and_not_once_it_fades_out) {
    std::array<float, 32> levels{};
    levels[0] = 2.0f;
    Synthesizer synth(CTimbreizer::fromLevels(levels));
    CNote e4(4, 2, 0, std::vector<double>(5, 330.0), 0);
    e4.soundingFrequency = 330.0;
    synth.setSounding({&e4});
    synth.setDrone(110.0, 0.5f);
    synth.restart();
    std::vector<std::int16_t> out(3 * 2560);
    for (std::size_t at = 0; at < out.size(); at += 2560)
        synth.render(std::span<std::int16_t>(out).subspan(at, 2560));

    Synthesizer::SoundingAt at;
    int checked = 0;
    for (std::size_t s = 2560; s < out.size(); ++s) { // after both attacks
        ASSERT_TRUE(synth.voicesAt(std::int64_t(s), at));
        ASSERT_EQ(at.count, 1);
        ASSERT_EQ(at.drone.frequency, 110.0);
        const double expected =
            13107.2 * (std::cos(at.voices[0].phase) + 0.5 * std::cos(at.drone.phase));
        ASSERT_NEAR(out[s], expected, 2.0) << "sample " << s;
        ++checked;
    }
    EXPECT_EQ(checked, 2 * 2560);

    synth.setDrone(std::nullopt, 0.5f);
    std::vector<std::int16_t> block(2560);
    synth.render(block);
    ASSERT_TRUE(synth.voicesAt(std::int64_t(out.size()), at));
    EXPECT_EQ(at.drone.frequency, 0.0) << "a drone fading out no longer counts";
    EXPECT_EQ(at.count, 1);
}

} // namespace
} // namespace sorvel
