// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flow_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <QScreen>

#include <cmath>
#include <cstddef>
#include <cstring>

#include "app/colour_legend.h"
#include "app/file_error_text.h"
#include "app/texts.h"
#include "field_io/image_loader.h"
#include "field_io/presets.h"
#include "field_io/state_file.h"
#include "tools/picture_decoder.h"

namespace swirlon {
namespace {

// Assumed when the screen does not tell its refresh rate.
constexpr double FallbackRefreshRate = 60.0;
// Drawing a frame costs about 0.35 ms to render and, on a slow display server, 0.5 ms to put
// on screen, and the server's own work slows the run about as much again: at 60 pictures a
// second a run at full speed would lose a tenth of its frames to drawing.
constexpr double PresentShare = 0.015;
constexpr double NanosecondsPerSecond = 1e9;
constexpr qint64 NanosecondsPerMillisecond = 1'000'000;

std::optional<QString> choosePictureFile(QWidget* parent) { return askForPath(parent, PathKind::loadPicture); }

void showWarning(QWidget* parent, const QString& message) {
    QMessageBox::warning(parent, texts::AppName.toString(), message, QMessageBox::Ok);
}

}  // namespace

FlowView::FlowView(QWidget* parent)
    : QWidget(parent),
      flow(ReynoldsMedium),
      pictureBuffer(std::make_unique<PictureBuffer>()),
      screenImage(PictureTargetSide, PictureTargetSide, QImage::Format_RGB32),
      pictureLayout(layoutPicture(QSize(), 1.0, StartZoom, 0)),
      presentBudget(static_cast<qint64>(NanosecondsPerSecond / FallbackRefreshRate), PresentShare),
      startField(std::make_unique<PackedSpectrum>(Grid{})),
      fileChooser(choosePictureFile),
      messageReporter(showWarning),
      pathChooser(askForPath) {
    loadDefaultField(*startField);
    flow.setState(*startField);
    paceWake.setSingleShot(true);
    paceWake.setTimerType(Qt::PreciseTimer);
    // Every pixel comes from paintEvent; the view reacts to no mouse input and binds no keys.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

FlowView::~FlowView() = default;

QSize FlowView::sizeHint() const { return {PictureTargetSide, PictureTargetSide}; }

QRect FlowView::pictureRect() const { return pictureLayout.pictureRect().toAlignedRect(); }

QRect FlowView::drawnRect() const {
    const QRectF picture = pictureLayout.pictureRect();
    return legendOn ? picture.united(legendArea(picture, fontMetrics())).toAlignedRect() : picture.toAlignedRect();
}

void FlowView::runCalculation() {
    if (runState != RunState::idle) {
        return;
    }
    runState = RunState::running;
    Q_EMIT stateChanged();

    bool diverged = false;
    presentBudget.setFloor(presentIntervalNs());
    presentBudget.restart();
    QElapsedTimer wallClock;
    wallClock.start();
    PaceSchedule schedule;
    paceChanged = true;
    while (!stopRequested) {
        if (!runPace.unlimited()) {
            // Only the frames due by now are computed; until the next falls due the loop waits
            // for events, so the window answers at once and the processor rests.
            const qint64 now = wallClock.nsecsElapsed();
            if (paceChanged) {
                schedule.restart(runPace, frameCount, now);
                paceChanged = false;
            }
            schedule.forgiveLag(frameCount, now);
            if (frameCount >= schedule.framesDue(now)) {
                waitForEvents(schedule.dueAtNs(frameCount + 1) - now);
                continue;
            }
        }
        if (!advanceOneFrame()) {
            // The last finite state is back; the picture keeps showing it.
            diverged = true;
            break;
        }
        // A frame the screen could not show before the next refresh is not drawn: drawing
        // costs a good part of a frame, and the loop would spend it on pictures nobody sees.
        if (presentBudget.due()) {
            presentBudget.draw([this] {
                renderScreenImage();
                repaint(drawnRect());
            });
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

bool FlowView::advanceOneFrame() {
    if (!flow.advanceFrame().finite) {
        return false;
    }
    ++frameCount;
    needsRedraw = true;
    return true;
}

void FlowView::waitForEvents(qint64 waitNs) {
    // Rounded up, so the loop wakes when the frame is due rather than just before it.
    paceWake.start(static_cast<int>((waitNs + NanosecondsPerMillisecond - 1) / NanosecondsPerMillisecond));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
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
    const auto vorticity = std::make_unique<PackedSpectrum>(flow.grid());
    const std::optional<FileError> failure = loadVorticityPicture(QFile::encodeName(path).toStdString(), *vorticity,
                                                                  decodePictureWithQt, &bmpInfoHeader);
    if (failure) {
        report(fileErrorText(*failure));
        return false;
    }
    setStabilityLimit(SafeStabilityNumber);
    // The speed picture then shows the loaded field's own velocity at once.
    flow.setStateFromVorticity(*vorticity);
    adoptAsStart();
    return true;
}

bool FlowView::loadState(const QString& path) {
    if (runState != RunState::idle) {
        return false;
    }
    const auto psi = std::make_unique<PackedSpectrum>(flow.grid());
    RunClock clock;
    if (const std::optional<FileError> failure = readStateFile(QFile::encodeName(path).toStdString(), *psi, clock)) {
        report(fileErrorText(*failure));
        return false;
    }
    // A bare spectrum records neither setting: the view's stay, as the batch tool's options do.
    const bool settingsSaved = clock.reynolds > 0;
    const bool offered = reynoldsOffered(clock.reynolds);
    if (settingsSaved) {
        if (offered) {
            flow.setReynolds(clock.reynolds);
        }
        FrameSettings settings = flow.frameSettings();
        settings.filter = clock.filter;
        flow.setFrameSettings(settings);
        // A forced run goes on forced, its random numbers where they stopped.
        flow.setPhysics(clock.physics);
        flow.setForcingNoise(clock.noise);
    }
    setStabilityLimit(clock.stabilityLimit);
    flow.setState(*psi, clock.frames);
    adoptAsStart();
    Q_EMIT stateChanged();
    if (settingsSaved && !offered) {
        report(texts::ReynoldsNotOffered.toString().arg(path, QString::number(clock.reynolds),
                                                        QString::number(flow.reynolds())));
    }
    return true;
}

void FlowView::setReynolds(int value) {
    if (!reynoldsOffered(value)) {
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

void FlowView::setAutoRange(bool on) {
    autoRange = on;
    needsRedraw = true;
    update();
    Q_EMIT stateChanged();
}

void FlowView::setFilter(bool on) {
    FrameSettings settings = flow.frameSettings();
    settings.filter = on;
    flow.setFrameSettings(settings);
    Q_EMIT stateChanged();
}

void FlowView::setLegendShown(bool on) {
    legendOn = on;
    updateLayout();
    update();
    Q_EMIT stateChanged();
}

void FlowView::setZoom(PictureZoom choice) {
    zoomChoice = choice;
    updateLayout();
    update();
    Q_EMIT stateChanged();
}

int FlowView::legendRoom() const { return legendOn ? legendWidth(fontMetrics()) : 0; }

void FlowView::updateLayout() {
    pictureLayout = layoutPicture(size(), devicePixelRatioF(), zoomChoice, legendRoom(), flow.grid().size());
    needsRedraw = true;
}

void FlowView::renderScreenImage() {
    scale = autoRange ? fittedScale(displayMode, picturePeak(flow, displayMode)) : fixedScale(displayMode);
    renderPicture(flow, displayMode, *pictureBuffer, scale.gain);
    const int block = pictureLayout.block;
    const int side = pictureLayout.sideDevicePixels();
    if (screenImage.width() != side) {
        screenImage = QImage(side, side, QImage::Format_RGB32);
    }
    screenImage.setDevicePixelRatio(pictureLayout.ratio);
    // The enlargement goes straight into the painted image in its native pixel format: one
    // pass, and each screen line is built once and copied for the rest of its block.
    const std::size_t lineBytes = static_cast<std::size_t>(side) * sizeof(QRgb);
    const int gridSize = flow.grid().size();
    for (int gridRow = 0; gridRow < gridSize; ++gridRow) {
        const int firstLine = (gridSize - 1 - gridRow) * block;
        auto* line = reinterpret_cast<QRgb*>(screenImage.scanLine(firstLine));
        const std::uint8_t* source =
            pictureBuffer->data() + static_cast<std::size_t>(gridRow) * gridSize * PictureBytesPerPixel;
        for (int column = 0; column < gridSize; ++column, source += PictureBytesPerPixel) {
            const QRgb colour = qRgb(source[PictureRedByte], source[PictureGreenByte], source[PictureBlueByte]);
            for (int repeat = 0; repeat < block; ++repeat) {
                *line++ = colour;
            }
        }
        for (int copy = 1; copy < block; ++copy) {
            std::memcpy(screenImage.scanLine(firstLine + copy), screenImage.constScanLine(firstLine), lineBytes);
        }
    }
    // The image now shows the newest state, so no repaint brings back an older picture.
    needsRedraw = false;
    if (const std::optional<FileError> error = frameRecorder.record(screenImage)) {
        // Shown from the event loop: the picture may be drawn inside a paint event, where no
        // box may open. The run goes on; only the recording has stopped.
        QMetaObject::invokeMethod(
            this, [this, message = fileErrorText(*error)] { report(message); }, Qt::QueuedConnection);
    }
}

const QImage& FlowView::currentPicture() {
    if (needsRedraw) {
        renderScreenImage();
        update();
    }
    return screenImage;
}

void FlowView::paintEvent(QPaintEvent* event) {
    if (devicePixelRatioF() != pictureLayout.ratio) {
        // The window has moved to a screen of another scale factor.
        updateLayout();
    }
    if (needsRedraw) {
        renderScreenImage();
    }
    QPainter painter(this);
    const QRectF picture = pictureLayout.pictureRect();
    // The whole logical pixels the picture covers; at a fractional scale factor the pixels it
    // covers in part are filled white first and then partly painted over.
    const QRect covered(QPoint(static_cast<int>(std::ceil(picture.left())), static_cast<int>(std::ceil(picture.top()))),
                        QPoint(static_cast<int>(std::floor(picture.right())) - 1,
                               static_cast<int>(std::floor(picture.bottom())) - 1));
    for (const QRect& part : event->region().subtracted(QRegion(covered))) {
        painter.fillRect(part, Qt::white);
    }
    if (event->region().intersects(picture.toAlignedRect())) {
        painter.drawImage(picture.topLeft(), screenImage);
    }
    if (legendOn) {
        paintLegend(painter, picture, scale);
    }
}

void FlowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A view smaller than the picture gets a negative origin, and the picture hangs off both
    // edges evenly.
    updateLayout();
}

void FlowView::report(const QString& message) {
    if (messageReporter) {
        messageReporter(this, message);
    }
}

void FlowView::setPace(Pace pace) {
    runPace = pace;
    paceChanged = true;
    Q_EMIT stateChanged();
}

void FlowView::stepFrame() {
    if (runState != RunState::idle) {
        return;
    }
    if (!advanceOneFrame()) {
        report(texts::RunDiverged.toString());
        return;
    }
    update();
    Q_EMIT frameComputed(frameCount);
}

void FlowView::resetToStart() {
    if (runState != RunState::idle) {
        return;
    }
    flow.setState(*startField, startFrames);
    stateWasReplaced();
}

bool FlowView::chooseBuiltInField(std::string_view presetName) {
    if (runState != RunState::idle) {
        return false;
    }
    const auto psi = std::make_unique<PackedSpectrum>(flow.grid());
    if (!loadPreset(presetName, *psi)) {
        return false;
    }
    setStabilityLimit(SafeStabilityNumber);
    flow.setState(*psi);
    adoptAsStart();
    return true;
}

void FlowView::setStabilityLimit(double limit) {
    FrameSettings settings = flow.frameSettings();
    settings.stabilityLimit = limit;
    flow.setFrameSettings(settings);
}

void FlowView::adoptAsStart() {
    *startField = flow.psi();
    startFrames = flow.framesDone();
    stateWasReplaced();
}

void FlowView::stateWasReplaced() {
    needsRedraw = true;
    update();
    Q_EMIT stateReplaced();
}

}  // namespace swirlon
