// SPDX-License-Identifier: GPL-3.0-or-later
#include "fontregistration.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvel {

namespace {

// Far above any notation font; more is a wrong file, not worth reading into memory.
constexpr off_t maxFontBytes = off_t{16} << 20;

[[noreturn]] void refuse(const std::string& fileName, mode_t mode) {
    if (S_ISDIR(mode)) {
        throw FontError(fileName + " is a directory, not a font.");
    }
    throw FontError(fileName + " is not a regular file (" +
                    (S_ISFIFO(mode)   ? "a FIFO"
                     : S_ISCHR(mode)  ? "a character device"
                     : S_ISBLK(mode)  ? "a block device"
                     : S_ISSOCK(mode) ? "a socket"
                                      : "of an unknown kind") +
                    ").");
}

// The file is read here and the loader gets its bytes: the loader's own open of a FIFO would
// wait for a writer for ever, before the event loop (and with it the quit signals) runs.
QByteArray readFontFile(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0) {
        if (::stat(fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            refuse(fileName, st.st_mode);
        }
        throw FontError("Cannot load the font file \"" + fileName + "\".");
    }
    QByteArray bytes;
    const bool known = ::fstat(fd, &st) == 0;
    if (known && S_ISREG(st.st_mode) && st.st_size <= maxFontBytes) {
        bytes.resize(static_cast<qsizetype>(st.st_size));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t got =
                ::read(fd, bytes.data() + done, static_cast<std::size_t>(bytes.size() - done));
            if (got <= 0) {
                break;
            }
            done += got;
        }
        bytes.truncate(done);
    }
    ::close(fd);
    if (known && !S_ISREG(st.st_mode)) {
        refuse(fileName, st.st_mode);
    }
    if (known && st.st_size > maxFontBytes) {
        throw FontError(fileName + " is too large for a font: " + std::to_string(st.st_size) +
                        " bytes, more than the " + std::to_string(maxFontBytes) + " accepted.");
    }
    return bytes;
}

} // namespace

int registerFont(const std::string& fileName) {
    const int id = QFontDatabase::addApplicationFontFromData(readFontFile(fileName));
    if (id < 0) {
        throw FontError("Cannot load the font file \"" + fileName + "\".");
    }
    return id;
}

int registerNotationFont(const std::string& fileName) {
    const int id = registerFont(fileName);
    if (!QFontDatabase::applicationFontFamilies(id).contains(QString(notationFontName))) {
        QFontDatabase::removeApplicationFont(id);
        throw FontError("The font file \"" + fileName + "\" does not hold the font \"" +
                        notationFontName + "\".");
    }
    return id;
}

bool unregisterFont(int id) {
    return id >= 0 && QFontDatabase::removeApplicationFont(id);
}

} // namespace sorvel
