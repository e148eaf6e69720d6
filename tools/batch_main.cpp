// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string_view>
#include <vector>

#include "tools/batch_options.h"
#include "tools/batch_run.h"

namespace {

// The number of the signal that asked the run to stop, or 0.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void requestStop(int signal) { stopSignal = signal; }

// Interrupting, terminating or hanging up ends the run after the current frame, its temporary
// files removed; a second signal ends the program at once. A reader that goes away from
// standard output shows as a failed write, which the run cleans up after.
void catchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

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
    catchStopSignals();
    const int status = runBatch(parsed.options, std::cerr, ::isatty(STDERR_FILENO) != 0, &stopSignal);
    if (stopSignal != 0 && status == ExitSignalBase + stopSignal) {
        // Ending by the signal itself, once the files are in order, tells a calling shell that
        // the run was interrupted, so a script stops too.
        std::cerr.flush();
        std::signal(stopSignal, SIG_DFL);
        std::raise(stopSignal);
    }
    return status;
}
