// SPDX-License-Identifier: GPL-3.0-or-later
// The one table of the menu's commands: text, prompt, handler and the enable and check rules,
// keyed by command id.
#pragma once

#include <QStringView>

#include <span>

namespace swirlon {

class CMainFrame;
class FlowView;

struct CommandEntry {
    int id = 0;
    QStringView text;
    // Message-pane text while the item is highlighted; empty for none (the pane goes blank).
    QStringView prompt;
    void (*handler)(CMainFrame& frame) = nullptr;
    // nullptr: always enabled.
    bool (*enabled)(const FlowView& view) = nullptr;
    // nullptr: never carries a check mark.
    bool (*checked)(const FlowView& view) = nullptr;
};

// In a drop-down's list of command ids: a separator line.
inline constexpr int MenuSeparator = 0;

struct MenuEntry {
    QStringView title;
    std::span<const int> commandIds;
};

std::span<const CommandEntry> commandTable();
// nullptr for an id the table does not hold.
const CommandEntry* findCommand(int id);
// Runs the command's handler if its enable rule allows it at this moment; false when dropped.
bool runIfEnabled(const CommandEntry& command, CMainFrame& frame);
// The menu bar, left to right, with each drop-down's items top to bottom.
std::span<const MenuEntry> menuLayout();

}  // namespace swirlon
