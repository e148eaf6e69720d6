// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/frame_rate.h"

#include <QTimer>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <limits>
#include <memory>
#include <string>

#include "app/flow_view.h"
#include "solver/grid.h"
#include "solver/simulation.h"

namespace swirlon {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int MeasureRounds = 20;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

FrameRateReport measureFrameRate(FlowView& view, std::chrono::milliseconds duration) {
    FrameRateReport report;
    if (view.isRunning()) {
        return report;
    }
    // The same grid, threads and settings as the window's run, so only drawing and the event
    // drain tell the two apart.
    const Simulation& shown = view.simulation();
    Simulation solverAlone(view.reynoldsNumber(), shown.grid());
    solverAlone.setThreads(shown.threads());
    solverAlone.setFrameSettings(shown.frameSettings());
    solverAlone.setPhysics(shown.physics());
    // Short alternating rounds, so that a change in the machine's load falls on both sides alike.
    const std::chrono::milliseconds round = duration / MeasureRounds;
    for (int r = 0; r < MeasureRounds; ++r) {
        solverAlone.setState(view.simulation().psi());
        QTimer::singleShot(round, &view, [&view] { view.requestStop(); });
        const long long framesBefore = view.framesComputed();
        const long long picturesBefore = view.framesPresented();
        const Clock::time_point loopStart = Clock::now();
        view.runCalculation();
        const double loopSeconds = secondsSince(loopStart);
        const long long frames = view.framesComputed() - framesBefore;
        report.loopSeconds += loopSeconds;
        report.frames += frames;
        report.pictures += view.framesPresented() - picturesBefore;

        const Clock::time_point solverStart = Clock::now();
        for (long long frame = 0; frame < frames; ++frame) {
            solverAlone.advanceFrame();
        }
        const double solverSeconds = secondsSince(solverStart);
        report.solverSeconds += solverSeconds;
        if (loopSeconds > 0.0 && frames > 0) {
            report.roundRatios.push_back(solverSeconds / loopSeconds);
        }
    }
    return report;
}

double FrameRateReport::medianRatio() const {
    if (roundRatios.empty()) {
        return 0.0;
    }
    std::vector<double> sorted = roundRatios;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2.0;
}

PaceReport measurePace(FlowView& view, std::chrono::milliseconds duration) {
    PaceReport report;
    if (view.isRunning()) {
        return report;
    }
    QTimer::singleShot(duration, &view, [&view] { view.requestStop(); });
    const long long framesBefore = view.framesComputed();
    const long long picturesBefore = view.framesPresented();
    const std::clock_t processorStart = std::clock();
    const Clock::time_point start = Clock::now();
    view.runCalculation();
    report.wallSeconds = secondsSince(start);
    report.processorSeconds = static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC;
    report.frames = view.framesComputed() - framesBefore;
    report.pictures = view.framesPresented() - picturesBefore;
    report.simulatedTime = static_cast<double>(report.frames) * TimeStep;
    return report;
}

long long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long long kilobytes = -1;
            status >> kilobytes;
            return kilobytes;
        }
        status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return -1;
}

void measureMemory(FlowView& view, const std::vector<long long>& checkpoints,
                   const std::function<void(const MemoryReport&)>& report) {
    if (view.isRunning() || checkpoints.empty()) {
        return;
    }
    const long long framesBefore = view.framesComputed();
    const Clock::time_point start = Clock::now();
    std::size_t next = 0;
    const QMetaObject::Connection watch =
        QObject::connect(&view, &FlowView::frameComputed, &view, [&](long long frame) {
            if (next < checkpoints.size() && frame - framesBefore == checkpoints[next]) {
                report({checkpoints[next], residentKilobytes(), secondsSince(start)});
                if (++next == checkpoints.size()) {
                    view.requestStop();
                }
            }
        });
    view.runCalculation();
    QObject::disconnect(watch);
}

}  // namespace swirlon
