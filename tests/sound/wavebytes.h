// SPDX-License-Identifier: GPL-3.0-or-later
// Builds WAVE files byte by byte for the reader's tests and writes them to a scratch folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace sorvel::test {

using Bytes = std::vector<std::uint8_t>;

inline void putText(Bytes& b, const char* text) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(text[i]));
    }
}

inline void putU16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xff));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}

inline void putU32(Bytes& b, std::uint32_t v) {
    putU16(b, v & 0xffff);
    putU16(b, v >> 16);
}

// A standard PCM format body of 16 bytes, then `extra` zero bytes.
inline Bytes pcmFormatBody(unsigned tag = 1, std::size_t extra = 0) {
    Bytes b;
    putU16(b, tag);
    putU16(b, 1);
    putU32(b, 22050);
    putU32(b, 44100);
    putU16(b, 2);
    putU16(b, 16);
    b.resize(b.size() + extra, 0);
    return b;
}

inline Bytes sampleBytes(const std::vector<std::int16_t>& samples) {
    Bytes b;
    for (std::int16_t s : samples) {
        putU16(b, static_cast<std::uint16_t>(s));
    }
    return b;
}

// RIFF header, format chunk with `formatBody`, optional chunks, then the data chunk.
inline Bytes waveFile(const Bytes& formatBody, const Bytes& data, const Bytes& between = {}) {
    Bytes b;
    putText(b, "RIFF");
    putU32(b, static_cast<std::uint32_t>(4 + 8 + formatBody.size() + between.size() + 8 +
                                         data.size()));
    putText(b, "WAVE");
    putText(b, "fmt ");
    putU32(b, static_cast<std::uint32_t>(formatBody.size()));
    b.insert(b.end(), formatBody.begin(), formatBody.end());
    b.insert(b.end(), between.begin(), between.end());
    putText(b, "data");
    putU32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// The process's scratch folder, removed again when the tests end.
inline const std::filesystem::path& scratchFolder() {
    struct Folder {
        // One folder per process: other builds may run the same tests at the same time.
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("sorvel-sound-tests-" + std::to_string(::getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return folder.path;
}

inline std::string scratchFile(const std::string& name, const Bytes& bytes) {
    auto path = (scratchFolder() / name).string();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace sorvel::test
