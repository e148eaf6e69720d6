// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flow_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <QScreen>

#include <cstddef>
#include <cstring>

#include "app/file_error_text.h"
#include "app/texts.h"
#include "field_io/presets.h"

namespace swirlon {
namespace {

// Assumed when the screen does not tell its refresh rate.
constexpr double FallbackRefreshRate = 60.0;
constexpr double NanosecondsPerSecond = 1e9;

std::optional<QString> chooseBmpFile(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({texts::FilterBmp.toString(), texts::FilterAll.toString()});
    dialog.setDefaultSuffix(texts::DefaultSuffix.toString());
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

void showWarning(QWidget* parent, const QString& message) {
    QMessageBox::warning(parent, texts::AppName.toString(), message, QMessageBox::Ok);
}

}  // namespace

FlowView::FlowView(QWidget* parent)
    : QWidget(parent),
      flow(ReynoldsMedium),
      pictureBuffer(std::make_unique<PictureBuffer>()),
      screenImage(PictureSide, PictureSide, QImage::Format_RGB32),
      fileChooser(chooseBmpFile),
      messageReporter(showWarning) {
    const auto start = std::make_unique<PackedSpectrum>();
    loadDefaultField(*start);
    flow.setState(*start);
    // Every pixel comes from paintEvent; the view reacts to no mouse input and binds no keys.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

FlowView::~FlowView() = default;

QSize FlowView::sizeHint() const { return {PictureSide, PictureSide}; }

QRect FlowView::pictureRect() const { return {drawOrigin, QSize(PictureSide, PictureSide)}; }

void FlowView::runCalculation() {
    if (runState != RunState::idle) {
        return;
    }
    runState = RunState::running;
    Q_EMIT stateChanged();

    bool diverged = false;
    const qint64 presentInterval = presentIntervalNs();
    QElapsedTimer sincePresent;
    while (!stopRequested) {
        if (!flow.advanceFrame().finite) {
            // advanceFrame has put the last finite state back; the picture keeps showing it.
            diverged = true;
            break;
        }
        ++frameCount;
        needsRedraw = true;
        // A frame the screen could not show before the next refresh is not drawn: drawing
        // costs a good part of a frame, and the loop would spend it on pictures nobody sees.
        if (!sincePresent.isValid() || sincePresent.nsecsElapsed() >= presentInterval) {
            sincePresent.start();
            renderScreenImage();
            repaint(pictureRect());
        }
        Q_EMIT frameComputed(frameCount);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    if (needsRedraw) {
        // The window must end the run on its last frame, drawn or skipped.
        update();
    }

    stopRequested = false;
    runState = RunState::idle;
    Q_EMIT stateChanged();
    if (diverged) {
        report(texts::RunDiverged.toString());
    }
}

qint64 FlowView::presentIntervalNs() const {
    const QScreen* display = screen();
    const double refreshRate = display != nullptr && display->refreshRate() > 0.0 ? display->refreshRate()
                                                                                    : FallbackRefreshRate;
    return static_cast<qint64>(NanosecondsPerSecond / refreshRate);
}

void FlowView::requestStop() {
    if (runState == RunState::running) {
        stopRequested = true;
    }
}

void FlowView::loadInitialVorticity() {
    if (runState != RunState::idle) {
        return;
    }
    const std::optional<QString> path = fileChooser(this);
    if (path) {
        loadFile(*path);
    }
}

bool FlowView::loadFile(const QString& path) {
    if (runState != RunState::idle) {
        return false;
    }
    const auto vorticity = std::make_unique<PackedSpectrum>();
    const std::optional<FileError> failure =
        loadVorticityBmp(QFile::encodeName(path).toStdString(), *vorticity, &bmpInfoHeader);
    if (failure) {
        report(fileErrorText(*failure));
        return false;
    }
    // The speed picture then shows the loaded field's own velocity at once.
    flow.setStateFromVorticity(*vorticity);
    needsRedraw = true;
    update();
    return true;
}

void FlowView::setReynolds(int value) {
    if (value != ReynoldsLow && value != ReynoldsMedium && value != ReynoldsHigh) {
        return;
    }
    flow.setReynolds(value);
    Q_EMIT stateChanged();
}

void FlowView::setDisplayMode(DisplayMode mode) {
    displayMode = mode;
    needsRedraw = true;
    update();
    Q_EMIT stateChanged();
}

void FlowView::renderScreenImage() {
    renderPicture(flow, displayMode, *pictureBuffer);
    // The enlargement goes straight into the painted image in its native pixel format: one
    // pass, and each screen line is built once and copied for the rest of its block.
    const std::size_t lineBytes = static_cast<std::size_t>(PictureSide) * sizeof(QRgb);
    for (int gridRow = 0; gridRow < GridSize; ++gridRow) {
        const int firstLine = (GridSize - 1 - gridRow) * PictureScale;
        auto* line = reinterpret_cast<QRgb*>(screenImage.scanLine(firstLine));
        const std::uint8_t* source = pictureBuffer->data() + static_cast<std::size_t>(gridRow) * GridSize * PictureBytesPerPixel;
        for (int column = 0; column < GridSize; ++column, source += PictureBytesPerPixel) {
            const QRgb colour = qRgb(source[PictureRedByte], source[PictureGreenByte], source[PictureBlueByte]);
            for (int repeat = 0; repeat < PictureScale; ++repeat) {
                *line++ = colour;
            }
        }
        for (int copy = 1; copy < PictureScale; ++copy) {
            std::memcpy(screenImage.scanLine(firstLine + copy), screenImage.constScanLine(firstLine), lineBytes);
        }
    }
    // The image now shows the newest state, so no repaint brings back an older picture.
    needsRedraw = false;
}

void FlowView::paintEvent(QPaintEvent* event) {
    if (needsRedraw) {
        renderScreenImage();
    }
    QPainter painter(this);
    const QRect square = pictureRect();
    for (const QRect& part : event->region().subtracted(QRegion(square))) {
        painter.fillRect(part, Qt::white);
    }
    if (event->region().intersects(square)) {
        painter.drawImage(square.topLeft(), screenImage);
    }
}

void FlowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    clientWidth = event->size().width();
    clientHeight = event->size().height();
    // Integer division truncates toward zero, so a window narrower than the picture gets a
    // negative origin and the picture hangs off both edges evenly.
    drawOrigin = QPoint((clientWidth - PictureSide) / 2, (clientHeight - PictureSide) / 2);
    needsRedraw = true;
}

void FlowView::report(const QString& message) {
    if (messageReporter) {
        messageReporter(this, message);
    }
}

}  // namespace swirlon
