// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/spectral_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "solver/diagnostics.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

// Entries up to the cutoff and outside the band keep their bits (a flow that never reaches
// beyond the cutoff, such as Taylor-Green, runs as without the filter); the rest are scaled.
class SpectralFilter : public ::testing::TestWithParam<int> {
  protected:
    Grid grid() const { return Grid(GetParam()); }
};

TEST_P(SpectralFilter, KeepsEveryEntryUpToTheCutoffAndOutsideTheBandBitForBitAndScalesTheRest) {
    const Grid g = grid();
    const int cutoff = filterCutoff(g);
    const PackedSpectrum before = testing::randomField(31, g);
    PackedSpectrum after = before;
    const double removed = applySpectralFilter(after);
    EXPECT_NEAR(removed, enstrophy(before) - enstrophy(after), 1e-12 * enstrophy(before)) << "the enstrophy it reports";
    for (int at = 0; at < g.points(); ++at) {
        const int row = at / g.size();
        const int column = at % g.size();
        const int a = g.foldedWaveNumber(column);
        const int b = g.foldedWaveNumber(row);
        const int kSquared = a * a + b * b;
        if (!g.isBandIndex(row) || !g.isBandIndex(column) || kSquared <= cutoff * cutoff) {
            ASSERT_EQ(std::memcmp(after.data() + at, before.data() + at, sizeof(double)), 0) << row << ", " << column;
        } else {
            ASSERT_EQ(after[at], before[at] * spectralFilterFactor(g, kSquared)) << row << ", " << column;
        }
    }
}

TEST_P(SpectralFilter, FactorFallsSmoothlyFromOneAtTheCutoffToMachineEpsilonOnTheBandEdgeAndZeroBeyond) {
    constexpr double Epsilon = std::numeric_limits<double>::epsilon();
    const Grid g = grid();
    const int cutoff = filterCutoff(g);
    const int k = g.bandLimit();
    EXPECT_EQ(cutoff, 2 * k / 3) << "two thirds of the band";
    EXPECT_EQ(spectralFilterFactor(g, cutoff * cutoff), 1.0);
    EXPECT_GT(spectralFilterFactor(g, cutoff * cutoff + 1), 1.0 - 1e-9) << "the join is flat";
    EXPECT_NEAR(spectralFilterFactor(g, k * k) / Epsilon, 1.0, 1e-12);
    EXPECT_EQ(spectralFilterFactor(g, k * k + 1), 0.0) << "the band's corners";
    for (int kSquared = cutoff * cutoff; kSquared < k * k; ++kSquared) {
        ASSERT_LE(spectralFilterFactor(g, kSquared + 1), spectralFilterFactor(g, kSquared)) << kSquared;
    }
}

INSTANTIATE_TEST_SUITE_P(Grids, SpectralFilter, ::testing::ValuesIn(SupportedGridSizes));

}  // namespace
}  // namespace swirlon
