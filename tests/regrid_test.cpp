// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/regrid.h"

#include <gtest/gtest.h>

#include "solver/diagnostics.h"
#include "solver/operators.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

// Onto a finer grid and back, every band entry comes back with its bits; the field on the
// finer grid is the same function (its grid values sample the same trigonometric sum).
TEST(Regrid, UpThenDownReturnsTheBandBitForBitAndTheFinerGridHoldsTheSameField) {
    for (const int from : SupportedGridSizes) {
        for (const int to : SupportedGridSizes) {
            if (to <= from) {
                continue;
            }
            PackedSpectrum psi(Grid{from});
            testing::fillRandomBand(psi, static_cast<unsigned>(from + to), 2.0);
            const PackedSpectrum fine = regridSpectrum(psi, Grid(to));
            EXPECT_EQ(regridSpectrum(fine, Grid(from)), psi) << from << " -> " << to << " -> " << from;
            EXPECT_EQ(energy(fine), energy(psi)) << from << " -> " << to;
            // The grid vorticity at a point both grids share is the same sum of the same modes.
            PackedSpectrum coarseOmega(psi.grid());
            PackedSpectrum fineOmega(fine.grid());
            vorticityFromStreamFunction(psi, coarseOmega);
            vorticityFromStreamFunction(fine, fineOmega);
            const int ratio = to / from;
            constexpr double Tolerance = 1e-12;
            for (const int point : {0, 17, from * from / 2 + 5, from * from - 1}) {
                const int y = point / from;
                const int x = point % from;
                EXPECT_NEAR(fineOmega[Grid(to).entryIndex(y * ratio, x * ratio)], coarseOmega[point],
                            Tolerance * largestMagnitude(coarseOmega))
                    << from << " -> " << to << " at " << x << ", " << y;
            }
        }
    }
}

TEST(Regrid, DownKeepsExactlyTheModesOfTheCoarserBand) {
    PackedSpectrum fine(Grid(256));
    testing::addMode(fine, 5, -7, {0.3, 0.1});
    testing::addMode(fine, 42, 42, {0.2, -0.4});
    testing::addMode(fine, 0, 43, {1.0, 1.0});
    const PackedSpectrum coarse = regridSpectrum(fine, Grid{});
    EXPECT_EQ(testing::modeOf(coarse, 5, -7), testing::modeOf(fine, 5, -7));
    EXPECT_EQ(testing::modeOf(coarse, 42, 42), testing::modeOf(fine, 42, 42));
    PackedSpectrum expected(Grid{});
    testing::addMode(expected, 5, -7, {0.3, 0.1});
    testing::addMode(expected, 42, 42, {0.2, -0.4});
    EXPECT_EQ(coarse, expected) << "the mode beyond the coarser band is dropped";
}

}  // namespace
}  // namespace swirlon
