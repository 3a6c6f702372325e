// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon for its windows and the task bar: the desktop theme's when Sorvel is
// installed where the theme finds it, else the same pictures built into the program.
#pragma once

#include <QIcon>

namespace sorvel {

inline constexpr const char* desktopId = "org.sorvel.Sorvel";

// Needs a QGuiApplication.
QIcon applicationIcon();

} // namespace sorvel
