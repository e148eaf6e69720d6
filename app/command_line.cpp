// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <string_view>

#include "swirlon_version.h"

namespace swirlon {

std::string windowUsage() {
    return "Usage: swirlon [options] [FILE]\n"
           "Two-dimensional incompressible viscous flow, live.\n"
           "\n"
           "FILE is loaded once the window is up:\n"
           "  a saved run (.npz, or a bare .npy spectrum, as swirlon-batch --save-state writes them)\n"
           "    goes on from where it stopped;\n"
           "  any other file is a picture whose colours give the initial vorticity: BMP, PNG, JPEG,\n"
           "    GIF, TIFF or any other format Qt's image reader knows, told apart by content.\n"
           "\n"
           "Options:\n"
           "  -h, --help     Show this help and exit.\n"
           "  -v, --version  Show the version and exit.\n"
           "Qt's own options (-platform, -style, ...) are accepted as well.\n";
}

std::string windowVersion() { return std::string("swirlon ") + SwirlonVersion; }

std::optional<int> answerWithoutDisplay(int argc, const char* const* argv, std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-h" || argument == "--help" || argument == "-?") {
            out << windowUsage();
            return 0;
        }
        if (argument == "-v" || argument == "--version") {
            out << windowVersion() << '\n';
            return 0;
        }
        if (argument == "--") {
            break;
        }
    }
    return std::nullopt;
}

}  // namespace swirlon
