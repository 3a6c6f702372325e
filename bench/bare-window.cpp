// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick of the start-up benchmark: a bare Qt window of a given size, in the program's
// style, shown at once: with nothing in it, or with one line of text (`bare-window W H text`),
// which is what any window that shows a word pays for the toolkit's fonts.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QWidget window;
    window.setFixedSize(argc > 2 ? std::atoi(argv[1]) : 938, argc > 2 ? std::atoi(argv[2]) : 511);
    if (argc > 3 && std::strcmp(argv[3], "text") == 0)
        (new QLabel(QStringLiteral("Sounding Pitch"), &window))->adjustSize();
    window.show();
    return app.exec();
}
