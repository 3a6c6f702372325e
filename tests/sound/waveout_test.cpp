// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout.h"

#include "fakewavebackend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace sorvel {
namespace {

using testing::FakeWaveBackend;

// A device over the fake backend whose printed lines and fatal messages the test can read.
struct Rig {
    Rig() {
        device.setPrinter([this](std::string_view line) { printed += line; });
        device.setFatalHandler([this](std::string_view message) { fatal.emplace_back(message); });
    }
    FakeWaveBackend backend;
    WaveOut device{backend};
    std::string printed;
    std::vector<std::string> fatal;
};

// A renderer that numbers its blocks: every sample of block n is n.
struct CountingRenderer {
    void operator()(std::span<std::int16_t> block) {
        ++calls;
        for (std::int16_t& sample : block)
            sample = static_cast<std::int16_t>(calls);
    }
    int calls = 0;
};

TEST(block_sizes, each_slider_position_gives_its_size) {
    struct Row {
        int position, bytes, samples;
        double ms;
    };
    const Row rows[] = {
        {1, 1024, 512, 23.2},     {2, 1280, 640, 29.0},     {3, 1536, 768, 34.8},
        {4, 1792, 896, 40.6},     {5, 2048, 1024, 46.4},    {6, 2560, 1280, 58.0},
        {7, 3072, 1536, 69.7},    {8, 3584, 1792, 81.3},    {9, 4096, 2048, 92.9},
        {10, 5120, 2560, 116.1},  {11, 6144, 3072, 139.3},  {12, 7168, 3584, 162.5},
        {13, 8192, 4096, 185.8},  {14, 10240, 5120, 232.2}, {15, 12288, 6144, 278.6},
        {16, 14336, 7168, 325.1}, {17, 16384, 8192, 371.5}};
    OutputBuffers buffers;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.position);
        buffers.setBlockSize(blockSizeAtPosition(row.position));
        EXPECT_EQ(buffers.blockBytes(), row.bytes);
        EXPECT_EQ(buffers.blockSamples(), row.samples);
        EXPECT_NEAR(buffers.blockSamples() * 1000.0 / sampleRate, row.ms, 0.05);
        EXPECT_EQ(buffers.buffer(bufferCount - 1).size(), static_cast<std::size_t>(row.samples));
    }
    EXPECT_EQ(blockSizeAtPosition(0), 1024);
    EXPECT_EQ(blockSizeAtPosition(18), 16384);
    EXPECT_EQ(OutputBuffers().blockBytes(), 5120);
    EXPECT_EQ(OutputBuffers(1025).blockSamples(), 512);
    EXPECT_THROW(OutputBuffers(1), std::invalid_argument);
}

TEST(wave_out, default_blocks_fill_four_buffers_and_then_wait) {
    Rig rig;
    OutputBuffers buffers(blockSizeAtPosition(defaultBlockPosition));
    CountingRenderer render;
    rig.device.start_playing(sampleRate);
    EXPECT_EQ(rig.printed, "wave out open okay\n");

    for (int tick = 0; tick < 10; ++tick)
        soundTick(rig.device, buffers, render);
    EXPECT_EQ(render.calls, 4);
    ASSERT_EQ(rig.backend.queued.size(), 4u);
    for (const auto& block : rig.backend.queued)
        EXPECT_EQ(block.bytes, 5120);
    EXPECT_EQ(rig.backend.queuedBytes(), 20480);
    EXPECT_FALSE(rig.device.buffer_free());

    // A full queue: the tick neither renders nor queues.
    EXPECT_FALSE(soundTick(rig.device, buffers, render));
    EXPECT_EQ(render.calls, 4);
    EXPECT_EQ(rig.backend.queueCalls, 4);

    // One block done frees one buffer, and the next tick fills it with the next block.
    EXPECT_EQ(rig.backend.finishOne(), std::vector<std::int16_t>(2560, 1));
    EXPECT_TRUE(soundTick(rig.device, buffers, render));
    EXPECT_EQ(rig.backend.queued.back().bytes, 5120);
    EXPECT_EQ(rig.backend.finishOne()[0], 2);
    EXPECT_TRUE(rig.fatal.empty());
}

