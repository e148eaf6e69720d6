// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <iostream>
#include <string_view>
#include <vector>

#include "tools/batch_options.h"
#include "tools/batch_run.h"

int main(int argc, char** argv) {
    using namespace swirlon::batch;
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedCommandLine parsed = parseBatchArguments(args);
    if (parsed.helpRequested) {
        std::cout << batchUsage();
        return ExitSuccess;
    }
    if (parsed.versionRequested) {
        std::cout << batchVersion() << '\n';
        return ExitSuccess;
    }
    if (!parsed.error.empty()) {
        std::cerr << ProgramName << ": " << parsed.error << "\n\n" << batchUsage();
        return ExitBadArguments;
    }
    return runBatch(parsed.options, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
