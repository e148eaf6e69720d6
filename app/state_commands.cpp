// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/state_commands.h"

#include <QFile>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/file_error_text.h"
#include "app/flow_view.h"
#include "field_io/atomic_file.h"
#include "field_io/state_file.h"

namespace swirlon {
namespace {

// The view's state, clock, Reynolds number and frame settings, written atomically in the format
// the name asks for.
std::optional<FileError> writeViewState(const FlowView& view, const std::string& path) {
    const Simulation& flow = view.simulation();
    const RunClock clock{.frames = flow.framesDone(),
                         .reynolds = flow.reynolds(),
                         .filter = flow.frameSettings().filter,
                         .stabilityLimit = flow.frameSettings().stabilityLimit,
                         .physics = flow.physics(),
                         .noise = flow.forcingNoise()};
    const std::vector<std::uint8_t> bytes = encodeState(stateFormatFor(path), flow.psi(), clock);
    if (bytes.empty()) {
        return FileError{FileErrorKind::writeFailed, path, "the archive could not be made"};
    }
    return writeFileAtomically(path, bytes);
}

}  // namespace

void openStateFile(FlowView& view) {
    if (const std::optional<QString> path = view.choosePath(PathKind::loadState)) {
        view.loadState(*path);
    }
}

void saveStateFile(FlowView& view) {
    if (const std::optional<QString> path = view.choosePath(PathKind::saveState)) {
        if (auto error = writeViewState(view, QFile::encodeName(*path).toStdString())) {
            view.report(fileErrorText(*error));
        }
    }
}

}  // namespace swirlon