TEST(wave_out, slots_go_round_from_each_opening) {
    Rig rig;
    OutputBuffers buffers(1024);
    CountingRenderer render;
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        rig.backend.queuedData.clear();
        rig.backend.releases = 0;
        rig.device.start_playing(sampleRate);
        for (int write = 0; write < 10; ++write) {
            if (!rig.device.buffer_free())
                rig.backend.finishOne();
            ASSERT_TRUE(soundTick(rig.device, buffers, render));
            EXPECT_EQ(rig.backend.queuedData.back(), buffers.buffer(write % 4).data()) << write;
            EXPECT_EQ(rig.backend.releases, std::max(0, write - 3)) << write;
        }
        // Ten writes: a slot count that carried over would start the next opening at slot 2.
        rig.device.end_playing();
    }
    EXPECT_TRUE(rig.fatal.empty());
}

TEST(wave_out, end_counts_queued_blocks_done_and_start_counts_from_zero) {
    Rig rig;
    OutputBuffers buffers(2048);
    CountingRenderer render;
    rig.device.start_playing(sampleRate);
    for (int i = 0; i < 3; ++i)
        soundTick(rig.device, buffers, render);
    EXPECT_EQ(rig.device.blocksWritten(), 3);
    EXPECT_EQ(rig.device.blocksDone(), 0);

    rig.printed.clear();
    rig.device.end_playing();
    EXPECT_EQ(rig.device.blocksDone(), 3);
    EXPECT_TRUE(rig.backend.queued.empty());
    EXPECT_EQ(rig.backend.closes, 1);
    EXPECT_EQ(rig.printed, "start of end_playing\nmiddle of end_playing\nend of end_playing\n");

    rig.device.start_playing(sampleRate);
    EXPECT_EQ(rig.device.blocksWritten(), 0);
    EXPECT_EQ(rig.device.blocksDone(), 0);
    EXPECT_TRUE(rig.device.buffer_free());
    EXPECT_TRUE(rig.fatal.empty());
}

TEST(wave_out, a_block_that_failed_to_queue_is_never_done) {
    Rig rig;
    OutputBuffers buffers(1024);
    CountingRenderer render;
    rig.device.start_playing(sampleRate);
    rig.backend.failQueueAt = 1;
    for (int i = 0; i < 3; ++i)
        soundTick(rig.device, buffers, render);
    EXPECT_EQ(rig.device.blocksWritten(), 3);
    rig.device.end_playing();
    EXPECT_EQ(rig.device.blocksDone(), 2);

    // Four failures in a row leave no free buffer: silence until the next start.
    rig.device.start_playing(sampleRate);
    rig.backend.failQueue = true;
    for (int i = 0; i < 6; ++i)
        soundTick(rig.device, buffers, render);
    EXPECT_EQ(rig.device.blocksWritten(), 4);
    EXPECT_FALSE(rig.device.buffer_free());
    rig.device.end_playing();
    EXPECT_EQ(rig.device.blocksDone(), 0);
    EXPECT_FALSE(rig.device.buffer_free());
    rig.backend.failQueue = false;
    rig.device.start_playing(sampleRate);
    EXPECT_TRUE(soundTick(rig.device, buffers, render));
    EXPECT_EQ(rig.backend.queued.size(), 1u);
    EXPECT_TRUE(rig.fatal.empty());
}

