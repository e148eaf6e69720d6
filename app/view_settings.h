// SPDX-License-Identifier: GPL-3.0-or-later
// How the window looked when it was last closed, kept in the user's settings (QSettings): zoom,
// legend, colour range, pace, plots dock, the dialogs' folder and the window's place and size.
// The physics (Reynolds number, filter, field) is not kept: every start begins the same flow.
#pragma once

namespace swirlon {

class CMainFrame;

// Applies what was kept; anything missing or out of range keeps the start-up choice.
void restoreViewSettings(CMainFrame& frame);
void saveViewSettings(const CMainFrame& frame);

}  // namespace swirlon
