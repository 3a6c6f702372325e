// SPDX-License-Identifier: GPL-3.0-or-later
#include "fontregistration.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

#include "regularfile.h"

#include <sys/stat.h>

#include <fontconfig/fontconfig.h>

namespace sorvel {

namespace {

// Far above any notation font; more is a wrong file, not worth reading into memory.
constexpr std::uint64_t maxFontBytes = std::uint64_t{16} << 20;

[[noreturn]] void refuse(const std::string& fileName, mode_t mode) {
    if (S_ISDIR(mode)) {
        throw FontError(fileName + " is a directory, not a font.");
    }
    throw FontError(fileName + " is not a regular file (" + fileKind(mode) + ").");
}

// The file is read here and the loader gets its bytes: the loader's own open of a FIFO would
// wait for a writer for ever, before the event loop (and with it the quit signals) runs.
QByteArray readFontFile(const std::string& fileName) {
    RegularFile file(fileName);
    if (file.state() == RegularFile::notRegular) {
        refuse(fileName, file.mode());
    }
    if (file.state() == RegularFile::cannotOpen) {
        throw FontError("Cannot load the font file \"" + fileName + "\".");
    }
    if (file.size() > maxFontBytes) {
        throw FontError(fileName + " is too large for a font: " + std::to_string(file.size()) +
                        " bytes, more than the " + std::to_string(maxFontBytes) + " accepted.");
    }
    std::string bytes;
    file.readUpTo(static_cast<std::size_t>(file.size()), bytes);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
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

void loadFontConfiguration() {
    // The toolkit's own initialisation then finds the configuration made and keeps it.
    FcInit();
}

} // namespace sorvel
