// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/movie_recorder.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <QLabel>
#include <QStatusBar>

#include <algorithm>

#include "app/recording.h"
#include "app/texts.h"

namespace swirlon {
namespace {

constexpr int RgbBytes = 3;
// The lowest scheduling priority a thread can ask for without privileges.
constexpr int EncoderNiceness = 19;

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

MovieRecorder::~MovieRecorder() {
    if (active()) {
        static_cast<void>(stop());
    }
}

std::optional<FileError> MovieRecorder::start(const QString& path, QSize size) {
    if (active()) {
        return std::nullopt;
    }
    if (auto error = writer_.open(localPath(path), {size.width(), size.height(), WindowMovieFps})) {
        return error;
    }
    path_ = path;
    size_ = size;
    taken_ = 0;
    skipped_ = 0;
    ending_ = false;
    failure_.reset();
    worker_ = std::thread([this] { encodeQueued(); });
    Q_EMIT changed();
    return std::nullopt;
}

void MovieRecorder::encodeQueued() {
    // The encoder takes what processor time the run loop leaves: on a busy machine the movie
    // skips pictures rather than slowing the flow.
    static_cast<void>(::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), EncoderNiceness));
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;
        }
        // The picture stays in the queue while it is encoded, so a full queue means the frames
        // held, this one included.
        const std::vector<std::uint8_t>& picture = queue_.front();
        lock.unlock();
        std::optional<FileError> error = writer_.addFrame(picture);
        lock.lock();
        queue_.pop_front();
        if (error) {
            failure_ = std::move(error);
            queue_.clear();
            return;
        }
    }
}

std::optional<FileError> MovieRecorder::stop() {
    if (!active()) {
        return std::nullopt;
    }
    {
        const std::scoped_lock lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    worker_.join();
    std::optional<FileError> error = failure_;
    if (!error) {
        error = writer_.finish();
    }
    writer_.discard();
    Q_EMIT changed();
    return error;
}

std::optional<FileError> MovieRecorder::record(const QImage& picture) {
    if (!active()) {
        return std::nullopt;
    }
    bool full = false;
    bool failed = false;
    {
        const std::scoped_lock lock(mutex_);
        failed = failure_.has_value();
        full = queue_.size() >= MovieQueueFrames;
    }
    if (failed) {
        // The worker has ended; the recording ends with its failure.
        return stop();
    }
    skipped_ += full ? 1 : 0;
    if (!full) {
        const QImage rgb =
            (picture.size() == size_ ? picture : picture.scaled(size_)).convertToFormat(QImage::Format_RGB888);
        const auto rowBytes = static_cast<std::size_t>(rgb.width()) * RgbBytes;
        std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(rgb.height()));
        for (int y = 0; y < rgb.height(); ++y) {
            std::copy_n(rgb.constScanLine(y), rowBytes, pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
        }
        {
            const std::scoped_lock lock(mutex_);
            queue_.push_back(std::move(pixels));
        }
        wake_.notify_one();
        ++taken_;
    }
    Q_EMIT changed();
    return std::nullopt;
}

QLabel* addMovieRecordingPane(QStatusBar& bar, const MovieRecorder& recorder) {
    QLabel* pane = addRecorderPane(bar);
    QObject::connect(&recorder, &MovieRecorder::changed, pane, [pane, &recorder] {
        pane->setVisible(recorder.active());
        QString text = texts::MovieRecordingPane.toString().arg(recorder.framesTaken());
        if (recorder.framesSkipped() > 0) {
            text += texts::MovieSkippedNote.toString().arg(recorder.framesSkipped());
        }
        pane->setText(text);
    });
    return pane;
}

}  // namespace swirlon
