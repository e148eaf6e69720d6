// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/key_bindings.h"

#include <QKeySequence>
#include <QShortcut>

#include <algorithm>
#include <vector>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/main_frame.h"

namespace swirlon {
namespace {

// Only the single frame repeats: a repeated Space would start and stop in turn.
const KeyBinding Bindings[]{
    {Qt::Key_Space, ID_CALC_START, false},
    {Qt::Key_Space, ID_CALC_STOP, false},
    {Qt::Key_Right, ID_CALC_STEP, true},
    {Qt::ControlModifier | Qt::Key_O, ID_LOAD_INITIAL_VORTICITY, false},
    {Qt::ControlModifier | Qt::Key_R, ID_CALC_RESET, false},
    {Qt::ControlModifier | Qt::Key_S, ID_FILE_SAVE_STATE, false},
};

void runFirstEnabled(CMainFrame& frame, QKeyCombination keys) {
    for (const KeyBinding& binding : Bindings) {
        const CommandEntry* command = findCommand(binding.commandId);
        if (binding.keys == keys && commandEnabled(*command, frame)) {
            frame.dispatchCommand(binding.commandId);
            return;
        }
    }
    // Every command of the key waits for the run to end.
    frame.explainRefusal();
}

}  // namespace

std::span<const KeyBinding> keyBindings() { return Bindings; }

QString keyLabel(int commandId) {
    const auto found = std::ranges::find(Bindings, commandId, &KeyBinding::commandId);
    return found == std::ranges::end(Bindings) ? QString()
                                               : QKeySequence(found->keys).toString(QKeySequence::NativeText);
}

void installKeyBindings(CMainFrame& frame) {
    std::vector<QKeyCombination> done;
    for (const KeyBinding& binding : Bindings) {
        if (std::find(done.begin(), done.end(), binding.keys) != done.end()) {
            continue;
        }
        done.push_back(binding.keys);
        auto* shortcut = new QShortcut(QKeySequence(binding.keys), &frame);
        shortcut->setAutoRepeat(binding.autoRepeat);
        QObject::connect(shortcut, &QShortcut::activated, &frame,
                         [&frame, keys = binding.keys] { runFirstEnabled(frame, keys); });
    }
}

}  // namespace swirlon
