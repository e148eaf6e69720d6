// SPDX-License-Identifier: GPL-3.0-or-later
// The window's file dialogs: Qt's own (in Japanese once its translation is installed), each
// opening in the folder that the last one closed in during this session.
#pragma once

#include <QString>
#include <QWidget>

#include <optional>

namespace swirlon {

enum class PathKind {
    // A picture whose colours become the initial vorticity.
    loadPicture,
    // Where the picture on screen is saved as PNG.
    savePicture,
    // The folder recorded frames go to.
    recordFolder,
    // A saved run to continue from, and where the run is saved.
    loadState,
    saveState,
    // Where the diagnostics record of the run is saved as CSV.
    savePlotData,
};

// Asks the user for a path of the kind; std::nullopt when the user cancels.
std::optional<QString> askForPath(QWidget* parent, PathKind kind);

}  // namespace swirlon
