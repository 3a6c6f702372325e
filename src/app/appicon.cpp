// SPDX-License-Identifier: GPL-3.0-or-later
#include "appicon.h"

#include <QDir>
#include <QString>

namespace sorvel {

QIcon applicationIcon() {
    // The PNGs rendered from the SVG at build time, one per size, so that no size is scaled.
    QIcon builtIn;
    const QDir sizes(QStringLiteral(":/icons/hicolor"));
    for (const QString& size : sizes.entryList(QDir::Dirs))
        builtIn.addFile(sizes.filePath(size) + QStringLiteral("/apps/%1.png").arg(desktopId));
    return QIcon::fromTheme(QString::fromLatin1(desktopId), builtIn);
}

} // namespace sorvel
