// SPDX-License-Identifier: GPL-3.0-or-later
// Sorvel: ear training for musical tuning.
#include "appicon.h"
#include "commandline.h"
#include "fontregistration.h"
#include "quitsignals.h"
#include "sorvelmainform.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFontDatabase>
#include <QMessageBox>
#include <QTimer>
#include <QEvent>
#include <QWidget>

#include <csignal>
#include <exception>
#include <latch>
#include <thread>

namespace {

// An error escaping an event handler is shown, not allowed to end the program.
class SorvelApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* e) override {
        try {
            return QApplication::notify(receiver, e);
        } catch (const std::exception& error) {
            QMessageBox::critical(nullptr, QStringLiteral("Sorvel"),
                                  QString::fromUtf8(error.what()));
        } catch (...) {
            QMessageBox::critical(nullptr, QStringLiteral("Sorvel"), QString());
        }
        return false;
    }
};

// The icon's theme lookup and its images take longer than the window's first paint: they
// follow it, so that the window is drawn as soon as it is up. A window that is never painted
// (started minimised) gets its icon a second later.
class IconAfterFirstPaint : public QObject {
public:
    explicit IconAfterFirstPaint(QWidget& window) : QObject(&window) {
        window.installEventFilter(this);
        QTimer::singleShot(1000, this, &IconAfterFirstPaint::setIcon);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !set_)
            QTimer::singleShot(0, this, &IconAfterFirstPaint::setIcon);
        return false;
    }

private:
    void setIcon() {
        if (set_)
            return;
        set_ = true;
        parent()->removeEventFilter(this);
        QApplication::setWindowIcon(sorvel::applicationIcon());
    }
    bool set_ = false;
};

} // namespace

int main(int argc, char** argv) {
    // Standard output may be a pipe whose reader has gone; a line written there must fail
    // quietly, not end the program with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    // --help, --version and a mistyped option are answered before a display is needed.
    sorvel::StartOptions start;
    if (const auto status = sorvel::answerCommandLine(argc, argv, start))
        return *status;
    // Reading the system's font configuration and font list is a third of the start-up's
    // work and needs nothing of the window. The configuration is read while the application
    // connects to the display, the list once the application exists; the building of the
    // controls waits for it only where it first measures a text (the database is thread-safe).
    std::latch applicationMade(1);
    std::jthread preload([&applicationMade] {
        sorvel::loadFontConfiguration();
        applicationMade.wait();
        QFontDatabase::families();
    });
    // The session bus, which the screen reader's bridge connects to at the first control (with
    // no bus, a helper is spawned and fails), is connected meanwhile on a thread of its own.
    std::jthread bus([&applicationMade] {
        applicationMade.wait();
        QDBusConnection::sessionBus();
    });
    SorvelApplication app(argc, argv);
    applicationMade.count_down();
    // The list is read with the application alive: joined before it ends, on every path out.
    struct JoinedFirst {
        std::jthread& fonts;
        std::jthread& bus;
        ~JoinedFirst() {
            fonts.join();
            bus.join();
        }
    } joinedFirst{preload, bus};
    QApplication::setStyle(QStringLiteral("Fusion"));
    // A desktop's logout (TERM), Ctrl+C in a terminal (INT) or a closed terminal (HUP) ends
    // Sorvel as closing its window does: the windows close, the loop ends, the main window's
    // shut-down stops the sound and unregisters the font, and the status is 0.
    sorvel::QuitSignals quitOnSignal([](int) {
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    try {
        auto mainForm = sorvel::createMainWindow(start, sorvel::commandLineSoundChoice());
        mainForm->show();
        new IconAfterFirstPaint(*mainForm);
        return app.exec();
    } catch (const std::exception& error) {
        sorvel::reportStartupError(QString::fromUtf8(error.what()));
    } catch (...) {
        sorvel::reportStartupError(QStringLiteral("Sorvel could not start."));
    }
    return 1;
}
