// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation view: owns the run (one Simulation) and its picture, answers the view's
// commands and runs the calculation loop.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "app/draw_budget.h"
#include "app/file_dialogs.h"
#include "app/picture_zoom.h"
#include "app/recording.h"
#include "app/run_pace.h"
#include "field_io/bmp_loader.h"
#include "field_io/colour_scale.h"
#include "field_io/picture.h"
#include "solver/grid.h"
#include "solver/simulation.h"

namespace swirlon {

enum class RunState : int { idle = 0, running = 2 };

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
    // Asks the user for a file to load; std::nullopt when the user cancels.
    using FileChooser = std::function<std::optional<QString>(QWidget* parent)>;
    // Shows a failure to the user and returns once it has been acknowledged.
    using MessageReporter = std::function<void(QWidget* parent, const QString& message)>;
    // Asks the user for a path of a kind other than the load command's; std::nullopt on cancel.
    using PathChooser = std::function<std::optional<QString>(QWidget* parent, PathKind kind)>;

    explicit FlowView(QWidget* parent = nullptr);
    ~FlowView() override;

    bool isRunning() const { return runState == RunState::running; }
    int reynoldsNumber() const { return flow.reynolds(); }
    DisplayMode pictureMode() const { return displayMode; }
    bool redrawPending() const { return needsRedraw; }
    // The picture's top-left corner and square, in logical pixels.
    QPoint pictureOrigin() const { return pictureRect().topLeft(); }
    QRect pictureRect() const;
    // Everything a new frame changes on screen: the picture and the legend beside it, if shown.
    QRect drawnRect() const;
    // Frames the run loop has computed since the view was made.
    long long framesComputed() const { return frameCount; }

    Simulation& simulation() { return flow; }
    const Simulation& simulation() const { return flow; }
    const PictureBuffer& picture() const { return *pictureBuffer; }
    const BmpInfoHeaderBytes& lastInfoHeader() const { return bmpInfoHeader; }

    // Commands. Each is a no-op in a state where the menu offers it disabled.
    void runCalculation();
    void requestStop();
    void loadInitialVorticity();
    void setReynolds(int value);
    void setDisplayMode(DisplayMode mode);
    void setAutoRange(bool on);
    // The small-scale filter after every sub-step, from the next frame on; a file loaded while
    // it is on is filtered once. Off at start-up.
    void setFilter(bool on);
    void setLegendShown(bool on);
    void setZoom(PictureZoom choice);

    bool autoRangeOn() const { return autoRange; }
    bool filterOn() const { return flow.frameSettings().filter; }
    bool legendShown() const { return legendOn; }
    PictureZoom zoom() const { return zoomChoice; }
    const PictureLayout& layout() const { return pictureLayout; }
    // The scale of the picture on screen.
    const ColourScale& colourScale() const { return scale; }
    // The picture as painted: device pixels, blocks of layout().block.
    const QImage& shownImage() const { return screenImage; }
    // Applies at once, also during a run; the results stay those of a run at full speed.
    void setPace(Pace pace);
    Pace pace() const { return runPace; }
    // Idle only: one frame, sub-steps as in a run.
    void stepFrame();
    // Idle only: the field most recently loaded or chosen (the start field if none), clock at
    // zero; after a saved state, that state with the clock at its frame.
    void resetToStart();
    // Idle only: the built-in field of that preset name becomes the state, as a load does.
    bool chooseBuiltInField(std::string_view presetName);

    // Loads path through the picture loader (BMP or any format Qt reads); failures go to the
    // message reporter. Also the way a file named on the command line or dropped comes in.
    bool loadFile(const QString& path);
    // Idle only: continues from a saved run. Its state, clock and filter setting replace the
    // view's, and its Reynolds number when the menu offers it (a state that does not say keeps
    // the view's settings); failures go to the message reporter and change nothing.
    bool loadState(const QString& path);

    void setFileChooser(FileChooser chooser) { fileChooser = std::move(chooser); }
    // Shows a failure to the user through the message reporter.
    void report(const QString& message);
    void setMessageReporter(MessageReporter reporter) { messageReporter = std::move(reporter); }
    void setPathChooser(PathChooser chooser) { pathChooser = std::move(chooser); }
    std::optional<QString> choosePath(PathKind kind) { return pathChooser(this, kind); }

    // The picture on screen, brought up to the current state first if it is behind.
    const QImage& currentPicture();
    FrameRecorder& recorder() { return frameRecorder; }
    const FrameRecorder& recorder() const { return frameRecorder; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // The run state, the Reynolds number or the display mode changed.
    void stateChanged();
    // A frame has been computed (and drawn, unless the screen could not show it yet); the
    // drain follows.
    void frameComputed(long long frameNumber);
    // A load, a built-in field or a reset replaced the state; the clock is back at zero, or at
    // a saved state's frame.
    void stateReplaced();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Recomputes the picture of the current state in the current mode into screenImage.
    void renderScreenImage();
    // Places the picture for the view's size, zoom, legend and screen; the next paint renders.
    void updateLayout();
    int legendRoom() const;
    // Shortest time between two frames put on screen during a run: one refresh of the screen.
    qint64 presentIntervalNs() const;
    // Advances the state by one frame and counts it; false when the frame diverged (the state
    // is then put back as it was).
    bool advanceOneFrame();
    // Lets the event loop run until an event arrives or waitNs have passed, without spinning.
    void waitForEvents(qint64 waitNs);
    // The state just set is the one a reset returns to.
    void adoptAsStart();
    // The window offers no stability limit of its own: a saved run goes on with the one it ran
    // with, and a picture or built-in field runs at the safe one.
    void setStabilityLimit(double limit);
    void stateWasReplaced();

    // The state, the Reynolds number and the clock of the run.
    Simulation flow;
    std::unique_ptr<PictureBuffer> pictureBuffer;
    // The picture enlarged as painted: made for each layout, refilled in place for every frame.
    QImage screenImage;
    PictureLayout pictureLayout;
    ColourScale scale;
    PictureZoom zoomChoice = StartZoom;
    bool autoRange = false;
    bool legendOn = false;

    DisplayMode displayMode = DisplayMode::vorticity;
    BmpInfoHeaderBytes bmpInfoHeader{};
    RunState runState = RunState::idle;
    bool stopRequested = false;
    // screenImage no longer shows the current state in the current mode.
    bool needsRedraw = true;
    long long frameCount = 0;

    Pace runPace = MaxPace;
    // The run loop starts its pace schedule afresh.
    bool paceChanged = false;
    QTimer paceWake;
    // At full speed most frames are computed and never shown: a frame is drawn when the
    // screen can show it and drawing stays within its share of the run's time.
    DrawBudget presentBudget;
    std::unique_ptr<PackedSpectrum> startField;
    // The clock a reset returns to: a saved state's frame, else zero.
    std::int64_t startFrames = 0;

    FileChooser fileChooser;
    MessageReporter messageReporter;
    PathChooser pathChooser;
    // Every picture rendered for the screen also goes to the recorder while it is on.
    FrameRecorder frameRecorder;
};

}  // namespace swirlon
