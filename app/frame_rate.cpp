// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frame_rate.h"

#include <QTimer>

#include <memory>

#include "app/flow_view.h"
#include "solver/simulation.h"

namespace swirlon {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int MeasureRounds = 10;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

FrameRateReport measureFrameRate(FlowView& view, std::chrono::milliseconds duration) {
    FrameRateReport report;
    if (view.isRunning()) {
        return report;
    }
    Simulation solverAlone(view.reynoldsNumber());
    // Short alternating rounds, so that a change in the machine's load falls on both sides alike.
    const std::chrono::milliseconds round = duration / MeasureRounds;
    for (int r = 0; r < MeasureRounds; ++r) {
        solverAlone.setState(view.simulation().psi());
        QTimer::singleShot(round, &view, [&view] { view.requestStop(); });
        const long long framesBefore = view.framesComputed();
        const Clock::time_point loopStart = Clock::now();
        view.runCalculation();
        report.loopSeconds += secondsSince(loopStart);
        const long long frames = view.framesComputed() - framesBefore;
        report.frames += frames;

        const Clock::time_point solverStart = Clock::now();
        for (long long frame = 0; frame < frames; ++frame) {
            solverAlone.advanceFrame();
        }
        report.solverSeconds += secondsSince(solverStart);
    }
    return report;
}

}  // namespace swirlon
