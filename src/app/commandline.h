// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: its own options, and the few that only print something and end
// (--help, --version, a mistake). Those run before any window exists, with a bare
// QCoreApplication, so that they work without a display.
#pragma once

#include "instruments.h"

#include <optional>

namespace sorvel {

// Answers --help and --version on standard output (status 0) and an unknown option or an
// argument on standard error with the usage (status 2). Returns nothing when the program is to
// start its window; the options Qt itself reads (-platform, -style, ...) are let through.
std::optional<int> answerCommandLine(int argc, char** argv);

// The instrument (--timbre) and the drone (--drone) that the last answerCommandLine read.
SoundChoice commandLineSoundChoice();

} // namespace sorvel
