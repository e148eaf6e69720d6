// SPDX-License-Identifier: GPL-3.0-or-later
// Keys for the commands used most while watching a run. They work beside the menu rather than
// as its items' shortcuts, so the menu's items stay as they are; one key may stand for several
// commands (Space: start or stop) and runs the first whose enable rule allows it.
#pragma once

#include <QKeyCombination>
#include <QString>

#include <span>

namespace swirlon {

class CMainFrame;

struct KeyBinding {
    QKeyCombination keys;
    int commandId = 0;
    // Whether holding the key down repeats the command.
    bool autoRepeat = false;
};

std::span<const KeyBinding> keyBindings();

// The key of a command as the menu shows it beside the item ("Space", "Ctrl+O"); empty for a
// command without one.
QString keyLabel(int commandId);

// Makes the frame answer every key of the table while it is the active window. A key whose
// commands are all disabled says why in the message pane.
void installKeyBindings(CMainFrame& frame);

}  // namespace swirlon
