// SPDX-License-Identifier: GPL-3.0-or-later
#include "readwave.h"

#include "regularfile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvel {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class WaveFile {
public:
    explicit WaveFile(const std::string& name) : name_(name) {
        RegularFile opened(name);
        if (opened.state() == RegularFile::notRegular) {
            refuse(opened.mode());
        }
        if (opened.state() == RegularFile::cannotOpen) {
            throw Exception("Unable to open file " + name);
        }
        const int fd = opened.release();
        file_.reset(::fdopen(fd, "rb"));
        if (!file_) {
            ::close(fd);
            throw Exception("Unable to open file " + name);
        }
        // The size bounds every count taken from the file, so a corrupt size can neither make
        // us read past the end nor allocate more than the file holds.
        if (std::fseek(file_.get(), 0, SEEK_END) == 0) {
            long end = std::ftell(file_.get());
            if (end >= 0) {
                remaining_ = static_cast<std::uint64_t>(end);
            }
        }
        std::rewind(file_.get());
    }

    [[noreturn]] void fail(const std::string& what) const { throw Exception(name_ + what); }

    [[noreturn]] void refuse(mode_t mode) const {
        if (S_ISDIR(mode)) {
            fail(" is a directory, not a recording.");
        }
        fail(std::string(" is not a regular file (") + fileKind(mode) + ").");
    }

    void read(void* into, std::size_t count) {
        if (count == 0) {
            return;
        }
        if (count > remaining_ || std::fread(into, 1, count, file_.get()) != count) {
            fail(" is truncated: it ends before the data chunk is complete.");
        }
        remaining_ -= count;
    }

    void skip(std::uint64_t count) {
        if (count > remaining_ ||
            std::fseek(file_.get(), static_cast<long>(count), SEEK_CUR) != 0) {
            fail(" is truncated: it ends before the data chunk is complete.");
        }
        remaining_ -= count;
    }

    std::uint32_t readU32() {
        std::uint8_t b[4];
        read(b, 4);
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }

    // An identifier matches only when all four bytes equal the expected text.
    void expectId(const char (&id)[5], const char* message) {
        char b[4];
        read(b, 4);
        if (std::memcmp(b, id, 4) != 0) {
            fail(message);
        }
    }

    std::uint64_t remaining() const { return remaining_; }

private:
    std::string name_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::uint64_t remaining_ = 0;
};

} // namespace

std::uint32_t read_wave(const std::string& fileName, WaveFormat& format,
                        std::vector<std::uint8_t>& data, std::uint64_t maxDataBytes) {
    WaveFile file(fileName);
    file.expectId("RIFF", " does not have a valid RIFF ID.");
    file.readU32(); // the RIFF size says nothing we rely on
    file.expectId("WAVE", " is not a valid WAVE form-type.");
    file.expectId("fmt ", " does not have a valid wave-form chunk ID.");

    std::uint32_t formatSize = file.readU32();
    format.bytes.fill(0);
    std::size_t kept = std::min<std::size_t>(formatSize, format.bytes.size());
    file.read(format.bytes.data(), kept);
    file.skip(formatSize - kept);
    if (format.formatTag() != 1) {
        file.fail(" is not of type PCM wave format.");
    }

    file.expectId("data", " does not have a valid data chunk ID.");
    std::uint32_t dataSize = file.readU32();
    if (dataSize > file.remaining()) {
        file.fail(" is truncated: it ends before the data chunk is complete.");
    }
    if (dataSize > maxDataBytes) {
        file.fail(" is too long: its sound data take " + std::to_string(dataSize) +
                  " bytes, more than the " + std::to_string(maxDataBytes) + " accepted.");
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(dataSize);
    } catch (const std::bad_alloc&) {
        file.fail(" is too large: there is not enough memory to read it.");
    }
    file.read(bytes.data(), bytes.size());
    // Nothing to analyse and nothing to hear: say so now rather than start a mute program.
    if (!bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [](auto b) { return b == 0; })) {
        file.fail(" is silent: every sample in it is zero.");
    }
    data = std::move(bytes);
    return dataSize;
}

} // namespace sorvel
