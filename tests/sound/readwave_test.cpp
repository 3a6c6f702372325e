// SPDX-License-Identifier: GPL-3.0-or-later
#include "readwave.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

#include <random>

#include <sys/stat.h>

using namespace sorvel;
using namespace sorvel::test;

namespace {

std::string messageOf(const std::string& path) {
    WaveFormat format;
    std::vector<std::uint8_t> data;
    try {
        read_wave(path, format, data);
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no error)";
}

const Bytes someData = sampleBytes({1, -2, 300, -32768, 32767});

} // namespace

TEST(read_wave, standard_file_returns_size_body_and_bytes) {
    auto path = scratchFile("standard.wav", waveFile(pcmFormatBody(), someData));
    WaveFormat format;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(read_wave(path, format, data), 10u);
    EXPECT_EQ(data, someData);
    EXPECT_EQ(format.formatTag(), 1);
    EXPECT_EQ(format.channels(), 1);
    EXPECT_EQ(format.samplesPerSecond(), 22050u);
    EXPECT_EQ(format.averageBytesPerSecond(), 44100u);
    EXPECT_EQ(format.blockAlign(), 2);
    EXPECT_EQ(format.bitsPerSample(), 16);
}

TEST(read_wave, longer_format_chunks_are_accepted) {
    // 18 bytes (a zero extra-size field) and 40 bytes (more than the record holds: the surplus
    // must be skipped, not written past the record).
    for (std::size_t extra : {2u, 24u}) {
        Bytes body = pcmFormatBody(1, extra);
        for (std::size_t i = 16; i < body.size(); ++i) {
            body[i] = 0xAB;
        }
        auto path = scratchFile("long-format.wav", waveFile(body, someData));
        WaveFormat format;
        format.bytes.fill(0x11);
        std::vector<std::uint8_t> data;
        EXPECT_EQ(read_wave(path, format, data), 10u) << extra;
        EXPECT_EQ(data, someData) << extra;
        EXPECT_EQ(format.bitsPerSample(), 16);
        EXPECT_EQ(format.bytes[16], 0xAB);
        EXPECT_EQ(format.bytes[17], 0xAB);
        EXPECT_EQ(format.bytes[19], extra > 4 ? 0xAB : 0);
    }
}

TEST(read_wave, empty_data_chunk_gives_no_bytes) {
    auto path = scratchFile("empty.wav", waveFile(pcmFormatBody(), {}));
    WaveFormat format;
    std::vector<std::uint8_t> data{1, 2, 3};
    EXPECT_EQ(read_wave(path, format, data), 0u);
    EXPECT_TRUE(data.empty());
}

TEST(read_wave, every_failure_names_the_file) {
    Bytes good = waveFile(pcmFormatBody(), someData);
    auto broken = [&](std::size_t at, const char* text) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) {
            b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(text[i]);
        }
        return b;
    };
    Bytes list;
    putText(list, "LIST");
    putU32(list, 4);
    putText(list, "INFO");
    Bytes zeroInId = good;
    zeroInId[3] = 0; // "RIF\0" must not match

    struct Case {
        const char* name;
        Bytes bytes;
        const char* suffix;
    };
    const Case cases[] = {
        {"riff.wav", broken(0, "RIFX"), " does not have a valid RIFF ID."},
        {"riff0.wav", zeroInId, " does not have a valid RIFF ID."},
        {"wave.wav", broken(8, "AVI "), " is not a valid WAVE form-type."},
        {"fmt.wav", broken(12, "fmt_"), " does not have a valid wave-form chunk ID."},
        {"float.wav", waveFile(pcmFormatBody(3), someData), " is not of type PCM wave format."},
        {"data.wav", broken(36, "dat "), " does not have a valid data chunk ID."},
        {"list.wav", waveFile(pcmFormatBody(), someData, list),
         " does not have a valid data chunk ID."},
    };
    for (const Case& c : cases) {
        auto path = scratchFile(c.name, c.bytes);
        EXPECT_EQ(messageOf(path), path + c.suffix);
    }
}

TEST(read_wave, missing_file) {
    EXPECT_EQ(messageOf("/nonexistent/bassoboe.wav"),
              "Unable to open file /nonexistent/bassoboe.wav");
}

TEST(read_wave, truncated_files_are_errors_naming_the_file) {
    Bytes good = waveFile(pcmFormatBody(), someData);
    // Cut inside the data, inside the header and inside the format body; and a data size of
    // 4 GB that the file does not hold (no huge allocation, no read past the end).
    Bytes huge = good;
    huge[40] = huge[41] = huge[42] = huge[43] = 0xFF;
    Bytes hugeFormat = good;
    hugeFormat[16] = hugeFormat[17] = hugeFormat[18] = hugeFormat[19] = 0xFF;
    for (Bytes b : {Bytes(good.begin(), good.end() - 3), Bytes(good.begin(), good.begin() + 6),
                    Bytes(good.begin(), good.begin() + 30), huge, hugeFormat}) {
        auto path = scratchFile("truncated.wav", b);
        std::string message = messageOf(path);
        EXPECT_EQ(message.rfind(path + " is truncated", 0), 0u) << message;
    }
}

TEST(read_wave, only_regular_files_of_bounded_size_are_read) {
    // A directory, a device and a FIFO are refused at once (a FIFO without a writer would
    // block an ordinary open), each with a message that names it and says what it is.
    const std::string folder = (scratchFolder() / "folder.wav").string();
    std::filesystem::create_directories(folder);
    const std::string fifo = (scratchFolder() / "fifo.wav").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(messageOf(folder), folder + " is a directory, not a recording.");
    EXPECT_EQ(messageOf("/dev/null"), "/dev/null is not a regular file (a character device).");
    EXPECT_EQ(messageOf(fifo), fifo + " is not a regular file (a FIFO).");

    // Data beyond the caller's limit are refused before they are allocated.
    auto path = scratchFile("long.wav", waveFile(pcmFormatBody(), someData));
    WaveFormat format;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(read_wave(path, format, data, 10), 10u);
    try {
        read_wave(path, format, data, 9);
        ADD_FAILURE() << "10 bytes read with a limit of 9";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  path + " is too long: its sound data take 10 bytes, more than the 9 accepted.");
    }
}

TEST(read_wave, silence_is_refused_and_one_sound_sample_is_enough) {
    std::mt19937 random(22);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::int16_t> samples(1 + random() % 300, 0);
        auto path = scratchFile("silence.wav", waveFile(pcmFormatBody(), sampleBytes(samples)));
        EXPECT_EQ(messageOf(path), path + " is silent: every sample in it is zero.");
        // Any one sample off zero, even by the least step and only in its high byte, is sound.
        const std::int16_t values[] = {1, -1, 256, -32768};
        samples[random() % samples.size()] = values[random() % 4];
        path = scratchFile("sound.wav", waveFile(pcmFormatBody(), sampleBytes(samples)));
        EXPECT_EQ(messageOf(path), "(no error)") << samples.size();
    }
}
