// SPDX-License-Identifier: GPL-3.0-or-later
// The window's command line, in English like swirlon-batch's: answered before any display is
// opened where it asks for help or the version, so both work on a machine without one.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace swirlon {

inline constexpr int ExitUsage = 2;

// The help text: what the window does, which files it takes and the options.
std::string windowUsage();
// "swirlon VERSION", without the line end.
std::string windowVersion();

// When the arguments ask for help or the version, prints it to out and returns the exit code;
// otherwise std::nullopt, and the window starts. Qt's own options pass untouched.
std::optional<int> answerWithoutDisplay(int argc, const char* const* argv, std::ostream& out);

}  // namespace swirlon
