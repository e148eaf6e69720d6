// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/stable_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "solver/diagnostics.h"
#include "solver/flow_state.h"
#include "solver/operators.h"
#include "solver/step_scratch.h"
#include "solver/time_step.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

using testing::addMode;
using testing::modeOf;
using testing::rk4Factor;

// Rounding of a decay factor accumulated over a frame's sub-steps.
constexpr double SubStepDecayTolerance = 1e-14;
constexpr double GentleAmplitude = 0.05;
constexpr double DiagnosticTolerance = 1e-12;

// Each sub-step's number must stay at or below the limit (2.0 unless a run asks for another)
// with as few sub-steps as that takes, up to a cap of 1024. At Re 1 the viscous number alone is
// 0.01 * 2 * K^2: 35.28 on the default grid, 144.5 on 256 points.
TEST(StableFrame, SubStepsAreTheFewestThatKeepEachAtOrBelowTheLimit) {
    const struct {
        double number;
        int subSteps;
        double limit = SafeStabilityNumber;
    } cases[] = {
        {0.0, 1},
        {2.0, 1},
        {std::nextafter(2.0, 3.0), 2},
        {2.5, 2},
        {4.0, 2},
        {4.01, 3},
        {viscousStabilityNumber(Grid{}, 1), 18},
        {viscousStabilityNumber(Grid(256), 1), 73},
        {2048.0, 1024},
        {1e9, 1024},
        {0.5, 1, 0.5},
        {2.0, 4, 0.5},
        {2.01, 5, 0.5},
        {2.8, 1, MaxStabilityLimit},
        {2.81, 2, MaxStabilityLimit},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(subStepsFor(c.number, c.limit), c.subSteps) << c.number << " at limit " << c.limit;
    }
    // The grid spacing enters through K: finer grids hold larger wave numbers and need shorter steps.
    for (const int size : SupportedGridSizes) {
        const Grid grid(size);
        const double k = grid.bandLimit();
        EXPECT_DOUBLE_EQ(viscousStabilityNumber(grid, 1), TimeStep * 2.0 * k * k) << size;
        // The advective part bounds |k.u| by K max(|u| + |v|) over the grid, not by the larger speed.
        PackedSpectrum u(grid);
        PackedSpectrum v(grid);
        u[5] = 0.5;
        v[5] = -0.5;
        u[9] = 0.9;
        EXPECT_DOUBLE_EQ(advectiveStabilityNumber(u, v), TimeStep * k) << size;
    }
}

TEST(StableFrame, GentleFrameIsOnePlainStepBitForBit) {
    FlowState framed(Grid{});
    StepScratch framedScratch(Grid{});
    testing::fillRandomBand(framed.psi, 21, 3.0, GentleAmplitude);
    PackedSpectrum plain = framed.psi;
    StepScratch plainScratch(Grid{});
    PackedSpectrum rollback(Grid{});
    for (const int reynolds : {100, 1000, 10000}) {
        const FrameOutcome outcome = advanceFrame(framed, framedScratch, reynolds, rollback);
        stepRk4(plain, plainScratch, reynolds);
        ASSERT_EQ(outcome.subSteps, 1);
        ASSERT_TRUE(outcome.finite);
        EXPECT_EQ(framed.psi, plain);
        EXPECT_EQ(framedScratch[Slot::velX], plainScratch[Slot::velX]);
        EXPECT_EQ(framedScratch[Slot::velY], plainScratch[Slot::velY]);
    }
    EXPECT_EQ(framed.frames, 3);
}

TEST(StableFrame, ViscousLimitSplitsTheFrameIntoEqualRk4SubSteps) {
    // At Re 1 one step of 0.01 would leave RK4's stability interval for the largest K^2.
    constexpr int Reynolds = 1;
    const std::complex<double> start = std::polar(0.5, 0.7);
    FlowState state(Grid{});
    StepScratch scratch(Grid{});
    addMode(state.psi, 4, -3, start);
    PackedSpectrum rollback(Grid{});
    const FrameOutcome outcome = advanceFrame(state, scratch, Reynolds, rollback);
    ASSERT_GT(outcome.subSteps, 1);
    EXPECT_GE(outcome.stabilityNumber, viscousStabilityNumber(Grid{}, Reynolds));
    const double expected = std::pow(rk4Factor(-25.0 * TimeStep / outcome.subSteps / Reynolds), outcome.subSteps);
    EXPECT_NEAR(modeOf(state.psi, 4, -3).real() / start.real(), expected, SubStepDecayTolerance);
    EXPECT_EQ(state.frames, 1);
}

TEST(StableFrame, NonFiniteStateIsNotSteppedAtAll) {
    FlowState state(Grid{});
    StepScratch scratch(Grid{});
    testing::fillRandomBand(state.psi, 4);
    const int at = Grid{}.entryIndex(3, 7);
    state.psi[at] = std::numeric_limits<double>::quiet_NaN();
    scratch[Slot::rk1].fill(2.0);
    PackedSpectrum rollback(Grid{});
    EXPECT_FALSE(advanceFrame(state, scratch, 1000, rollback).finite);
    EXPECT_TRUE(std::isnan(state.psi[at]));
    EXPECT_EQ(scratch[Slot::rk1][at], 2.0);
    EXPECT_EQ(state.frames, 0);
}

TEST(Diagnostics, SpectralSumsEqualGridAveragesOfTheSameField) {
    PackedSpectrum psi(Grid{});
    StepScratch scratch(Grid{});
    testing::fillRandomBand(psi, 8, 2.0);
    beginStep(psi, scratch);  // velX, velY, gradX, gradY on the grid
    PackedSpectrum vorticity(psi.grid());
    vorticityFromStreamFunction(psi, vorticity);
    const int points = psi.grid().points();
    double kinetic = 0.0;
    double squaredVorticity = 0.0;
    double squaredGradient = 0.0;
    for (int k = 0; k < points; ++k) {
        const PackedSpectrum& u = scratch[Slot::velX];
        const PackedSpectrum& v = scratch[Slot::velY];
        kinetic += u[k] * u[k] + v[k] * v[k];
        squaredVorticity += vorticity[k] * vorticity[k];
        squaredGradient +=
            scratch[Slot::gradX][k] * scratch[Slot::gradX][k] + scratch[Slot::gradY][k] * scratch[Slot::gradY][k];
    }
    EXPECT_NEAR(energy(psi) / (0.5 * kinetic / points), 1.0, DiagnosticTolerance);
    EXPECT_NEAR(enstrophy(psi) / (0.5 * squaredVorticity / points), 1.0, DiagnosticTolerance);
    EXPECT_NEAR(palinstrophy(psi) / (0.5 * squaredGradient / points), 1.0, DiagnosticTolerance);
}

}  // namespace
}  // namespace swirlon
