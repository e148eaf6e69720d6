// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation view: draws the session's state and forwards the view's commands to the
// session and to the run controller.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "app/movie_recorder.h"
#include "app/picture_zoom.h"
#include "app/recording.h"
#include "app/run_controller.h"
#include "app/run_pace.h"
#include "field_io/bmp_loader.h"
#include "field_io/colour_scale.h"
#include "field_io/picture.h"
#include "session/session.h"
#include "solver/grid.h"
#include "solver/simulation.h"
#include "solver/stroke.h"

namespace swirlon {

// The Reynolds numbers the menu offers; the view stores no other value (a state saved at
// another keeps the view's).
inline constexpr int ReynoldsLow = 100;
inline constexpr int ReynoldsMedium = 1000;
inline constexpr int ReynoldsHigh = 10000;

constexpr bool reynoldsOffered(int value) {
    return value == ReynoldsLow || value == ReynoldsMedium || value == ReynoldsHigh;
}

class FlowView : public QWidget {
    Q_OBJECT

  public:
    explicit FlowView(QWidget* parent = nullptr);
    ~FlowView() override;

    bool isRunning() const { return controller.isRunning(); }
    int reynoldsNumber() const { return session.simulation().reynolds(); }
    DisplayMode pictureMode() const { return displayMode; }
    bool redrawPending() const { return needsRedraw; }
    // The picture's top-left corner and square, in logical pixels.
    QPoint pictureOrigin() const { return pictureRect().topLeft(); }
    QRect pictureRect() const;
    // Everything a new frame changes on screen: the picture and the legend beside it, if shown.
    QRect drawnRect() const;
    // Frames the run loop has computed since the view was made.
    long long framesComputed() const { return controller.framesComputed(); }
    // Pictures of the run put on screen since the view was made.
    long long framesPresented() const { return presentCount; }

    // The run behind the view, for the commands that save it.
    const Session& runSession() const { return session; }
    Simulation& simulation() { return session.simulation(); }
    const Simulation& simulation() const { return session.simulation(); }
    const PictureBuffer& picture() const { return *pictureBuffer; }
    const BmpInfoHeaderBytes& lastInfoHeader() const { return bmpInfoHeader; }

    // Commands. Each is a no-op in a state where the menu offers it disabled.
    void runCalculation() { controller.run(); }
    void requestStop() { controller.requestStop(); }
    void setReynolds(int value);
    void setDisplayMode(DisplayMode mode);
    void setAutoRange(bool on);
    // The small-scale filter after every sub-step, from the next frame on; a file loaded while
    // it is on is filtered once. Off at start-up.
    void setFilter(bool on);
    // Idle only: the run moves to another grid, the flow and its clock kept (session.h).
    void setGrid(const Grid& grid);
    void setLegendShown(bool on);
    void setZoom(PictureZoom choice);
    // The colours of the picture, its legend, saved pictures and recordings; classic at start-up.
    void setColourMap(ColourMap map);

    // Strokes of the mouse on the picture, running or idle: a left drag pushes the fluid along,
    // a right drag paints positive vorticity (negative with Shift), the wheel sets the radius.
    // On at start-up.
    void setStirring(bool on);
    bool stirringOn() const { return stirring; }
    // The strokes' Gaussian radius in grid points (solver/stroke.h).
    double strokeRadius() const { return brushRadius; }

    bool autoRangeOn() const { return autoRange; }
    bool filterOn() const { return simulation().frameSettings().filter; }
    bool legendShown() const { return legendOn; }
    PictureZoom zoom() const { return zoomChoice; }
    ColourMap colourMap() const { return scale.map; }
    const PictureLayout& layout() const { return pictureLayout; }
    // The scale of the picture on screen.
    const ColourScale& colourScale() const { return scale; }
    // The picture as painted: device pixels, blocks of layout().block.
    const QImage& shownImage() const { return screenImage; }
    // Applies at once, also during a run; the results stay those of a run at full speed.
    void setPace(Pace pace) { controller.setPace(pace); }
    Pace pace() const { return controller.pace(); }
    // Idle only: one frame, sub-steps as in a run.
    void stepFrame() { controller.step(); }
    // Idle only: the field most recently loaded or chosen (the start field if none), clock at
    // zero; after a saved state, that state with the clock at its frame.
    void resetToStart();
    // Idle only: the built-in field of that preset name becomes the state, as a load does.
    bool chooseBuiltInField(std::string_view presetName);

