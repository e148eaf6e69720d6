// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/spectral_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "spectral_fixtures.h"

namespace swirlon {
namespace {

// Entries up to the cutoff and outside the band keep their bits (a flow that never reaches
// beyond the cutoff, such as Taylor-Green, runs as without the filter); the rest are scaled.
TEST(SpectralFilter, KeepsEveryEntryUpToTheCutoffAndOutsideTheBandBitForBitAndScalesTheRest) {
    const PackedSpectrum before = testing::randomField(31);
    PackedSpectrum after = before;
    applySpectralFilter(after);
    for (int at = 0; at < GridPoints; ++at) {
        const int row = at / GridSize;
        const int column = at % GridSize;
        const int a = foldedWaveNumber(column);
        const int b = foldedWaveNumber(row);
        const int kSquared = a * a + b * b;
        if (!isBandIndex(row) || !isBandIndex(column) || kSquared <= FilterCutoff * FilterCutoff) {
            ASSERT_EQ(std::memcmp(&after[at], &before[at], sizeof(double)), 0) << row << ", " << column;
        } else {
            ASSERT_EQ(after[at], before[at] * spectralFilterFactor(kSquared)) << row << ", " << column;
        }
    }
}

TEST(SpectralFilter, FactorFallsSmoothlyFromOneAtTheCutoffToMachineEpsilonOnTheBandEdgeAndZeroBeyond) {
    constexpr double Epsilon = std::numeric_limits<double>::epsilon();
    EXPECT_EQ(spectralFilterFactor(FilterCutoff * FilterCutoff), 1.0);
    EXPECT_GT(spectralFilterFactor(FilterCutoff * FilterCutoff + 1), 1.0 - 1e-9) << "the join is flat";
    EXPECT_NEAR(spectralFilterFactor(BandLimit * BandLimit) / Epsilon, 1.0, 1e-12);
    EXPECT_EQ(spectralFilterFactor(BandLimit * BandLimit + 1), 0.0) << "the band's corners";
    for (int kSquared = FilterCutoff * FilterCutoff; kSquared < BandLimit * BandLimit; ++kSquared) {
        ASSERT_LE(spectralFilterFactor(kSquared + 1), spectralFilterFactor(kSquared)) << kSquared;
    }
}

}  // namespace
}  // namespace swirlon
