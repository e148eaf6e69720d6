// SPDX-License-Identifier: GPL-3.0-or-later
// One headless run: load, advance frame by frame exactly as the window does, write what the
// options ask for.
#pragma once

#include <csignal>
#include <ostream>

#include "tools/batch_options.h"

namespace swirlon::batch {

// Runs options to the end and returns the exit code. Messages go to errors; the progress bar
// too, when progressBar is set (a terminal) and the run is not quiet.
//
// Every output target is checked before anything is computed. Pictures go to their folder as
// they are made and stay there whatever happens later. The other files are committed together
// after the last frame: on failure, or when *stopSignal becomes non-zero (checked after each
// frame; it holds the signal's number), none of them is written and their temporary files are
// removed; a stopped run returns ExitSignalBase + the signal's number.
int runBatch(const BatchOptions& options, std::ostream& errors, bool progressBar,
             const volatile std::sig_atomic_t* stopSignal = nullptr);

// Header line of the spectra file: one row per shell k = 1..59 for every recorded frame.
inline constexpr const char* SpectraHeader = "step,time,k,energy,enstrophy";

}  // namespace swirlon::batch
