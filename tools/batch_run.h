// SPDX-License-Identifier: GPL-3.0-or-later
// One headless run: load, advance frame by frame exactly as the window does, write what the
// options ask for.
#pragma once

#include <ostream>

#include "tools/batch_options.h"

namespace swirlon::batch {

// Runs options to the end and returns the exit code. Messages go to errors; the progress bar
// too, when progressBar is set (a terminal) and the run is not quiet. On failure no output file
// is left behind half-written and the state and vorticity files are not written at all.
int runBatch(const BatchOptions& options, std::ostream& errors, bool progressBar);

// Name of the picture of frame n, zero-padded to at least width digits so that names sort in
// frame order.
std::string frameFileName(long long frame, int width);
// Digits used for frame numbers of a run of steps frames.
int frameNumberWidth(long long steps);

// Header line of the spectra file: one row per shell k = 1..59 for every recorded frame.
inline constexpr const char* SpectraHeader = "step,time,k,energy,enstrophy";

}  // namespace swirlon::batch
