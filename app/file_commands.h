// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu's commands that ask the user for a path: they run the main window's dialogs,
// hand the path to the session, view or recorder, and report a failure in the window's box.
// Saved runs are the same state files as swirlon-batch's --state and --save-state, so a run
// goes on in either program exactly where the other stopped.
#pragma once

namespace swirlon {

class CMainFrame;

// Asks for a state file and continues the run from it.
void openStateFile(CMainFrame& frame);
// Asks for a path and saves the run there; a failure leaves any file already there as it was.
void saveStateFile(CMainFrame& frame);
// Asks for a PNG path and writes the picture the view shows there.
void saveShownPicture(CMainFrame& frame);
// Stops a recording, or asks for a folder and starts one there.
void toggleRecording(CMainFrame& frame);
// Starts a movie of every picture drawn from now on, or ends the one being recorded.
void toggleMovieRecording(CMainFrame& frame);
// Asks for a file and writes the plots' series there as CSV; a failure leaves no file behind.
void savePlotData(CMainFrame& frame);

}  // namespace swirlon
