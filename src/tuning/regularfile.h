// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the files Sorvel reads (the recording, the font, scales and mappings) without ever
// blocking: a FIFO in place of a file would wait for a writer for ever, and a directory or a
// device holds nothing to read. The file is opened non-blocking and checked before anything is
// read; each reader words its own refusal.
//
//   sorvel::RegularFile file(path);
//   if (file.state() == sorvel::RegularFile::notRegular) refuse(sorvel::fileKind(file.mode()));
#pragma once

#include <cstdint>
#include <string>

#include <sys/types.h>

namespace sorvel {

class RegularFile {
public:
    enum State { opened, cannotOpen, notRegular };

    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    State state() const { return state_; }
    // The kind of file found (with notRegular), and the errno of a failed open (cannotOpen).
    mode_t mode() const { return mode_; }
    int error() const { return error_; }
    std::uint64_t size() const { return size_; }

    // Reads up to `limit` bytes into `out` (resized to what was read); false on a read error,
    // with errno set.
    bool readUpTo(std::size_t limit, std::string& out);
    // Hands the descriptor, switched to blocking reads, to the caller, who closes it.
    int release();

private:
    State state_ = cannotOpen;
    int fd_ = -1;
    mode_t mode_ = 0;
    int error_ = 0;
    std::uint64_t size_ = 0;
};

// What a file that is not regular is: "a directory", "a FIFO", "a character device", ...
const char* fileKind(mode_t mode);

} // namespace sorvel
