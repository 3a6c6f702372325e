// SPDX-License-Identifier: GPL-3.0-or-later
// Registers font files for this process only, as the notation font "Sonora" needs at start-up,
// and removes them again at shut-down.
//
//   int id = sorvel::registerNotationFont();   // "SONORA.TTF" from the working directory
//   ...                                        // throws sorvel::FontError naming the file
//   sorvel::unregisterFont(id);
#pragma once

#include <stdexcept>
#include <string>

namespace sorvel {

inline constexpr const char* notationFontFile = "SONORA.TTF";
inline constexpr const char* notationFontName = "Sonora";

// A font file that could not be registered; the message names the file.
class FontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Registers the font file (a plain name is looked up in the working directory) for this process
// and returns its registration id. Needs a QGuiApplication. Throws FontError when the file is
// missing, is not a regular file (refused before anything is read, so a FIFO never blocks), is
// larger than any font (16 MiB) or holds no usable font.
int registerFont(const std::string& fileName);

// Registers "SONORA.TTF" and checks that it holds the family "Sonora".
int registerNotationFont(const std::string& fileName = notationFontFile);

// Removes a registration; false for an id that registerFont never returns (negative).
bool unregisterFont(int id);

// Reads the system's font configuration and caches, which the toolkit would otherwise read at
// its first text, on the calling thread; needs no application and may run beside its making.
void loadFontConfiguration();

} // namespace sorvel
