// SPDX-License-Identifier: GPL-3.0-or-later
// The window's file dialogs: Qt's own (in Japanese once its translation is installed), each
// opening in the folder that the last one closed in (kept from one start to the next).
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
    // The movie file of a recording.
    recordMovie,
    // A saved run to continue from, and where the run is saved.
    loadState,
    saveState,
    // Where the diagnostics record of the run is saved as CSV.
    savePlotData,
};

// The folder the next dialog opens in: where the last one closed, or the one set at start-up.
QString lastDialogFolder();
void setLastDialogFolder(const QString& folder);

// Asks the user for a path of the kind; std::nullopt when the user cancels.
std::optional<QString> askForPath(QWidget* parent, PathKind kind);

}  // namespace swirlon
