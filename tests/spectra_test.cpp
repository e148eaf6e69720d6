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
    const struct {
        int kx;
        int ky;
        int shell;
    } cases[] = {{3, 4, 5},
                 {2, -3, 4},
                 {0, 7, 7},
                 {-6, 0, 6},
                 {EdgeWaveNumber, 0, 34},
                 {30, 16, 34},
                 {30, 17, 34},
                 {0, -EdgeWaveNumber - 1, 35},
                 {BandLimit, -BandLimit, LargestShell}};
    for (const auto& c : cases) {
        PackedSpectrum psi{};
        testing::addMode(psi, 1, 1, {1.0, 0.0});
        const double inner = enstrophy(psi);
        testing::addMode(psi, c.kx, c.ky, {0.3, -0.2});
        const ShellSpectra spectra = shellSpectra(psi);
        const auto shell = static_cast<std::size_t>(c.shell);
        EXPECT_NEAR(spectra.enstrophy[shell], enstrophy(psi) - inner, 1e-12 * enstrophy(psi)) << c.kx << ", " << c.ky;
        const bool beyondEdge = c.kx * c.kx + c.ky * c.ky > EdgeWaveNumber * EdgeWaveNumber;
        EXPECT_NEAR(edgeEnstrophyShare(psi), beyondEdge ? 1.0 - inner / enstrophy(psi) : 0.0, 1e-15)
            << c.kx << ", " << c.ky;
    }
    EXPECT_EQ(edgeEnstrophyShare(PackedSpectrum{}), 0.0);
}

}  // namespace
}  // namespace swirlon
