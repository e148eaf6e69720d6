// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures as the window shows them, written as PNG: one on request, or every picture drawn
// while recording is on, as frame-NNNNNN.png in a folder.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <optional>
#include <string>

#include "field_io/atomic_file.h"
#include "field_io/file_error.h"

class QLabel;
class QStatusBar;

namespace swirlon {

class FlowView;

// Writes picture (any format) as an 8-bit RGB PNG, atomically.
std::optional<FileError> writePicturePng(const std::string& path, const QImage& picture,
                                         Durability durability = Durability::flushEachFile);

class FrameRecorder : public QObject {
    Q_OBJECT

  public:
    FrameRecorder() = default;
    // A recording still on when the window goes gets its frames to the disk all the same.
    ~FrameRecorder() override;
    FrameRecorder(const FrameRecorder&) = delete;
    FrameRecorder& operator=(const FrameRecorder&) = delete;

    // Starts recording into an existing folder. Numbers continue after the highest frame file
    // already there, so an earlier recording is never overwritten.
    std::optional<FileError> start(const QString& folder);
    // Ends the recording; its frames are flushed to disk only now, all at once.
    std::optional<FileError> stop();
    bool active() const { return !folderPath.isEmpty(); }
    // The folder of the recording on, empty while none is.
    const QString& folder() const { return folderPath; }
    long long framesWritten() const { return written; }

    // Writes picture as the next frame. A failure stops the recording and is returned.
    std::optional<FileError> record(const QImage& picture);

  Q_SIGNALS:
    // Recording started or stopped, or a frame was written.
    void changed();

  private:
    QString folderPath;
    long long nextFrame = 0;
    long long written = 0;
};

// A status-bar pane of a recorder, hidden until the recorder is on.
QLabel* addRecorderPane(QStatusBar& bar);
// A status-bar pane that says, while recorder is on, that it records and how many frames.
QLabel* addRecordingPane(QStatusBar& bar, const FrameRecorder& recorder);

}  // namespace swirlon
