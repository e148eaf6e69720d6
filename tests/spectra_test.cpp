// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/spectra.h"

#include <gtest/gtest.h>

#include "solver/diagnostics.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

// One mode at a time beside a fixed inner one: its shell is round(|k|) (imaginary parts, the
// kx = 0 line, negative ky and the band's corner included), and it counts towards the edge
// share only beyond the edge wave number.
TEST(Spectra, EachModeLandsInTheShellOfItsRoundedWaveNumberAndInTheEdgeShareOnlyBeyondTheEdge) {
    for (const int size : SupportedGridSizes) {
        const Grid grid(size);
        const int edge = edgeWaveNumber(grid);
        const int k = grid.bandLimit();
        ASSERT_EQ(edge, k - k / 5) << "the outer fifth of the inscribed circle";
        const struct {
            int kx;
            int ky;
            int shell;
        } cases[] = {{3, 4, 5},
                     {2, -3, 4},
                     {0, 7, 7},
                     {-6, 0, 6},
                     {edge, 0, edge},
                     {edge, 1, edge},
                     {0, -edge - 1, edge + 1},
                     {k, -k, largestShell(grid)}};
        for (const auto& c : cases) {
            PackedSpectrum psi(grid);
            testing::addMode(psi, 1, 1, {1.0, 0.0});
            const double inner = enstrophy(psi);
            testing::addMode(psi, c.kx, c.ky, {0.3, -0.2});
            const ShellSpectra spectra = shellSpectra(psi);
            ASSERT_EQ(spectra.energy.size(), static_cast<std::size_t>(largestShell(grid) + 1));
            const auto shell = static_cast<std::size_t>(c.shell);
            EXPECT_NEAR(spectra.enstrophy[shell], enstrophy(psi) - inner, 1e-12 * enstrophy(psi))
                << c.kx << ", " << c.ky << " at " << size;
            const bool beyondEdge = c.kx * c.kx + c.ky * c.ky > edge * edge;
            EXPECT_NEAR(edgeEnstrophyShare(psi), beyondEdge ? 1.0 - inner / enstrophy(psi) : 0.0, 1e-15)
                << c.kx << ", " << c.ky << " at " << size;
        }
        EXPECT_EQ(edgeEnstrophyShare(PackedSpectrum(grid)), 0.0);
    }
    EXPECT_EQ(largestShell(Grid{}), 59);
}

}  // namespace
}  // namespace swirlon
