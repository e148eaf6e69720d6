// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>

#include "solver/budget.h"
#include "solver/diagnostics.h"
#include "solver/extra_terms.h"
#include "solver/flow_state.h"
#include "solver/spectral_filter.h"
#include "solver/step_scratch.h"
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
    PackedSpectrum psi(Grid{});
    StepScratch scratch(Grid{});
    testing::fillRandomBand(psi, 17);
    Simulation simulation(10000);
    simulation.setFrameSettings({.filter = true});
    simulation.setState(psi);
    EXPECT_EQ(simulation.psi(), psi);
    const int subSteps = simulation.advanceFrame().subSteps;
    ASSERT_GT(subSteps, 1) << "the field should need sub-steps";
    for (int subStep = 0; subStep < subSteps; ++subStep) {
        stepRk4(psi, scratch, 10000, TimeStep / subSteps);
        applySpectralFilter(psi);
    }
    EXPECT_EQ(simulation.psi(), psi);
}

// With every new term off, explicitly or by default, a frame is the plain frame bit for bit.
TEST(Simulation, ExtraTermsSwitchedOffLeaveTheFramesAsTheyWere) {
    FlowState plain(Grid{});
    StepScratch scratch(Grid{});
    testing::fillRandomBand(plain.psi, 23);
    Simulation simulation(10000);
    simulation.setPhysics({.forcingWaveNumber = 7, .forcingAmplitude = 3.0, .hyperOrder = 5});
    simulation.setState(plain.psi);
    PackedSpectrum rollback(Grid{});
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(simulation.advanceFrame().finite);
        ASSERT_TRUE(advanceFrame(plain, scratch, 10000, rollback).finite);
    }
    EXPECT_EQ(simulation.psi(), plain.psi);
    EXPECT_EQ(simulation.framesDone(), plain.frames);
}

// A single Fourier mode is a steady solution of the Euler equations, so each frame multiplies
// it by the RK4 factor of its viscous decay and by the exact decay of drag and hyperviscosity.
TEST(Simulation, DragAndHyperviscosityDecayEachModeExactly) {
    struct Case {
        double drag;
        double hyperviscosity;
        int order;
        int kx;
        int ky;
    };
    const Case cases[] = {{0.3, 0.0, 2, 1, 1}, {0.0, 1e-6, 2, 3, 4}, {0.0, 1e-9, 3, 5, -2}, {0.2, 1e-4, 1, 0, 6}};
    constexpr int Reynolds = 1000;
    constexpr int Frames = 50;
    // Relative: rounding of one exponential and one product per frame.
    constexpr double Tolerance = 1e-13;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kx * 100 + c.ky);
        Simulation simulation(Reynolds, Grid(64));
        auto psi = std::make_unique<PackedSpectrum>(Grid(64));
        addMode(*psi, c.kx, c.ky, {0.01, -0.02});
        simulation.setPhysics({.drag = c.drag, .hyperviscosity = c.hyperviscosity, .hyperOrder = c.order});
        simulation.setState(*psi);
        for (int frame = 0; frame < Frames; ++frame) {
            ASSERT_EQ(simulation.advanceFrame().subSteps, 1);
        }
        const double k2 = c.kx * c.kx + c.ky * c.ky;
        const double rate = c.drag + c.hyperviscosity * std::pow(k2, c.order);
        const double factor =
            std::pow(testing::rk4Factor(-k2 * TimeStep / Reynolds), Frames) * std::exp(-rate * simulation.time());
        const std::complex<double> expected = std::complex<double>(0.01, -0.02) * factor;
        EXPECT_LE(std::abs(testing::modeOf(simulation.psi(), c.kx, c.ky) - expected), Tolerance * std::abs(expected));
    }
}

