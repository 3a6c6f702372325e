// SPDX-License-Identifier: GPL-3.0-or-later
// The window tests need no display and no sound card. CTest's environment can carry only one
// variable per discovered test here, so the rest is set before any test runs; a value already
// given from outside (tools/test, or a developer's own choice) is kept.
#include <cstdlib>

namespace {
const bool environmentSet = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
} // namespace
