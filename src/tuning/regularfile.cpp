// SPDX-License-Identifier: GPL-3.0-or-later
#include "regularfile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvel {

RegularFile::RegularFile(const std::string& path) {
    struct stat st {};
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        // A FIFO without a writer opens at once without blocking, but a socket does not open.
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            state_ = notRegular;
            mode_ = st.st_mode;
        }
        return;
    }
    if (::fstat(fd_, &st) != 0) {
        error_ = errno;
        return;
    }
    mode_ = st.st_mode;
    state_ = S_ISREG(st.st_mode) ? opened : notRegular;
    size_ = static_cast<std::uint64_t>(st.st_size);
}

RegularFile::~RegularFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool RegularFile::readUpTo(std::size_t limit, std::string& out) {
    out.assign(limit, '\0');
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd_, out.data() + got, limit - got);
        if (n < 0) {
            out.resize(got);
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return true;
}

int RegularFile::release() {
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

const char* fileKind(mode_t mode) {
    return S_ISDIR(mode)    ? "a directory"
           : S_ISFIFO(mode) ? "a FIFO"
           : S_ISCHR(mode)  ? "a character device"
           : S_ISBLK(mode)  ? "a block device"
           : S_ISSOCK(mode) ? "a socket"
                            : "of an unknown kind";
}

} // namespace sorvel
