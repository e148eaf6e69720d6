// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "field_io/presets.h"
#include "solver/diagnostics.h"
#include "solver/operators.h"
#include "solver/spectra.h"

namespace swirlon {
namespace {

constexpr double Sentinel = 777.0;
// Transform round-off on fields of order one.
constexpr double TransformTolerance = 1e-13;

std::unique_ptr<PackedSpectrum> sentinelField() {
    auto field = std::make_unique<PackedSpectrum>(Grid{});
    field->fill(Sentinel);
    return field;
}

std::unique_ptr<PackedSpectrum> loaded(const std::string& name, std::uint32_t seed = 1) {
    auto psi = sentinelField();
    EXPECT_TRUE(loadPreset(name, *psi, seed)) << name;
    return psi;
}

std::unique_ptr<PackedSpectrum> vorticityOf(const PackedSpectrum& psi) {
    auto omega = std::make_unique<PackedSpectrum>(Grid{});
    vorticityFromStreamFunction(psi, *omega);
    return omega;
}

// The window starts with the first; that it starts gently, without sub-steps, is pinned by
// batch_run_test.cpp.
TEST(Presets, EveryListedNameLoadsAFiniteZeroMeanStateWithVorticesOfBothSignsAndAnUnknownOneNothing) {
    std::vector<std::string> names;
    for (const Preset& preset : presets()) {
        names.emplace_back(preset.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"default", "taylor-green", "vortex-pair", "shear-layer", "mcwilliams",
                                               "forced-turbulence", "kolmogorov"}));
    for (const std::string& name : names) {
        const auto psi = loaded(name);
        EXPECT_TRUE(isBandFinite(*psi)) << name;
        EXPECT_EQ((*psi)[0], 0.0) << name;
        const auto omega = vorticityOf(*psi);
        EXPECT_GT(*std::max_element(omega->begin(), omega->end()), 1.0) << name;
        EXPECT_LT(*std::min_element(omega->begin(), omega->end()), -1.0) << name;
    }
    auto psi = sentinelField();
    EXPECT_FALSE(loadPreset("hurricane", *psi));
    EXPECT_EQ(*psi, *sentinelField());
    loadDefaultField(*psi);
    EXPECT_EQ(*psi, *loaded("default"));
}

TEST(Presets, TaylorGreenVorticityIsTwiceSinXTimesSinY) {
    const auto omega = vorticityOf(*loaded("taylor-green"));
    constexpr double GridSpacing = 2.0 * std::numbers::pi / DefaultGridSize;
    double worst = 0.0;
    for (int y = 0; y < DefaultGridSize; ++y) {
        for (int x = 0; x < DefaultGridSize; ++x) {
            const double expected = 2.0 * std::sin(GridSpacing * x) * std::sin(GridSpacing * y);
            worst = std::max(worst, std::fabs((*omega)[Grid{}.entryIndex(y, x)] - expected));
        }
    }
    EXPECT_LT(worst, TransformTolerance);
}

TEST(Presets, ShearLayersAreThinAndOppositeAndTheVortexPairIsAMirrorImage) {
    // The layers' centres lie on the rows at y = pi/2 and 3pi/2, their peak 1/thickness is of
    // order 5, and the row between them is nearly at rest.
    const auto shear = vorticityOf(*loaded("shear-layer"));
    constexpr double LayerPeakAtLeast = 4.0;
    constexpr double QuietAtMost = 0.5;
    for (int x = 0; x < DefaultGridSize; ++x) {
        EXPECT_LT((*shear)[Grid{}.entryIndex(DefaultGridSize / 4, x)], -LayerPeakAtLeast);
        EXPECT_GT((*shear)[Grid{}.entryIndex(3 * DefaultGridSize / 4, x)], LayerPeakAtLeast);
        EXPECT_LT(std::fabs((*shear)[Grid{}.entryIndex(DefaultGridSize / 2, x)]), QuietAtMost);
    }
    const auto pair = vorticityOf(*loaded("vortex-pair"));
    EXPECT_NEAR(*std::max_element(pair->begin(), pair->end()), -*std::min_element(pair->begin(), pair->end()),
                10 * TransformTolerance);
}

TEST(Presets, RandomTurbulenceIsFixedBySeedWithUnitRmsSpeedAResolvedTailAndAnEnergyPeakAtLowWaveNumbers) {
    const auto random = loaded("mcwilliams", 5);
    EXPECT_EQ(*random, *loaded("mcwilliams", 5));
    EXPECT_NE(*random, *loaded("mcwilliams", 6));

    const PackedSpectrum& psi = *random;
    constexpr double MeanSquareSpeed = 1.0;
    EXPECT_NEAR(energy(psi), 0.5 * MeanSquareSpeed, 1e-12);
    // The spectrum rises as k^2 to its peak near 5 and falls as k^-6 beyond.
    const ShellSpectra spectra = shellSpectra(psi);
    const auto peak = std::max_element(spectra.energy.begin(), spectra.energy.end()) - spectra.energy.begin();
    EXPECT_GE(peak, 3);
    EXPECT_LE(peak, 8);
    EXPECT_GT(spectra.energy[static_cast<std::size_t>(peak)], 1e4 * spectra.energy[Grid{}.bandLimit() - 2]);
    for (const std::uint32_t seed : {1u, 5u}) {
        EXPECT_FALSE(isUnderResolved(edgeEnstrophyShare(*loaded("mcwilliams", seed)))) << seed;
    }
}

}  // namespace
}  // namespace swirlon
