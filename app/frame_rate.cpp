#include "app/frame_rate.h"

#include <QTimer>

#include <memory>

#include "app/flow_view.h"
#include "solver/stable_frame.h"

namespace swirlon {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

FrameRateReport measureFrameRate(FlowView& view, std::chrono::milliseconds duration) {
    FrameRateReport report;
    if (view.isRunning()) {
        return report;
    }
    const auto startState = std::make_unique<FieldBank>(view.bank());
    const int reynolds = view.reynoldsNumber();

    QTimer::singleShot(duration, &view, [&view] { view.requestStop(); });
    const long long framesBefore = view.framesComputed();
    const Clock::time_point loopStart = Clock::now();
    view.runCalculation();
    report.loopSeconds = secondsSince(loopStart);
    report.frames = view.framesComputed() - framesBefore;

    const auto rollback = std::make_unique<PackedSpectrum>();
    const Clock::time_point solverStart = Clock::now();
    for (long long frame = 0; frame < report.frames; ++frame) {
        advanceFrame(*startState, reynolds, *rollback);
    }
    report.solverSeconds = secondsSince(solverStart);
    return report;
}

}  // namespace swirlon
