// SPDX-License-Identifier: GPL-3.0-or-later
// Every picture the window draws, recorded as a movie: the pictures are encoded on a worker
// thread, so the run loop only copies each one into a short queue. When the encoder falls
// behind and the queue is full, the picture is skipped and counted; the memory held never
// grows past the queue.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "field_io/file_error.h"
#include "field_io/movie_writer.h"

class QLabel;
class QStatusBar;

namespace swirlon {

// Pictures waiting for the encoder at most: a few frames' slack for an encoder that is slower
// for a moment, some 2 MB at the window's usual picture size.
inline constexpr std::size_t MovieQueueFrames = 4;
// The playback rate of a recording.
inline constexpr double WindowMovieFps = 30.0;

class MovieRecorder : public QObject {
    Q_OBJECT

  public:
    MovieRecorder() = default;
    // A recording still on when the window goes is finished and kept.
    ~MovieRecorder() override;
    MovieRecorder(const MovieRecorder&) = delete;
    MovieRecorder& operator=(const MovieRecorder&) = delete;

    // Starts a movie at path (its extension chooses the format) of pictures of the given size;
    // a picture of another size later (a new grid or zoom) is scaled to it.
    std::optional<FileError> start(const QString& path, QSize size);
    // Encodes what is queued and finishes the movie.
    std::optional<FileError> stop();
    bool active() const { return worker_.joinable(); }
    const QString& path() const { return path_; }
    // Pictures taken into the movie, and those skipped because the encoder was behind.
    long long framesTaken() const { return taken_; }
    long long framesSkipped() const { return skipped_; }

    // Queues picture as the next frame, or skips it when the queue is full. An encoder failure
    // met earlier stops the recording and is returned.
    std::optional<FileError> record(const QImage& picture);

  Q_SIGNALS:
    // Recording started or stopped, or a frame was taken or skipped.
    void changed();

  private:
    void encodeQueued();

    MovieWriter writer_;
    QString path_;
    QSize size_;
    long long taken_ = 0;
    long long skipped_ = 0;

    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    // Guarded by mutex_.
    std::deque<std::vector<std::uint8_t>> queue_;
    bool ending_ = false;
    std::optional<FileError> failure_;
};

// A status-bar pane that says, while recorder is on, that it records and how many frames.
QLabel* addMovieRecordingPane(QStatusBar& bar, const MovieRecorder& recorder);

}  // namespace swirlon
