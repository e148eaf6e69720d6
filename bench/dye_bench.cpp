// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the dye per frame against the frame it rides on, at each grid: the start-up field,
// its vorticity picture as the dye, the step's threads those the window uses on that grid; and
// the carrying alone on one and two threads.
#include <benchmark/benchmark.h>

#include "field_io/picture.h"
#include "session/session.h"

namespace swirlon {
namespace {

constexpr int BenchReynolds = 1000;

// One frame of the flow without dye.
void frameWithoutDye(benchmark::State& state) {
    Session session(BenchReynolds);
    session.changeGrid(Grid(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(session.advanceFrame());
    }
}

// One frame of the flow carrying the dye, as a run does it (solver/carried_dye.h).
void frameWithDye(benchmark::State& state) {
    Session session(BenchReynolds);
    session.changeGrid(Grid(static_cast<int>(state.range(0))));
    session.setDyeOn(true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(session.advanceFrame());
    }
    benchmark::DoNotOptimize(session.simulation().dye());
}

// Carrying the dye through one frame with the velocities a frame leaves.
void dyeAdvection(benchmark::State& state) {
    Session session(BenchReynolds);
    session.changeGrid(Grid(static_cast<int>(state.range(0))));
    session.advanceFrame();
    const Simulation& flow = session.simulation();
    DyeField dye = vorticityDye(flow);
    DyeScratch scratch(flow.grid());
    StepThreads threads(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        advectDye(dye, flow.velocityX(), flow.velocityY(), TimeStep, scratch, &threads);
        benchmark::DoNotOptimize(dye.values().data());
    }
}

BENCHMARK(frameWithoutDye)->Arg(64)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMicrosecond);
BENCHMARK(frameWithDye)->Arg(64)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMicrosecond);
BENCHMARK(dyeAdvection)->ArgsProduct({{64, 128, 256, 512}, {1, 2}})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace swirlon
