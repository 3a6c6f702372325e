// SPDX-License-Identifier: GPL-3.0-or-later
#include "fontregistration.h"

#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace sorvel {

int registerFont(const std::string& fileName) {
    const int id = QFontDatabase::addApplicationFont(QString::fromStdString(fileName));
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
