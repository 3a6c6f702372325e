// SPDX-License-Identifier: GPL-3.0-or-later
// Ends the program on SIGTERM, SIGINT and SIGHUP the way closing its window does: the signal
// handler only writes a byte into a pipe, and the event loop, seeing it, runs `onSignal`.
//
//   sorvel::QuitSignals quit([] { QApplication::closeAllWindows(); QApplication::quit(); });
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace sorvel {

class QuitSignals : public QObject {
public:
    // Installs the handlers; `onSignal` runs on the event loop's thread, once per signal.
    explicit QuitSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    // Restores the default actions.
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    void readSignal();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace sorvel
