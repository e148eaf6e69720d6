// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the run loop against the solver alone on the same frames, to show what drawing and
// the event drain cost.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

namespace swirlon {

class FlowView;

struct FrameRateReport {
    long long frames = 0;
    // Frames put on screen.
    long long pictures = 0;
    double loopSeconds = 0.0;
    double solverSeconds = 0.0;
    // The run loop's frames/s over the solver's, round by round; a burst of other work on the
    // machine spoils a round or two, so the median says more than the totals.
    std::vector<double> roundRatios;

    double medianRatio() const;

    double picturesPerSecond() const { return loopSeconds > 0.0 ? pictures / loopSeconds : 0.0; }
    double loopFramesPerSecond() const { return loopSeconds > 0.0 ? frames / loopSeconds : 0.0; }
    double solverFramesPerSecond() const { return solverSeconds > 0.0 ? frames / solverSeconds : 0.0; }
};

// Runs the view's calculation for about duration, in rounds; after each round advances a copy
// of the round's starting state by the same number of frames without drawing. The view must be
// idle and should be visible, or the loop's repaints cost nothing.
FrameRateReport measureFrameRate(FlowView& view, std::chrono::milliseconds duration);

struct PaceReport {
    long long frames = 0;
    long long pictures = 0;
    double wallSeconds = 0.0;
    double simulatedTime = 0.0;
    // Processor time of the whole process over the run.
    double processorSeconds = 0.0;

    double framesPerSecond() const { return wallSeconds > 0.0 ? frames / wallSeconds : 0.0; }
    double picturesPerSecond() const { return wallSeconds > 0.0 ? pictures / wallSeconds : 0.0; }
    double timePerSecond() const { return wallSeconds > 0.0 ? simulatedTime / wallSeconds : 0.0; }
    double processorShare() const { return wallSeconds > 0.0 ? processorSeconds / wallSeconds : 0.0; }
};

// Runs the view's calculation at its current pace for duration. The view must be idle.
PaceReport measurePace(FlowView& view, std::chrono::milliseconds duration);

// Resident memory of the process (VmRSS) in kB; -1 where the system does not tell.
long long residentKilobytes();

struct MemoryReport {
    long long frames = 0;
    long long residentKilobytes = 0;
    double seconds = 0.0;
};

// Runs the view's calculation until it has computed the last of checkpoints (ascending frame
// counts) further frames, handing the resident memory to report as it passes each. The view
// must be idle.
void measureMemory(FlowView& view, const std::vector<long long>& checkpoints,
                   const std::function<void(const MemoryReport&)>& report);

}  // namespace swirlon
