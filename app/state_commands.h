// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu's saved runs: the same state files as swirlon-batch's --state and --save-state,
// so a run goes on in either program exactly where the other stopped.
#pragma once

namespace swirlon {

class FlowView;

// Asks for a state file and continues the view's run from it; a failure is reported.
void openStateFile(FlowView& view);
// Asks for a path and saves the view's run there; a failure is reported and leaves any file
// already there as it was.
void saveStateFile(FlowView& view);

}  // namespace swirlon
