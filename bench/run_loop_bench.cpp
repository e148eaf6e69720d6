// SPDX-License-Identifier: GPL-3.0-or-later
// The window's run loop against the solver alone, frame for frame from the same start state:
// what drawing and the event drain cost. Run it on a real display (or Xvfb) to include the
// screen; on the offscreen platform painting costs almost nothing. Compare the frames/s
// counters of the benchmarks of one run; the run loop is measured with the plots dock hidden
// and shown.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>

#include "app/flow_view.h"
#include "app/main_frame.h"
#include "app/plots_dock.h"
#include "solver/simulation.h"

namespace swirlon {
namespace {

constexpr long long FramesPerRun = 400;

CMainFrame* frameWindow = nullptr;

void setFramesPerSecond(benchmark::State& state) {
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(FramesPerRun) * state.iterations(), benchmark::Counter::kIsRate);
}

// state.range(0): the plots dock is shown during the runs.
void BM_runLoopFrames(benchmark::State& state) {
    const bool withPlots = state.range(0) != 0;
    frameWindow->plots().setVisible(withPlots);
    QApplication::processEvents();
    FlowView& view = frameWindow->view();
    const auto startState = std::make_unique<PackedSpectrum>(view.simulation().psi());
    long long stopAt = 0;
    QObject::connect(&view, &FlowView::frameComputed, &view, [&view, &stopAt](long long frame) {
        if (frame >= stopAt) {
            view.requestStop();
        }
    });
    for (auto _ : state) {
        stopAt = view.framesComputed() + FramesPerRun;
        view.runCalculation();
        state.PauseTiming();
        view.simulation().setState(*startState);
        state.ResumeTiming();
    }
    QObject::disconnect(&view, &FlowView::frameComputed, &view, nullptr);
    setFramesPerSecond(state);
}

void BM_solverFrames(benchmark::State& state) {
    const auto startState = std::make_unique<PackedSpectrum>(frameWindow->view().simulation().psi());
    Simulation simulation(frameWindow->view().reynoldsNumber());
    for (auto _ : state) {
        state.PauseTiming();
        simulation.setState(*startState);
        state.ResumeTiming();
        for (long long frame = 0; frame < FramesPerRun; ++frame) {
            simulation.advanceFrame();
        }
    }
    setFramesPerSecond(state);
}

BENCHMARK(BM_solverFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_runLoopFrames)->ArgName("plots")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_solverFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Name("BM_solverFramesAgain");

}  // namespace
}  // namespace swirlon

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The window's view settings of benchmark runs stay apart from the user's.
    QApplication::setOrganizationName(QStringLiteral("swirlon-bench"));
    swirlon::CMainFrame window;
    window.show();
    QApplication::processEvents();
    swirlon::frameWindow = &window;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
