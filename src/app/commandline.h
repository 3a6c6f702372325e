// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: its own options, and the few that only print something and end
// (--help, --version, a mistake). Those run before any window exists, with a bare
// QCoreApplication, so that they work without a display.
#pragma once

#include "instruments.h"

#include <optional>
#include <string>

namespace sorvel {

// What the window starts with, from the command line. The reference pitch and an imported
// scale are already in activeTuning() when answerCommandLine returns.
struct StartOptions {
    // The system the "Tuning System" box starts on: the imported scale when one was given,
    // else --system, else Equal.
    int system = 0;
};

// Answers --help, --version and --print-frequencies on standard output (status 0), an unknown
// option or an argument on standard error with the usage (status 2), and a bad value or file
// with its message (status 1). Returns nothing when the program is to start its window, with
// `start` filled in; the options Qt itself reads (-platform, -style, ...) are let through.
std::optional<int> answerCommandLine(int argc, char** argv, StartOptions& start);

// The instrument (--timbre) and the drone (--drone) that the last answerCommandLine read.
SoundChoice commandLineSoundChoice();

} // namespace sorvel
