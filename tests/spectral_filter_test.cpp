// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/spectral_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "spectral_fixtures.h"

namespace swirlon {
namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(SpectralFilter, KeepsEveryEntryUpToTheCutoffAndOutsideTheBandBitForBitAndScalesTheRest) {
    const PackedSpectrum before = testing::randomField(31);
    PackedSpectrum after = before;
    applySpectralFilter(after);
    int kept = 0;
    int scaled = 0;
    for (int row = 0; row < GridSize; ++row) {
        for (int column = 0; column < GridSize; ++column) {
            const int at = entryIndex(row, column);
            const int a = foldedWaveNumber(column);
            const int b = foldedWaveNumber(row);
            const bool inBand = isBandIndex(row) && isBandIndex(column);
            if (!inBand || a * a + b * b <= FilterCutoff * FilterCutoff) {
                ASSERT_TRUE(sameBits(after[at], before[at])) << "row " << row << " column " << column;
                ++kept;
            } else {
                ASSERT_EQ(after[at], before[at] * spectralFilterFactor(a * a + b * b)) << "row " << row << " column " << column;
                ++scaled;
            }
        }
    }
    EXPECT_GT(scaled, 0);
    EXPECT_EQ(kept + scaled, GridPoints);
}

TEST(SpectralFilter, FactorIsOneToTheCutoffThenFallsSmoothlyToMachineEpsilonOnTheBandEdge) {
    constexpr double Epsilon = std::numeric_limits<double>::epsilon();
    struct Case {
        int kx;
        int ky;
        double low;
        double high;
    };
    const Case cases[] = {
        {0, FilterCutoff, 1.0, 1.0},
        {FilterCutoff - 1, 7, 1.0, 1.0},          // |k| = 27.9, just inside
        {FilterCutoff, 1, 0.999999999, 1.0},      // just above: the join is flat
        {BandLimit, 0, Epsilon * (1 - 1e-12), Epsilon * (1 + 1e-12)},
        {0, -BandLimit, Epsilon * (1 - 1e-12), Epsilon * (1 + 1e-12)},
        {BandLimit, 1, 0.0, 0.0},  // beyond the circle: the band's corners
    };
    for (const Case& c : cases) {
        const double factor = spectralFilterFactor(c.kx * c.kx + c.ky * c.ky);
        EXPECT_GE(factor, c.low) << c.kx << ", " << c.ky;
        EXPECT_LE(factor, c.high) << c.kx << ", " << c.ky;
    }
    for (int kSquared = FilterCutoff * FilterCutoff; kSquared < 2 * BandLimit * BandLimit; ++kSquared) {
        ASSERT_LE(spectralFilterFactor(kSquared + 1), spectralFilterFactor(kSquared)) << kSquared;
    }
}

}  // namespace
}  // namespace swirlon
