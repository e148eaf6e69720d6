// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of keeping hard start pictures stable: for each picture and Reynolds number, a long run
// of frames with the sub-steps each frame chose, against plain steps of 0.01 (one sub-step).
// Counters: largest and mean sub-steps, seconds of wall time per unit of simulated time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>

#include "solver/flow_state.h"
#include "solver/operators.h"
#include "solver/stable_frame.h"
#include "solver/step_scratch.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

// Vorticity of the loader's colours: yellow, white, red and mid grey.
constexpr double YellowVorticity = 19.921875;
constexpr double WhiteVorticity = -19.921875;
constexpr double RedVorticity = 9.9609375;
constexpr double GreyVorticity = -10.0;

// Start pictures whose large one-colour areas make one plain step of 0.01 diverge within a few
// frames.

enum class StartPicture { yellowDisc16, yellowDisc24, yellowDisc32, redDiscOnGrey, yellowWhiteHalves };

// Grid vorticity of the picture (not yet transformed).
PackedSpectrum startPictureVorticity(StartPicture picture) {
    constexpr double Centre = DefaultGridSize / 2 - 0.5;
    constexpr int OddPixelX = 100;
    constexpr int OddPixelY = 30;
    PackedSpectrum grid(Grid{});
    for (int y = 0; y < DefaultGridSize; ++y) {
        for (int x = 0; x < DefaultGridSize; ++x) {
            const double r2 = (x - Centre) * (x - Centre) + (y - Centre) * (y - Centre);
            double value = 0.0;
            switch (picture) {
            case StartPicture::yellowDisc16:
                value = r2 <= 16 * 16 ? YellowVorticity : WhiteVorticity;
                break;
            case StartPicture::yellowDisc24:
                value = r2 <= 24 * 24 ? YellowVorticity : WhiteVorticity;
                break;
            case StartPicture::yellowDisc32:
                value = r2 <= 32 * 32 ? YellowVorticity : WhiteVorticity;
                break;
            case StartPicture::redDiscOnGrey:
                value = r2 <= 16 * 16 ? RedVorticity : GreyVorticity;
                break;
            case StartPicture::yellowWhiteHalves:
                value = (x == OddPixelX && y == OddPixelY)
                            ? RedVorticity
                            : (x < DefaultGridSize / 2 ? YellowVorticity : WhiteVorticity);
                break;
            }
            grid[Grid{}.entryIndex(y, x)] = value;
        }
    }
    return grid;
}

constexpr std::array<StartPicture, 5> AllStartPictures = {StartPicture::yellowDisc16, StartPicture::yellowDisc24,
                                                          StartPicture::yellowDisc32, StartPicture::redDiscOnGrey,
                                                          StartPicture::yellowWhiteHalves};

const char* startPictureName(StartPicture picture) {
    switch (picture) {
    case StartPicture::yellowDisc16:
        return "YellowDisc16OnWhite";
    case StartPicture::yellowDisc24:
        return "YellowDisc24OnWhite";
    case StartPicture::yellowDisc32:
        return "YellowDisc32OnWhite";
    case StartPicture::redDiscOnGrey:
        return "RedDisc16OnGrey";
    case StartPicture::yellowWhiteHalves:
        break;
    }
    return "YellowWhiteHalvesWithOddPixel";
}

constexpr int FramesPerRun = 3000;
constexpr int FramesPerTimeUnit = 100;

FlowState stateWith(StartPicture picture) {
    FlowState state(Grid{});
    state.psi = startPictureVorticity(picture);
    streamFunctionFromVorticity(state.psi);
    return state;
}

void BM_stableFrames(benchmark::State& state) {
    const auto picture = AllStartPictures[static_cast<std::size_t>(state.range(0))];
    const int reynolds = static_cast<int>(state.range(1));
    FlowState flow = stateWith(picture);
    StepScratch scratch(Grid{});
    PackedSpectrum rollback(Grid{});
    int largestSplit = 0;
    long subStepTotal = 0;
    int divergedAt = -1;
    for (auto _ : state) {
        for (int frame = 0; frame < FramesPerRun; ++frame) {
            const FrameOutcome outcome = advanceFrame(flow, scratch, reynolds, rollback);
            largestSplit = std::max(largestSplit, outcome.subSteps);
            subStepTotal += outcome.subSteps;
            if (!outcome.finite) {
                divergedAt = frame;
                break;
            }
        }
    }
    state.SetLabel(startPictureName(picture));
    state.counters["max_m"] = largestSplit;
    state.counters["mean_m"] = static_cast<double>(subStepTotal) / (FramesPerRun * state.iterations());
    state.counters["diverged_at"] = divergedAt;
    state.counters["s_per_time_unit"] =
        benchmark::Counter(static_cast<double>(FramesPerRun) / FramesPerTimeUnit * state.iterations(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One sub-step per frame: the cost per time unit that a stable run would have without splits.
void BM_plainSteps(benchmark::State& state) {
    const PackedSpectrum start = stateWith(StartPicture::redDiscOnGrey).psi;
    PackedSpectrum psi = start;
    StepScratch scratch(Grid{});
    // Plain steps of this picture stay finite for well over this many steps.
    constexpr int StepsBeforeRestart = 8;
    int stepsSinceRestart = 0;
    for (auto _ : state) {
        if (stepsSinceRestart == StepsBeforeRestart) {
            state.PauseTiming();
            psi = start;
            stepsSinceRestart = 0;
            state.ResumeTiming();
        }
        stepRk4(psi, scratch, 1000);
        ++stepsSinceRestart;
    }
    state.counters["s_per_time_unit"] = benchmark::Counter(static_cast<double>(state.iterations()) / FramesPerTimeUnit,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_stableFrames)->ArgsProduct({{0, 1, 2, 3, 4}, {100, 1000, 10000}})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_plainSteps)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace swirlon