TEST(wave_out, failures_print_their_lines_and_end_when_fatal) {
    struct Row {
        const char* name;
        void (*arrange)(FakeWaveBackend&);
        int blocks; // written after start_playing, each after the previous one is done
        bool end;   // end_playing at the end
        const char* printed;
        bool fatal;
    };
    const Row rows[] = {
        {"open fails", [](FakeWaveBackend& b) { b.failOpen = true; }, 0, false,
         "problem in waveOutOpen()\nowyyyie\n", true},
        {"open fails but the reset works",
         [](FakeWaveBackend& b) {
             b.failOpen = true;
             b.failResetAfterOpenFailure = false;
         },
         0, false, "problem in waveOutOpen()\n", false},
        {"reset after opening fails", [](FakeWaveBackend& b) { b.failReset = true; }, 0, false,
         "wave out open okay\nowyyyie\n", true},
        {"release of a reused header fails", [](FakeWaveBackend& b) { b.failRelease = true; }, 5,
         false, "wave out open okay\nproblem in waveOutUnprepareHeader()\n", false},
        {"prepare fails", [](FakeWaveBackend& b) { b.prepareError = 11; }, 1, false,
         "wave out open okay\nproblem in waveOutPrepareHeader()\nerr = 11 (5 6 7)\n", false},
        {"queue fails", [](FakeWaveBackend& b) { b.failQueue = true; }, 1, false,
         "wave out open okay\nproblem in waveOutAddBuffer\n", false},
        {"close fails", [](FakeWaveBackend& b) { b.failClose = true; }, 0, true,
         "wave out open okay\nstart of end_playing\nmiddle of end_playing\n"
         "problem in waveOutClose()\n",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        OutputBuffers buffers(1024);
        CountingRenderer render;
        row.arrange(rig.backend);
        rig.device.start_playing(sampleRate);
        for (int i = 0; i < row.blocks; ++i) {
            soundTick(rig.device, buffers, render);
            if (!rig.backend.queued.empty())
                rig.backend.finishOne();
        }
        if (row.end)
            rig.device.end_playing();
        EXPECT_EQ(rig.printed, row.printed);
        EXPECT_EQ(rig.fatal.size(), row.fatal ? 1u : 0u);
    }
}

TEST(wave_out, reset_failing_at_the_end_is_fatal) {
    Rig rig;
    rig.device.start_playing(sampleRate);
    rig.backend.failReset = true;
    rig.printed.clear();
    rig.device.end_playing();
    EXPECT_EQ(rig.printed, "start of end_playing\nproblem in waveOutReset()\n");
    ASSERT_EQ(rig.fatal.size(), 1u);
    EXPECT_EQ(rig.backend.closes, 0);
}

TEST(wave_out, writes_beyond_the_bounds_are_fatal_and_queue_nothing) {
    Rig rig;
    OutputBuffers buffers(1024);
    rig.device.start_playing(sampleRate);
    rig.printed.clear();

    std::vector<std::int16_t> big(513, 7);
    EXPECT_EQ(rig.device.write_samples(big, 1024, buffers), 0);
    EXPECT_EQ(rig.printed, "not enough space in write_samples (1024 < 1026)\n");
    // A capacity that claims more than the buffers hold does not let the copy overrun them.
    rig.printed.clear();
    EXPECT_EQ(rig.device.write_samples(big, 4096, buffers), 0);
    EXPECT_EQ(rig.printed, "not enough space in write_samples (1024 < 1026)\n");
    EXPECT_EQ(rig.fatal.size(), 2u);
    EXPECT_EQ(rig.backend.queueCalls, 0);

    std::vector<std::int16_t> block(512, 7);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rig.device.write_samples(block, 1024, buffers), 512);
    rig.printed.clear();
    EXPECT_EQ(rig.device.write_samples(block, 1024, buffers), 0);
    EXPECT_EQ(rig.printed, "output buffers in use\n");
    EXPECT_EQ(rig.fatal.size(), 3u);
    EXPECT_EQ(rig.backend.queueCalls, 4);
    EXPECT_EQ(rig.device.blocksWritten(), 4);
}

// Run under AddressSanitizer: the fake device reads the queued blocks after their buffers were
// replaced, so a freed buffer would be a reported use after free, and the content must survive.
TEST(wave_out, changing_the_block_size_keeps_queued_buffers_alive) {
    Rig rig;
    auto buffers = std::make_unique<OutputBuffers>(blockSizeAtPosition(10));
    CountingRenderer render;
    rig.device.start_playing(sampleRate);
    for (int i = 0; i < 3; ++i)
        soundTick(rig.device, *buffers, render);

    buffers->setBlockSize(blockSizeAtPosition(1));
    EXPECT_EQ(rig.backend.finishOne(), std::vector<std::int16_t>(2560, 1));
    soundTick(rig.device, *buffers, render); // block 4, slot 3, new size
    soundTick(rig.device, *buffers, render); // block 5 reuses slot 0, the first block is done
    buffers->setBlockSize(blockSizeAtPosition(17));
    EXPECT_EQ(rig.backend.finishOne(), std::vector<std::int16_t>(2560, 2));
    EXPECT_EQ(rig.backend.finishOne(), std::vector<std::int16_t>(2560, 3));
    EXPECT_EQ(rig.backend.finishOne(), std::vector<std::int16_t>(512, 4));

    // Even the holder itself may go while a block is queued.
    buffers.reset();
    EXPECT_EQ(rig.backend.finishOne(), std::vector<std::int16_t>(512, 5));
    EXPECT_TRUE(rig.fatal.empty());
}

} // namespace
} // namespace sorvel
