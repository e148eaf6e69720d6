// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "solver/diagnostics.h"
#include "solver/spectral_filter.h"
#include "solver/time_step.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

using testing::addMode;

// psi = -sin x sin y: u = sin x cos y, v = -cos x sin y, omega = 2 sin x sin y, so E = 1/4,
// Z = 1/2, P = 1, max |omega| = 2 and max(|u| + |v|) = 1.
std::unique_ptr<PackedSpectrum> taylorGreen(Grid grid = Grid{}) {
    auto psi = std::make_unique<PackedSpectrum>(grid);
    addMode(*psi, 1, 1, 0.25);
    addMode(*psi, 1, -1, -0.25);
    return psi;
}

TEST(Simulation, DiagnosticsOfAKnownStateAndItsStabilityNumberBeforeAnyFrame) {
    constexpr double Tolerance = 1e-13;
    Simulation simulation(1000);
    simulation.setState(*taylorGreen());
    const Diagnostics values = measureDiagnostics(simulation);
    EXPECT_NEAR(values.energy, 0.25, Tolerance);
    EXPECT_NEAR(values.enstrophy, 0.5, Tolerance);
    EXPECT_NEAR(values.palinstrophy, 1.0, Tolerance);
    EXPECT_NEAR(values.maxVorticity, 2.0, Tolerance);
    // 0.01 * 42 * 1 advective plus 0.01 * 2 * 42^2 / 1000 viscous.
    EXPECT_NEAR(values.stabilityNumber, 0.42 + 0.03528, Tolerance);
    EXPECT_EQ(values.subSteps, 0);
}

// Taylor-Green is a steady solution of the Euler equations: on every grid it keeps its shape
// and each frame's four RK4 stages multiply it by the RK4 factor of its viscous decay, K^2 = 2.
TEST(Simulation, TaylorGreenDecaysExactlyByTheViscousFactorOnEveryGrid) {
    constexpr int Reynolds = 100;
    constexpr int Frames = 20;
    constexpr double Tolerance = 1e-14;
    for (const int size : SupportedGridSizes) {
        Simulation simulation(Reynolds, Grid(size));
        simulation.setState(*taylorGreen(Grid(size)));
        for (int frame = 0; frame < Frames; ++frame) {
            ASSERT_TRUE(simulation.advanceFrame().finite);
        }
        const double factor = std::pow(testing::rk4Factor(-2.0 * TimeStep / Reynolds), Frames);
        EXPECT_NEAR(testing::modeOf(simulation.psi(), 1, 1).real(), 0.25 * factor, Tolerance) << size;
        // The energy is that of the two modes alone: nothing leaks into other modes.
        EXPECT_NEAR(energy(simulation.psi()), 0.25 * factor * factor, Tolerance) << size;
    }
}

// A run moved to a finer grid holds the same field, so its next frames match the coarse run's
// to rounding while the flow stays inside the coarse band; moved back, it is the same state.
TEST(Simulation, MovingToAnotherGridKeepsTheFlowAndTheClock) {
    const auto start = taylorGreen();
    testing::addMode(*start, 3, -2, {0.01, 0.02});
    Simulation coarse(1000);
    coarse.setState(*start, 5);
    const Diagnostics before = measureDiagnostics(coarse);
    coarse.setGrid(Grid(256));
    EXPECT_EQ(coarse.grid().size(), 256);
    EXPECT_EQ(coarse.framesDone(), 5);
    const Diagnostics fine = measureDiagnostics(coarse);
    EXPECT_EQ(fine.energy, before.energy);
    EXPECT_EQ(fine.enstrophy, before.enstrophy);
    coarse.setGrid(Grid{});
    EXPECT_EQ(coarse.psi(), *start) << "up then down returns the band bit for bit";
}

TEST(Simulation, ClockCountsFramesAndSettingAStateSetsIt) {
    Simulation simulation(1000);
    simulation.setState(*taylorGreen(), 10);
    for (int frame = 0; frame < 10; ++frame) {
        ASSERT_TRUE(simulation.advanceFrame().finite);
    }
    EXPECT_EQ(simulation.framesDone(), 20);
    // Computed from the count: ten additions of 0.01 to 0.1 would overshoot 0.2 by rounding.
    EXPECT_EQ(simulation.time(), 0.2);
    simulation.setStateFromVorticity(*taylorGreen());
    EXPECT_EQ(simulation.framesDone(), 0);
    EXPECT_EQ(simulation.time(), 0.0);
}

TEST(Simulation, AnOverflowingFrameIsPutBackUncountedWithFiniteVelocities) {
    auto psi = std::make_unique<PackedSpectrum>(Grid{});
    addMode(*psi, 3, 1, {1e200, 0.0});
    addMode(*psi, -2, 5, {0.0, 1e200});
    Simulation simulation(1000);
    simulation.setState(*psi, 7);
    EXPECT_FALSE(simulation.advanceFrame().finite);
    EXPECT_FALSE(simulation.lastOutcome().finite);
    EXPECT_EQ(simulation.psi(), *psi);
    EXPECT_EQ(simulation.framesDone(), 7);
    // Nothing non-finite is left for the speed picture either.
    for (const PackedSpectrum* velocity : {&simulation.velocityX(), &simulation.velocityY()}) {
        for (const double value : *velocity) {
            ASSERT_TRUE(std::isfinite(value));
        }
    }
}

// Loads with the filter on are pinned by the batch and window tests.
TEST(Simulation, WithTheFilterOnEverySubStepIsFilteredButASetStateIsTakenAsIs) {
    auto expected = testing::makeZeroBank();
    PackedSpectrum& psi = (*expected)[Slot::psi];
    testing::fillRandomBand(psi, 17);
    Simulation simulation(10000);
    simulation.setFrameSettings({.filter = true});
    simulation.setState(psi);
    EXPECT_EQ(simulation.psi(), psi);
    const int subSteps = simulation.advanceFrame().subSteps;
    ASSERT_GT(subSteps, 1) << "the field should need sub-steps";
    for (int subStep = 0; subStep < subSteps; ++subStep) {
        stepRk4(*expected, 10000, TimeStep / subSteps);
        applySpectralFilter(psi);
    }
    EXPECT_EQ(simulation.psi(), psi);
}

}  // namespace
}  // namespace swirlon
