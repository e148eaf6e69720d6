// SPDX-License-Identifier: GPL-3.0-or-later
// The calculation loop of the Start command: computes the frames that fall due at the chosen
// pace, lets the window answer between frames, and asks the view to present a frame when the
// screen can show it.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

#include "app/draw_budget.h"
#include "app/run_pace.h"
#include "session/session.h"

namespace swirlon {

class RunController : public QObject {
    Q_OBJECT

  public:
    // What the loop needs of the view that shows the run.
    struct Screen {
        // Puts the newest frame on screen now.
        std::function<void()> present;
        // The shortest time between two presented frames: one refresh of the screen.
        std::function<qint64()> refreshIntervalNs;
    };

    RunController(Session& session, Screen screen, QObject* parent = nullptr);

    bool isRunning() const { return running_; }
    // Frames computed since the controller was made.
    long long framesComputed() const { return frameCount_; }

    // Runs until a stop is requested or a frame diverges; returns once the run has ended.
    void run();
    // Ends a run after its current frame; ignored while idle.
    void requestStop();
    // Idle only: one frame, sub-steps as in a run. False when it diverged or a run is on.
    bool step();

    // Applies at once, also during a run; the results stay those of a run at full speed.
    void setPace(Pace pace);
    Pace pace() const { return pace_; }

  Q_SIGNALS:
    // The run started or ended, or the pace changed.
    void stateChanged();
    // A frame has been computed and the state advanced; emitted before it is presented.
    void frameAdvanced();
    // A frame has been computed (and presented, unless the screen could not show it yet); the
    // drain follows.
    void frameComputed(long long frameNumber);
    // A run or a single frame diverged; the state is back at the last finite frame and the run
    // has ended.
    void diverged();

  private:
    bool advanceOneFrame();
    // Lets the event loop run until an event arrives or waitNs have passed, without spinning.
    void waitForEvents(qint64 waitNs);

    Session& session_;
    Screen screen_;
    bool running_ = false;
    bool stopRequested_ = false;
    long long frameCount_ = 0;
    Pace pace_ = MaxPace;
    // The run loop starts its pace schedule afresh.
    bool paceChanged_ = false;
    QTimer paceWake_;
    // At full speed most frames are computed and never shown: a frame is drawn when the
    // screen can show it and drawing stays within its share of the run's time, and at least
    // 25 times a second.
    DrawBudget presentBudget_;
};

}  // namespace swirlon
