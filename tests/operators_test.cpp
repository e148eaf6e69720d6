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

TEST(CopyBand, KeepsTheBandLessItsMeanAndClearsTheRestAtEveryGrid) {
    // The band is rows and columns 0..K and N-K..N-1: (2K + 1)^2 entries, less the mean, with
    // K = 21, 42, 85, 170.
    const struct {
        int size;
        int bandLimit;
    } cases[] = {{64, 21}, {128, 42}, {256, 85}, {512, 170}};
    for (const auto& c : cases) {
        const Grid grid(c.size);
        ASSERT_EQ(grid.bandLimit(), c.bandLimit);
        const long bandEntries = (2L * c.bandLimit + 1) * (2L * c.bandLimit + 1) - 1;
        PackedSpectrum source(grid);
        source.fill(1.0);
        PackedSpectrum destination(grid);
        destination.fill(7.0);
        copyBand(destination, source);
        EXPECT_EQ(std::count(destination.begin(), destination.end(), 1.0), bandEntries) << c.size;
        EXPECT_EQ(std::count(destination.begin(), destination.end(), 0.0), grid.points() - bandEntries) << c.size;
        EXPECT_EQ(destination[0], 0.0);
        EXPECT_EQ(std::count(source.begin(), source.end(), 1.0), grid.points());
    }
}

void expectGridMatches(const PackedSpectrum& actual, const PackedSpectrum& expected, const char* what) {
    const double tolerance = RelativeGridTolerance * largestMagnitude(expected);
    for (int k = 0; k < expected.grid().points(); ++k) {
        ASSERT_NEAR(actual[k], expected[k], tolerance) << what << " at element " << k;
    }
}

TEST(PoissonSolve, RecoversTheStreamFunctionAndDropsTheConstantAndBackGivesTheVorticityAtEveryGrid) {
    for (const int size : SupportedGridSizes) {
        const Grid g(size);
        // omega = -25 cos(3x + 4y) + 5 has psi = cos(3x + 4y) with zero mean.
        const auto omega = [&](int x, int y) { return -25.0 * std::cos(phaseAngle(3L * x + 4L * y, size)); };
        PackedSpectrum field = sampleGrid([&](int x, int y) { return omega(x, y) + 5.0; }, g);
        streamFunctionFromVorticity(field);
        PackedSpectrum grid(g);
        copyBand(grid, field);
        inverseRealFft2d(size, grid.data());
        expectGridMatches(
            grid, sampleGrid([&](int x, int y) { return std::cos(phaseAngle(3L * x + 4L * y, size)); }, g), "psi");
        // Whatever lies in the mean entry and outside the band takes no part.
        field[0] = field[g.entryIndex(0, g.bandLimit() + 1)] = field[g.entryIndex(size / 2, 3)] = 9.0;
        vorticityFromStreamFunction(field, grid);
        expectGridMatches(grid, sampleGrid(omega, g), "omega");
    }
}

}  // namespace
}  // namespace swirlon
