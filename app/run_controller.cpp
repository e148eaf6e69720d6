// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_controller.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>

#include "solver/grid.h"

namespace swirlon {
namespace {

// Drawing a frame costs about 0.35 ms to render and, on a slow display server, 0.5 ms to put
// on screen: at full speed a picture at every refresh of a 60 Hz screen takes 3 to 5% of the
// time, and the loop's other work between frames (the event drain, the plots' records) about
// 10%. Measured offscreen, the loop kept 0.85 of the solver's frames drawing 58 pictures a
// second and 0.88 drawing 30. So at full speed the picture changes about 30 times a second, and
// drawing may take at most 6% of the time...
constexpr double PresentShare = 0.06;
// ...but however costly drawing is, the picture changes at least 25 times a second.
constexpr qint64 LongestPresentIntervalNs = 40'000'000;
// At full speed the picture changes about 30 times a second (see the loop).
constexpr qint64 FullSpeedIntervalNs = 33'333'333;
// Paces whose frames fall due at most this often are drawn frame by frame (毎秒 0.1 to 2: up to
// 200 frames a second, each picture about 1 ms): the picture and a recording hold every frame.
// Faster paces are drawn like a run at full speed.
constexpr double EveryFrameRate = 250.0;
constexpr qint64 NanosecondsPerMillisecond = 1'000'000;
// One refresh of a 60 Hz screen, until the loop asks the screen.
constexpr qint64 StartIntervalNs = 16'666'667;

}  // namespace

RunController::RunController(Session& session, Screen screen, QObject* parent)
    : QObject(parent),
      session_(session),
      screen_(std::move(screen)),
      presentBudget_(StartIntervalNs, PresentShare, LongestPresentIntervalNs) {
    paceWake_.setSingleShot(true);
    paceWake_.setTimerType(Qt::PreciseTimer);
}

void RunController::run() {
    if (running_) {
        return;
    }
    running_ = true;
    Q_EMIT stateChanged();

    bool divergedRun = false;
    const qint64 refreshNs = screen_.refreshIntervalNs();
    presentBudget_.restart();
    QElapsedTimer wallClock;
    wallClock.start();
    PaceSchedule schedule;
    paceChanged_ = true;
    while (!stopRequested_) {
        if (!pace_.unlimited()) {
            // Only the frames due by now are computed; until the next falls due the loop waits
            // for events, so the window answers at once and the processor rests.
            const qint64 now = wallClock.nsecsElapsed();
            if (paceChanged_) {
                schedule.restart(pace_, frameCount_, now);
                paceChanged_ = false;
            }
            schedule.forgiveLag(frameCount_, now);
            if (frameCount_ >= schedule.framesDue(now)) {
                waitForEvents(schedule.dueAtNs(frameCount_ + 1) - now);
                continue;
            }
        }
        if (!advanceOneFrame()) {
            // The last finite state is back; the picture keeps showing it.
            divergedRun = true;
            break;
        }
        // At full speed a frame the screen could not show before the next refresh is not drawn:
        // drawing costs a good part of a frame, and the loop would spend it on pictures nobody
        // sees. A slow pace draws every frame it computes.
        const bool everyFrame = !pace_.unlimited() && pace_.timePerSecond / TimeStep <= EveryFrameRate;
        // At full speed every picture drawn is a frame less: a steady 30 a second is smooth and
        // leaves the run its frames. A fast pace computes no more than it needs and may draw at
        // the screen's refresh.
        presentBudget_.setFloor(pace_.unlimited() ? std::max(refreshNs, FullSpeedIntervalNs) : refreshNs);
        if (everyFrame || presentBudget_.due()) {
            presentBudget_.draw(screen_.present);
        }
        Q_EMIT frameComputed(frameCount_);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    stopRequested_ = false;
    running_ = false;
    Q_EMIT stateChanged();
    if (divergedRun) {
        Q_EMIT diverged();
    }
}

bool RunController::advanceOneFrame() {
    if (!session_.advanceFrame()) {
        return false;
    }
    ++frameCount_;
    Q_EMIT frameAdvanced();
    return true;
}

bool RunController::step() {
    if (running_) {
        return false;
    }
    if (!advanceOneFrame()) {
        Q_EMIT diverged();
        return false;
    }
    Q_EMIT frameComputed(frameCount_);
    return true;
}

void RunController::waitForEvents(qint64 waitNs) {
    // Rounded up, so the loop wakes when the frame is due rather than just before it.
    paceWake_.start(static_cast<int>((waitNs + NanosecondsPerMillisecond - 1) / NanosecondsPerMillisecond));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void RunController::requestStop() {
    if (running_) {
        stopRequested_ = true;
    }
}

void RunController::setPace(Pace pace) {
    pace_ = pace;
    paceChanged_ = true;
    Q_EMIT stateChanged();
}

}  // namespace swirlon