// From rest, stripes build the laminar flow omega = A k_f cos(k_f y) / a, a = nu k_f^2 + mu +
// nu_h k_f^(2p) (advection of a parallel flow vanishes): run for 25 / a, the transient is
// e^-25 of it. There the budget balances: injection = dissipation + drag.
TEST(Simulation, StripesReachTheLaminarSteadyStateWithABalancedBudget) {
    struct Case {
        int reynolds;
        double drag;
        double hyperviscosity;
        int waveNumber;
        double amplitude;
    };
    const Case cases[] = {{10, 0.0, 0.0, 4, 1.0}, {50, 1.0, 0.0, 2, 0.5}, {20, 0.0, 0.01, 3, 2.0}};
    constexpr double SteadyStateTolerance = 1e-9;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reynolds);
        const Grid grid(64);
        Simulation simulation(c.reynolds, grid);
        const PhysicsParams params{.forcing = ForcingKind::stripes,
                                   .forcingWaveNumber = c.waveNumber,
                                   .forcingAmplitude = c.amplitude,
                                   .drag = c.drag,
                                   .hyperviscosity = c.hyperviscosity};
        simulation.setPhysics(params);
        const double k2 = c.waveNumber * c.waveNumber;
        const double rate = k2 / c.reynolds + c.drag + c.hyperviscosity * k2 * k2;
        const int frames = static_cast<int>(std::ceil(25.0 / (rate * TimeStep)));
        for (int frame = 0; frame < frames; ++frame) {
            ASSERT_TRUE(simulation.advanceFrame().finite);
        }
        const double peak = c.amplitude * c.waveNumber / rate;
        const PackedSpectrum& omega = simulation.gridVorticity();
        double worst = 0.0;
        for (int row = 0; row < grid.size(); ++row) {
            const double expected =
                peak * std::cos(testing::phaseAngle(static_cast<long>(c.waveNumber) * row, grid.size()));
            for (int column = 0; column < grid.size(); ++column) {
                worst = std::max(worst, std::fabs(omega[grid.entryIndex(row, column)] - expected));
            }
        }
        EXPECT_LE(worst, SteadyStateTolerance * peak);
        const EnergyBudget budget = energyBudget(simulation.psi(), c.reynolds, params);
        EXPECT_GT(budget.injection, 0.0);
        EXPECT_NEAR(budget.net(), 0.0, SteadyStateTolerance * budget.injection);
        EXPECT_NEAR(simulation.lastFrameBalance().budgetResidual, 0.0, SteadyStateTolerance * budget.injection);
    }
}

// Each sub-step's forcing alone, from rest, injects a random energy whose mean rate is epsilon
// at any sub-step: the mean of many samples lies within five standard errors of it.
TEST(ExtraTermsTest, RingForcingInjectsItsRateOnAverageWhateverTheSubStep) {
    constexpr double Rate = 0.3;
    constexpr int Samples = 4000;
    constexpr double StandardErrors = 5.0;
    ExtraTerms terms;
    terms.setParams({.forcing = ForcingKind::ring, .forcingWaveNumber = 6, .injectionRate = Rate});
    PackedSpectrum psi(Grid{});
    for (const double dt : {TimeStep, TimeStep / 7.0}) {
        double sum = 0.0;
        double sumOfSquares = 0.0;
        for (int sample = 0; sample < Samples; ++sample) {
            psi.fill(0.0);
            terms.apply(psi, 1000, dt);
            const double injected = energy(psi) / dt;
            sum += injected;
            sumOfSquares += injected * injected;
        }
        const double mean = sum / Samples;
        const double deviation = std::sqrt((sumOfSquares / Samples - mean * mean) * Samples / (Samples - 1));
        EXPECT_NEAR(mean, Rate, StandardErrors * deviation / std::sqrt(Samples)) << dt;
    }
}

// A random-forced run stopped, its state, terms and generator position handed to a new run,
// goes on as if it had never stopped.
TEST(Simulation, ARingForcedRunContinuesBitForBitFromItsStateAndNoisePosition) {
    constexpr int Half = 15;
    const PhysicsParams params{.forcing = ForcingKind::ring, .forcingWaveNumber = 5, .injectionRate = 2.0, .drag = 0.1};
    Simulation whole(5000, Grid(64));
    whole.setPhysics(params);
    whole.setForcingNoise({.seed = 99});
    Simulation first(5000, Grid(64));
    first.setPhysics(params);
    first.setForcingNoise({.seed = 99});
    for (int frame = 0; frame < Half; ++frame) {
        ASSERT_TRUE(whole.advanceFrame().finite);
        ASSERT_TRUE(first.advanceFrame().finite);
    }
    Simulation second(5000, Grid(64));
    second.setPhysics(first.physics());
    second.setForcingNoise(first.forcingNoise());
    second.setState(first.psi(), first.framesDone());
    for (int frame = 0; frame < Half; ++frame) {
        ASSERT_TRUE(whole.advanceFrame().finite);
        ASSERT_TRUE(second.advanceFrame().finite);
    }
    EXPECT_GT(energy(whole.psi()), 0.0);
    EXPECT_EQ(second.psi(), whole.psi());
    EXPECT_EQ(second.forcingNoise(), whole.forcingNoise());
}

}  // namespace
}  // namespace swirlon
