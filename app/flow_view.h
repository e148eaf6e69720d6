// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation view: owns the run (one Simulation) and its picture, answers the view's
// commands and runs the calculation loop.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "field_io/bmp_loader.h"
#include "field_io/picture.h"
#include "solver/grid.h"
#include "solver/simulation.h"

namespace swirlon {

enum class RunState : int { idle = 0, running = 2 };

// The Reynolds numbers the menu offers; the view stores no other value.
inline constexpr int ReynoldsLow = 100;
inline constexpr int ReynoldsMedium = 1000;
inline constexpr int ReynoldsHigh = 10000;

class FlowView : public QWidget {
    Q_OBJECT

public:
    // Asks the user for a file to load; std::nullopt when the user cancels.
    using FileChooser = std::function<std::optional<QString>(QWidget* parent)>;
    // Shows a failure to the user and returns once it has been acknowledged.
    using MessageReporter = std::function<void(QWidget* parent, const QString& message)>;

    explicit FlowView(QWidget* parent = nullptr);
    ~FlowView() override;

    bool isRunning() const { return runState == RunState::running; }
    int reynoldsNumber() const { return flow.reynolds(); }
    DisplayMode pictureMode() const { return displayMode; }
    bool redrawPending() const { return needsRedraw; }
    QPoint pictureOrigin() const { return drawOrigin; }
    QRect pictureRect() const;
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

    // Loads path through the BMP loader; failures go to the message reporter. Also the way a
    // file named on the command line comes in.
    bool loadFile(const QString& path);

    void setFileChooser(FileChooser chooser) { fileChooser = std::move(chooser); }
    void setMessageReporter(MessageReporter reporter) { messageReporter = std::move(reporter); }

    QSize sizeHint() const override;

Q_SIGNALS:
    // The run state, the Reynolds number or the display mode changed.
    void stateChanged();
    // A frame has been computed (and drawn, unless the screen could not show it yet); the
    // drain follows.
    void frameComputed(long long frameNumber);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Recomputes the picture of the current state in the current mode into screenImage.
    void renderScreenImage();
    void report(const QString& message);
    // Shortest time between two frames put on screen during a run: one refresh of the screen.
    qint64 presentIntervalNs() const;

    // The state, the Reynolds number and the clock of the run.
    Simulation flow;
    std::unique_ptr<PictureBuffer> pictureBuffer;
    // The picture 3x enlarged as painted: made once, refilled in place for every frame.
    QImage screenImage;

    DisplayMode displayMode = DisplayMode::vorticity;
    BmpInfoHeaderBytes bmpInfoHeader{};
    RunState runState = RunState::idle;
    bool stopRequested = false;
    // screenImage no longer shows the current state in the current mode.
    bool needsRedraw = true;
    QPoint drawOrigin{0, 0};
    int clientWidth = 0;
    int clientHeight = 0;
    long long frameCount = 0;

    FileChooser fileChooser;
    MessageReporter messageReporter;
};

}  // namespace swirlon
