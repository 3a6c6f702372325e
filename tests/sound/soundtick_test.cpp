// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundtick.h"

#include "fakewavebackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace sorvel {
namespace {

const CTimbreizer& recordedVoice() {
    static const CTimbreizer voice(std::string(SORVEL_ASSET_DIR) + "/bassoboe.wav");
    return voice;
}

TEST(sound_tick, queues_what_the_synthesizer_renders_and_waits_on_a_full_queue) {
    CNote a4;
    a4.soundingFrequency = 440.0;
    Synthesizer synthesizer(recordedVoice());
    synthesizer.setSounding({&a4});
    Synthesizer twin(recordedVoice()); // renders the same blocks straight into a vector
    twin.setSounding({&a4});

    testing::FakeWaveBackend backend;
    WaveOut device(backend);
    device.setPrinter([](std::string_view) {});
    OutputBuffers buffers(blockSizeAtPosition(3)); // 768 samples
    device.start_playing(sampleRate);

    std::vector<std::int16_t> expected(768);
    for (int block = 0; block < 4; ++block) {
        ASSERT_TRUE(soundTick(device, buffers, synthesizer));
        twin.render(expected);
        ASSERT_EQ(backend.queued.back().bytes, 1536);
        const std::int16_t* queued = backend.queued.back().data;
        EXPECT_EQ(std::vector<std::int16_t>(queued, queued + 768), expected) << block;
    }
    // Four queued: the tick renders nothing, so neither the jitter nor the voice moves on.
    const std::uint32_t randomState = synthesizer.random.state;
    const double phase = synthesizer.phase(0);
    EXPECT_FALSE(soundTick(device, buffers, synthesizer));
    EXPECT_EQ(synthesizer.random.state, randomState);
    EXPECT_EQ(synthesizer.phase(0), phase);
    EXPECT_EQ(backend.queueCalls, 4);

    // The next free buffer gets the next block, unbroken.
    backend.finishOne();
    ASSERT_TRUE(soundTick(device, buffers, synthesizer));
    twin.render(expected);
    const std::int16_t* queued = backend.queued.back().data;
    EXPECT_EQ(std::vector<std::int16_t>(queued, queued + 768), expected);
    device.end_playing();

    // Started again, the device plays what the voices render from silence: a fade-in from 0,
    // not a continuation of the dropped blocks.
    device.start_playing(sampleRate);
    ASSERT_TRUE(soundTick(device, buffers, synthesizer));
    const std::int16_t* restarted = backend.queued.back().data;
    EXPECT_EQ(restarted[0], 0);
    int loudest = 0;
    for (int i = 0; i < 768; ++i)
        loudest = std::max(loudest, std::abs(int(restarted[i])));
    EXPECT_GT(loudest, 100);
    device.end_playing();
}

} // namespace
} // namespace sorvel
