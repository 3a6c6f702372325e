// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick of the start-up benchmark: a bare Qt window of a given size, in the program's
// style, with nothing in it, shown at once.
#include <QApplication>
#include <QWidget>

#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QWidget window;
    window.setFixedSize(argc > 2 ? std::atoi(argv[1]) : 938, argc > 2 ? std::atoi(argv[2]) : 511);
    window.show();
    return app.exec();
}
