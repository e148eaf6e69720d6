// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_commands.h"

#include <QFile>

#include <optional>
#include <string>

#include "app/file_error_text.h"
#include "app/flow_view.h"
#include "app/main_frame.h"
#include "app/recording.h"
#include "app/run_recorder.h"
#include "app/texts.h"
#include "field_io/diagnostics_csv.h"

namespace swirlon {
namespace {

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

void openStateFile(CMainFrame& frame) {
    if (const std::optional<QString> path = frame.choosePath(PathKind::loadState)) {
        frame.view().loadState(*path);
    }
}

void saveStateFile(CMainFrame& frame) {
    if (const std::optional<QString> path = frame.choosePath(PathKind::saveState)) {
        if (auto error = frame.view().runSession().saveState(localPath(*path))) {
            frame.report(fileErrorText(*error));
        } else {
            frame.confirm(texts::ConfirmSaved.toString().arg(*path));
        }
    }
}

void saveShownPicture(CMainFrame& frame) {
    if (const std::optional<QString> path = frame.choosePath(PathKind::savePicture)) {
        if (auto error = writePicturePng(localPath(*path), frame.view().currentPicture())) {
            frame.report(fileErrorText(*error));
        } else {
            frame.confirm(texts::ConfirmSaved.toString().arg(*path));
        }
    }
}

void toggleRecording(CMainFrame& frame) {
    FrameRecorder& recorder = frame.view().recorder();
    if (recorder.active()) {
        const QString folder = recorder.folder();
        const long long written = recorder.framesWritten();
        if (auto error = recorder.stop()) {
            frame.report(fileErrorText(*error));
        } else {
            frame.confirm(texts::ConfirmRecorded.toString().arg(folder).arg(written));
        }
        return;
    }
    if (const std::optional<QString> folder = frame.choosePath(PathKind::recordFolder)) {
        if (auto error = recorder.start(*folder)) {
            frame.report(fileErrorText(*error));
        }
    }
}

void toggleMovieRecording(CMainFrame& frame) {
    MovieRecorder& recorder = frame.view().movieRecorder();
    if (recorder.active()) {
        const QString path = recorder.path();
        const long long taken = recorder.framesTaken();
        const long long skipped = recorder.framesSkipped();
        if (auto error = recorder.stop()) {
            frame.report(fileErrorText(*error));
        } else {
            frame.confirm(texts::ConfirmMovieRecorded.toString().arg(path).arg(taken) +
                          (skipped > 0 ? texts::MovieSkippedNote.toString().arg(skipped) : QString()));
        }
        return;
    }
    if (const std::optional<QString> path = frame.choosePath(PathKind::recordMovie)) {
        // The movie starts with the picture on screen.
        const QImage& picture = frame.view().currentPicture();
        if (auto error = recorder.start(*path, picture.size())) {
            frame.report(fileErrorText(*error));
        } else if (auto failure = recorder.record(picture)) {
            frame.report(fileErrorText(*failure));
        }
    }
}

void savePlotData(CMainFrame& frame) {
    if (const std::optional<QString> path = frame.choosePath(PathKind::savePlotData)) {
        if (auto failure = writeDiagnosticsCsv(localPath(*path), frame.recorder().series().records())) {
            frame.report(fileErrorText(*failure));
        } else {
            frame.confirm(texts::ConfirmSaved.toString().arg(*path));
        }
    }
}

}  // namespace swirlon
