// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/operators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "solver/diagnostics.h"
#include "solver/fft.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

using testing::phaseAngle;
using testing::sampleGrid;

// Errors of fields evaluated through the transforms, relative to the field's largest value.
constexpr double RelativeGridTolerance = 1e-12;

TEST(CopyBand, KeepsTheBandLessItsMeanAndClearsTheRest) {
    // The band is rows and columns 0..42 and 86..127: 85 x 85 entries, less the mean.
    PackedSpectrum source;
    source.fill(1.0);
    auto destination = std::make_unique<PackedSpectrum>();
    destination->fill(7.0);
    copyBand(*destination, source);
    EXPECT_EQ(std::count(destination->begin(), destination->end(), 1.0), BandWidth * BandWidth - 1);
    EXPECT_EQ(std::count(destination->begin(), destination->end(), 0.0), GridPoints - (BandWidth * BandWidth - 1));
    EXPECT_EQ((*destination)[0], 0.0);
    EXPECT_EQ(std::count(source.begin(), source.end(), 1.0), GridPoints);
}

void expectGridMatches(const PackedSpectrum& actual, const PackedSpectrum& expected, const char* what) {
    const double tolerance = RelativeGridTolerance * largestMagnitude(expected);
    for (int k = 0; k < GridPoints; ++k) {
        ASSERT_NEAR(actual[k], expected[k], tolerance) << what << " at element " << k;
    }
}

TEST(PoissonSolve, RecoversTheStreamFunctionAndDropsTheConstantAndBackGivesTheVorticity) {
    // omega = -25 cos(3x + 4y) + 5 has psi = cos(3x + 4y) with zero mean.
    const auto omega = [](int x, int y) { return -25.0 * std::cos(phaseAngle(3L * x + 4L * y)); };
    PackedSpectrum field = sampleGrid([&](int x, int y) { return omega(x, y) + 5.0; });
    streamFunctionFromVorticity(field);
    PackedSpectrum grid;
    copyBand(grid, field);
    inverseRealFft2d(GridSize, grid.data());
    expectGridMatches(grid, sampleGrid([](int x, int y) { return std::cos(phaseAngle(3L * x + 4L * y)); }), "psi");
    // Whatever lies in the mean entry and outside the band takes no part.
    field[0] = field[entryIndex(0, BandLimit + 1)] = field[entryIndex(GridSize / 2, 3)] = 9.0;
    vorticityFromStreamFunction(field, grid);
    expectGridMatches(grid, sampleGrid(omega), "omega");
}

}  // namespace
}  // namespace swirlon
