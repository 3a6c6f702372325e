// SPDX-License-Identifier: GPL-3.0-or-later
#include "quitsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace sorvel {

namespace {

constexpr int watched[] = {SIGTERM, SIGINT, SIGHUP};
// Read and write ends of the pipe; the handler may touch nothing else.
int pipeEnds[2] = {-1, -1};

void writeSignalByte(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a pending wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("Sorvel could not watch for signals.");
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readSignal(); });
    struct sigaction action {};
    action.sa_handler = &writeSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : watched)
        ::sigaction(s, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    for (int s : watched)
        std::signal(s, SIG_DFL);
}

void QuitSignals::readSignal() {
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1)
        if (onSignal_)
            onSignal_(byte);
}

} // namespace sorvel
