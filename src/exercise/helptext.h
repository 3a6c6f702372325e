// SPDX-License-Identifier: GPL-3.0-or-later
// The instructions of the "Help Me!" page: one paragraph a line, an empty line between
// paragraphs; the memo that shows them wraps long lines to its width.
//
//   for (std::string_view line : sorvel::helpLines()) memo.append(line);
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace sorvel {

// The lines of the help page, the greeting first.
std::span<const std::string_view> helpLines();

// The same lines joined by newlines.
std::string helpText();

} // namespace sorvel
