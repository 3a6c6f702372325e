// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the WAVE reader: any bytes must give either a result that fits in the
// input or an Exception; never a crash, a read past a buffer or a huge allocation.
#include "readwave.h"

#include <cstdio>
#include <string>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    // The reader takes a file name, so each input goes through a scratch file of our own, in
    // memory where the system offers a memory file system (a disk file costs milliseconds).
    static const std::string path =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
        "/sorvel-readwave-fuzz-" + std::to_string(getpid());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return 0;
    }
    if (size > 0) {
        std::fwrite(bytes, 1, size, f);
    }
    std::fclose(f);

    sorvel::WaveFormat format;
    std::vector<std::uint8_t> data;
    try {
        const std::uint32_t count = sorvel::read_wave(path, format, data);
        // A success holds exactly the data chunk, which lies inside the input after the header.
        if (count != data.size() || size < 28 || count > size - 28 || format.formatTag() != 1) {
            __builtin_trap();
        }
    } catch (const sorvel::Exception& e) {
        if (std::string(e.what()).find(path) == std::string::npos) {
            __builtin_trap(); // every message names the file
        }
    }
    return 0;
}

// Removes the scratch file when the run ends.
namespace {
struct ScratchCleanup {
    ~ScratchCleanup() {
        std::remove(("/dev/shm/sorvel-readwave-fuzz-" + std::to_string(getpid())).c_str());
        std::remove(("/tmp/sorvel-readwave-fuzz-" + std::to_string(getpid())).c_str());
    }
} cleanup;
} // namespace