    // Loads path through the picture loader (BMP or any format Qt reads); a failure is sent
    // through failed(). Also the way a file named on the command line or dropped comes in.
    bool loadFile(const QString& path);
    // A file named on the command line or dropped: a saved run by its name (.npz, .npy), else a
    // picture.
    bool openNamedFile(const QString& path);
    // Idle only: continues from a saved run by the saved-run rule (session/saved_run.h); the
    // window's Reynolds number stays when its menu does not offer the file's. Failures go
    // through failed() and change nothing.
    bool loadState(const QString& path);

    // The picture on screen, brought up to the current state first if it is behind.
    const QImage& currentPicture();
    FrameRecorder& recorder() { return frameRecorder; }
    const FrameRecorder& recorder() const { return frameRecorder; }
    MovieRecorder& movieRecorder() { return movieRecording; }
    const MovieRecorder& movieRecorder() const { return movieRecording; }

    QSize sizeHint() const override;
    // The pointer pane's text for a point of the view: the grid point's x, y and the value the
    // picture shows there; empty off the picture.
    QString valueAt(QPointF point) const;

  Q_SIGNALS:
    // The run state, the Reynolds number or the display mode changed.
    void stateChanged();
    // A frame has been computed (and drawn, unless the screen could not show it yet); the
    // drain follows.
    void frameComputed(long long frameNumber);
    // A load, a built-in field or a reset replaced the state; the clock is back at zero, or at
    // a saved state's frame.
    void stateReplaced();
    // The pointer moved over the picture: the value there, as the pointer pane shows it; empty
    // once the pointer has left the picture.
    void pointerValue(const QString& text);
    // A picture or a saved run at path has become the state.
    void loaded(const QString& path);
    // Something the user asked for failed; the main window shows the message.
    void failed(const QString& message);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    // Recomputes the picture of the current state in the current mode into screenImage.
    void renderScreenImage();
    // Renders the newest frame and puts it on screen at once (during a run).
    void presentNow();
    // Places the picture for the view's size, zoom, legend and screen; the next paint renders.
    void updateLayout();
    int legendRoom() const;
    // Shortest time between two frames put on screen during a run: one refresh of the screen.
    qint64 presentIntervalNs() const;
    void stateWasReplaced();
    // Where a point of the view lies on the grid, in grid points (not wrapped: the strokes
    // continue across the edges on their own).
    CellPoint cellAt(QPointF point) const;
    // The stroke of the held button from where the last one ended to point.
    void strokeTo(QPointF point, Qt::KeyboardModifiers modifiers);
    // The message pane explains the buttons while the pointer is over the picture.
    void showStirHint(bool overPicture);

    // The state, the Reynolds number, the clock and the start a reset returns to.
    Session session;
    RunController controller;
    std::unique_ptr<PictureBuffer> pictureBuffer;
    // The picture enlarged as painted: made for each layout, refilled in place for every frame.
    QImage screenImage;
    PictureLayout pictureLayout;
    ColourScale scale;
    PictureZoom zoomChoice = StartZoom;
    bool autoRange = false;
    bool legendOn = false;
    bool stirring = true;
    double brushRadius = DefaultStrokeRadius;
    // The held button's stroke and where it last ended; none when no stroke is under way.
    std::optional<CellPoint> strokeEnd;
    Qt::MouseButton strokeButton = Qt::NoButton;
    bool hintShown = false;

    DisplayMode displayMode = DisplayMode::vorticity;
    BmpInfoHeaderBytes bmpInfoHeader{};
    // screenImage no longer shows the current state in the current mode.
    bool needsRedraw = true;
    long long presentCount = 0;

    // Shows a recording's failure from the event loop.
    void reportRecordingFailure(const FileError& error);

    // Every picture rendered for the screen also goes to the recorders while they are on.
    FrameRecorder frameRecorder;
    MovieRecorder movieRecording;
};

}  // namespace swirlon
