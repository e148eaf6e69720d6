// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recording.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "app/file_error_text.h"
#include "app/flow_view.h"
#include "app/texts.h"
#include "field_io/frame_files.h"
#include "field_io/png_writer.h"

namespace swirlon {
namespace {

constexpr int RgbBytes = 3;

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

std::optional<FileError> writePicturePng(const std::string& path, const QImage& picture, Durability durability) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const auto rowBytes = static_cast<std::size_t>(rgb.width()) * RgbBytes;
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        std::copy_n(rgb.constScanLine(y), rowBytes, pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
    }
    return writePng(path, rgb.width(), rgb.height(), pixels, durability);
}

std::optional<FileError> FrameRecorder::start(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir()) {
        const int error = info.exists() ? ENOTDIR : ENOENT;
        return FileError{FileErrorKind::writeFailed, localPath(folder), std::strerror(error)};
    }
    long long highest = -1;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        highest = std::max(highest, frameNumberOf(name.toStdString()).value_or(-1));
    }
    folderPath = info.absoluteFilePath();
    nextFrame = highest + 1;
    written = 0;
    Q_EMIT changed();
    return std::nullopt;
}

FrameRecorder::~FrameRecorder() {
    if (active() && written > 0) {
        static_cast<void>(flushFolderToDisk(localPath(folderPath)));
    }
}

std::optional<FileError> FrameRecorder::stop() {
    const std::string folder = localPath(folderPath);
    folderPath.clear();
    Q_EMIT changed();
    return written > 0 ? flushFolderToDisk(folder) : std::nullopt;
}

std::optional<FileError> FrameRecorder::record(const QImage& picture) {
    if (!active()) {
        return std::nullopt;
    }
    const QString path = QDir(folderPath).filePath(QString::fromStdString(frameFileName(nextFrame)));
    if (auto error = writePicturePng(localPath(path), picture, Durability::flushFolderLater)) {
        // The write failure is the news; the folder may well be gone.
        static_cast<void>(stop());
        return error;
    }
    ++nextFrame;
    ++written;
    Q_EMIT changed();
    return std::nullopt;
}

QLabel* addRecorderPane(QStatusBar& bar) {
    auto* pane = new QLabel(&bar);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->hide();
    bar.addPermanentWidget(pane);
    return pane;
}

QLabel* addRecordingPane(QStatusBar& bar, const FrameRecorder& recorder) {
    QLabel* pane = addRecorderPane(bar);
    QObject::connect(&recorder, &FrameRecorder::changed, pane, [pane, &recorder] {
        pane->setVisible(recorder.active());
        pane->setText(texts::RecordingPane.toString().arg(recorder.framesWritten()));
    });
    return pane;
}

}  // namespace swirlon
