// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flow_view.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusTipEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>

#include "app/colour_legend.h"
#include "app/file_error_text.h"
#include "app/texts.h"
#include "qt_io/picture_decoder.h"

namespace swirlon {
namespace {

// Assumed when the screen does not tell its refresh rate.
constexpr double FallbackRefreshRate = 60.0;
constexpr double NanosecondsPerSecond = 1e9;

}  // namespace

FlowView::FlowView(QWidget* parent)
    : QWidget(parent),
      session(ReynoldsMedium),
      controller(session, RunController::Screen{.present = [this] { presentNow(); },
                                                .refreshIntervalNs = [this] { return presentIntervalNs(); }}),
      pictureBuffer(std::make_unique<PictureBuffer>()),
      screenImage(PictureTargetSide, PictureTargetSide, QImage::Format_RGB32),
      pictureLayout(layoutPicture(QSize(), 1.0, StartZoom, 0)) {
    connect(&controller, &RunController::stateChanged, this, [this] {
        if (!controller.isRunning() && needsRedraw) {
            // The window must end the run on its last frame, drawn or skipped.
            update();
        }
        Q_EMIT stateChanged();
    });
    connect(&controller, &RunController::frameAdvanced, this, [this] {
        needsRedraw = true;
        if (!controller.isRunning()) {
            update();
        }
    });
    connect(&controller, &RunController::frameComputed, this, &FlowView::frameComputed);
    connect(&controller, &RunController::diverged, this, [this] { Q_EMIT failed(texts::RunDiverged.toString()); });
    // Every pixel comes from paintEvent; the mouse reads the value under the pointer and
    // strokes the flow, and the view binds no keys.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

FlowView::~FlowView() = default;

QSize FlowView::sizeHint() const { return {PictureTargetSide, PictureTargetSide}; }

QRect FlowView::pictureRect() const { return pictureLayout.pictureRect().toAlignedRect(); }

QRect FlowView::drawnRect() const {
    const QRectF picture = pictureLayout.pictureRect();
    return legendOn ? picture.united(legendArea(picture, fontMetrics())).toAlignedRect() : picture.toAlignedRect();
}

QString FlowView::valueAt(QPointF point) const {
    const QRectF picture = pictureLayout.pictureRect();
    if (!picture.contains(point) || picture.width() <= 0.0) {
        return {};
    }
    const Simulation& flow = simulation();
    const Grid& grid = flow.grid();
    const int points = grid.size();
    const double perPoint = picture.width() / points;
    const int column = std::clamp(static_cast<int>((point.x() - picture.left()) / perPoint), 0, points - 1);
    // Screen rows run top-down, grid rows bottom-up.
    const int row = points - 1 - std::clamp(static_cast<int>((point.y() - picture.top()) / perPoint), 0, points - 1);
    const int k = grid.entryIndex(row, column);
    // Over the dye the pane names the vorticity, which the dye itself does not tell.
    const bool speed = displayMode == DisplayMode::speed;
    const double value = speed ? flow.velocityX()[k] * flow.velocityX()[k] + flow.velocityY()[k] * flow.velocityY()[k]
                               : flow.gridVorticity()[k];
    const QStringView text = speed ? texts::PanePointerSpeed : texts::PanePointerVorticity;
    const double gridToBox = 2.0 * std::numbers::pi / points;
    constexpr int Digits = 3;
    return text.toString()
        .arg(column * gridToBox, 0, 'f', Digits)
        .arg(row * gridToBox, 0, 'f', Digits)
        .arg(value, 0, 'g', Digits);
}

CellPoint FlowView::cellAt(QPointF point) const {
    const QRectF picture = pictureLayout.pictureRect();
    const int points = simulation().grid().size();
    const double perPoint = picture.width() / points;
    // Grid point j sits at the middle of its block; screen rows run top-down, grid rows
    // bottom-up.
    return {.x = (point.x() - picture.left()) / perPoint - 0.5,
            .y = points - (point.y() - picture.top()) / perPoint - 0.5};
}

void FlowView::setStirring(bool on) {
    stirring = on;
    strokeEnd.reset();
    showStirHint(false);
    Q_EMIT stateChanged();
}

void FlowView::showStirHint(bool overPicture) {
    const bool show = overPicture && stirring;
    if (show == hintShown) {
        return;
    }
    hintShown = show;
    // The main window shows a status tip in its message pane, an empty one as its idle text.
    QStatusTipEvent tip(show ? texts::StirHint.toString().arg(brushRadius) : QString());
    QCoreApplication::sendEvent(this, &tip);
}

void FlowView::mousePressEvent(QMouseEvent* event) {
    const bool strokeButtonPressed = event->button() == Qt::LeftButton || event->button() == Qt::RightButton;
    if (!stirring || !strokeButtonPressed || !pictureLayout.pictureRect().contains(event->position())) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A click without a drag changes nothing: the stroke begins with the first move.
    strokeEnd = cellAt(event->position());
    strokeButton = event->button();
    event->accept();
}

void FlowView::strokeTo(QPointF point, Qt::KeyboardModifiers modifiers) {
    const CellPoint to = cellAt(point);
    const bool changed = strokeButton == Qt::LeftButton
                             ? session.stir(*strokeEnd, to, brushRadius)
                             : session.paint(*strokeEnd, to, brushRadius,
                                             modifiers.testFlag(Qt::ShiftModifier) ? Session::PaintSign::negative
                                                                                   : Session::PaintSign::positive);
    strokeEnd = to;
    if (changed) {
        // Idle, the picture shows the stroke at once; running, the next frame carries it.
        needsRedraw = true;
        update();
    }
}

void FlowView::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT pointerValue(valueAt(event->position()));
    showStirHint(pictureLayout.pictureRect().contains(event->position()));
    if (strokeEnd && event->buttons().testFlag(strokeButton)) {
        strokeTo(event->position(), event->modifiers());
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void FlowView::mouseReleaseEvent(QMouseEvent* event) {
    if (strokeEnd && event->button() == strokeButton) {
        strokeEnd.reset();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void FlowView::wheelEvent(QWheelEvent* event) {
    if (!stirring || !pictureLayout.pictureRect().contains(event->position())) {
        QWidget::wheelEvent(event);
        return;
    }
    // One notch of the wheel (120 eighths of a degree) is one grid point of radius.
    constexpr double EighthsPerNotch = 120.0;
    brushRadius = clampStrokeRadius(brushRadius + event->angleDelta().y() / EighthsPerNotch);
    hintShown = false;
    showStirHint(true);
    event->accept();
}

void FlowView::leaveEvent(QEvent* event) {
    Q_EMIT pointerValue(QString());
    showStirHint(false);
    QWidget::leaveEvent(event);
}

void FlowView::presentNow() {
    renderScreenImage();
    repaint(drawnRect());
    ++presentCount;
}

qint64 FlowView::presentIntervalNs() const {
    const QScreen* display = screen();
    const double refreshRate =
        display != nullptr && display->refreshRate() > 0.0 ? display->refreshRate() : FallbackRefreshRate;
    return static_cast<qint64>(NanosecondsPerSecond / refreshRate);
}

bool FlowView::loadFile(const QString& path) {
    if (isRunning()) {
        return false;
    }
    if (const std::optional<FileError> failure =
            session.loadPicture(QFile::encodeName(path).toStdString(), decodePictureWithQt, &bmpInfoHeader)) {
        Q_EMIT failed(fileErrorText(*failure));
        return false;
    }
    stateWasReplaced();
    Q_EMIT loaded(path);
    return true;
}

bool FlowView::openNamedFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"npz" || suffix == u"npy" ? loadState(path) : loadFile(path);
}

bool FlowView::loadState(const QString& path) {
    if (isRunning()) {
        return false;
    }
    const Session::StateLoad result = session.loadState(QFile::encodeName(path).toStdString(), reynoldsOffered);
    if (result.error) {
        Q_EMIT failed(fileErrorText(*result.error));
        return false;
    }
    if (session.dyeOn()) {
        // A run saved with its dye goes on showing it.
        displayMode = DisplayMode::dye;
    }
    stateWasReplaced();
    Q_EMIT stateChanged();
    Q_EMIT loaded(path);
    if (result.reynoldsRefused) {
        Q_EMIT failed(texts::ReynoldsNotOffered.toString().arg(path, QString::number(*result.reynoldsRefused),
                                                               QString::number(reynoldsNumber())));
    }
    return true;
}

void FlowView::setReynolds(int value) {
    if (!reynoldsOffered(value)) {
        return;
    }
    simulation().setReynolds(value);
    Q_EMIT stateChanged();
}

void FlowView::setDisplayMode(DisplayMode mode) {
    // The flow carries dye only while it is shown; shown again, it starts afresh.
    if ((mode == DisplayMode::dye) != session.dyeOn()) {
        session.setDyeOn(mode == DisplayMode::dye);
    }
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

void FlowView::setColourMap(ColourMap map) {
    scale.map = map;
    needsRedraw = true;
    update();
    Q_EMIT stateChanged();
}

void FlowView::setFilter(bool on) {
    FrameSettings settings = simulation().frameSettings();
    settings.filter = on;
    simulation().setFrameSettings(settings);
    Q_EMIT stateChanged();
}

void FlowView::setGrid(const Grid& grid) {
    if (isRunning() || grid == simulation().grid()) {
        return;
    }
    session.changeGrid(grid);
    updateLayout();
    stateWasReplaced();
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
    pictureLayout = layoutPicture(size(), devicePixelRatioF(), zoomChoice, legendRoom(), simulation().grid().size());
    needsRedraw = true;
}

void FlowView::renderScreenImage() {
    const Simulation& flow = simulation();
    scale = autoRange ? fittedScale(displayMode, picturePeak(flow, displayMode), scale.map)
                      : fixedScale(displayMode, scale.map);
    renderPicture(flow, scale, *pictureBuffer);
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
        reportRecordingFailure(*error);
    }
    if (const std::optional<FileError> error = movieRecording.record(screenImage)) {
        reportRecordingFailure(*error);
    }
}

void FlowView::reportRecordingFailure(const FileError& error) {
    // Shown from the event loop: the picture may be drawn inside a paint event, where no box may
    // open. The run goes on; only the recording has stopped.
    QMetaObject::invokeMethod(
        this, [this, message = fileErrorText(error)] { Q_EMIT failed(message); }, Qt::QueuedConnection);
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
    const QRect covered(
        QPoint(static_cast<int>(std::ceil(picture.left())), static_cast<int>(std::ceil(picture.top()))),
        QPoint(static_cast<int>(std::floor(picture.right())) - 1, static_cast<int>(std::floor(picture.bottom())) - 1));
    for (const QRect& part : event->region().subtracted(QRegion(covered))) {
        painter.fillRect(part, Qt::white);
    }
    if (event->region().intersects(picture.toAlignedRect())) {
        painter.drawImage(picture.topLeft(), screenImage);
    }
    // The dye's colours stand for no value, so no scale goes beside them; the room stays, so the
    // picture does not move when the choice changes.
    if (legendOn && displayMode != DisplayMode::dye) {
        paintLegend(painter, picture, scale);
    }
}

void FlowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A view smaller than the picture gets a negative origin, and the picture hangs off both
    // edges evenly.
    updateLayout();
}

void FlowView::resetToStart() {
    if (isRunning()) {
        return;
    }
    session.reset();
    stateWasReplaced();
}

bool FlowView::chooseBuiltInField(std::string_view presetName) {
    if (isRunning() || !session.choosePreset(presetName)) {
        return false;
    }
    stateWasReplaced();
    return true;
}

void FlowView::stateWasReplaced() {
    needsRedraw = true;
    update();
    Q_EMIT stateReplaced();
}

}  // namespace swirlon
