// SPDX-License-Identifier: GPL-3.0-or-later
// The one table of the menu's commands: text, prompt, handler and the enable and check rules,
// keyed by command id.
#pragma once

#include <QStringView>

#include <span>

namespace swirlon {

class CMainFrame;

struct CommandEntry {
    int id = 0;
    QStringView text;
    // Message-pane text while the item is highlighted; empty for none (the pane goes blank).
    QStringView prompt;
    void (*handler)(CMainFrame& frame) = nullptr;
    // Rules read the window (the view's state, the window's own panels). nullptr: always enabled.
    bool (*enabled)(const CMainFrame& frame) = nullptr;
    // nullptr: never carries a check mark.
    bool (*checked)(const CMainFrame& frame) = nullptr;
};

// One line of a menu: a command, a separator, or a submenu with lines of its own.
struct MenuEntry {
    enum class Kind { command, separator, submenu };
    Kind kind = Kind::command;
    // Kind::command.
    int commandId = 0;
    // Kind::submenu: its title, its message-pane text while the title is highlighted (empty for
    // none) and its lines, top to bottom.
    QStringView title;
    QStringView prompt;
    std::span<const MenuEntry> entries;
};

constexpr MenuEntry menuCommand(int id) {
    MenuEntry entry;
    entry.commandId = id;
    return entry;
}
constexpr MenuEntry menuSeparator() {
    MenuEntry entry;
    entry.kind = MenuEntry::Kind::separator;
    return entry;
}
constexpr MenuEntry submenu(QStringView title, QStringView prompt, std::span<const MenuEntry> entries) {
    MenuEntry entry;
    entry.kind = MenuEntry::Kind::submenu;
    entry.title = title;
    entry.prompt = prompt;
    entry.entries = entries;
    return entry;
}

std::span<const CommandEntry> commandTable();
// nullptr for an id the table does not hold.
const CommandEntry* findCommand(int id);
// The enable rule at this moment.
bool commandEnabled(const CommandEntry& command, const CMainFrame& frame);
// Runs the command's handler if its enable rule allows it at this moment; false when dropped.
bool runIfEnabled(const CommandEntry& command, CMainFrame& frame);
// The menu bar: its drop-downs (submenus) left to right.
std::span<const MenuEntry> menuLayout();

// Groups of commands of which exactly one is checked at a time (Reynolds number, picture,
// pace, zoom); the menu shows them as exclusive choices.
std::span<const std::span<const int>> exclusiveChoices();

}  // namespace swirlon
