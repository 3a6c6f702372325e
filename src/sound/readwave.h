// SPDX-License-Identifier: GPL-3.0-or-later
// Reader for the instrument recording: one strict RIFF/WAVE layout (format chunk right after
// the form type, data chunk right after the format chunk), PCM only.
//
//   sorvel::WaveFormat format;
//   std::vector<std::uint8_t> data;
//   std::uint32_t bytes = sorvel::read_wave("bassoboe.wav", format, data);
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sorvel {

// The program's error type: a message meant for the user.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Room for the format chunk's body; only the first 16 bytes have standard fields.
struct WaveFormat {
    std::array<std::uint8_t, 20> bytes{};

    std::uint16_t formatTag() const { return u16(0); }
    std::uint16_t channels() const { return u16(2); }
    std::uint32_t samplesPerSecond() const { return u32(4); }
    std::uint32_t averageBytesPerSecond() const { return u32(8); }
    std::uint16_t blockAlign() const { return u16(12); }
    std::uint16_t bitsPerSample() const { return u16(14); }

private:
    std::uint16_t u16(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
    }
    std::uint32_t u32(std::size_t at) const {
        return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
    }
};

// Reads `fileName`, fills `format` with the format chunk's body (a larger body is cut to the
// record's 20 bytes) and `data` with the sample bytes, and returns their count. Every failure,
// including a file that ends early, a path that is not a regular file (refused before anything
// is read, so a FIFO never blocks), data larger than `maxDataBytes` and data that are all zero
// (silence), throws Exception with a message naming the file.
std::uint32_t read_wave(const std::string& fileName, WaveFormat& format,
                        std::vector<std::uint8_t>& data, std::uint64_t maxDataBytes = UINT32_MAX);

} // namespace sorvel
