// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/spectra.h"

#include <gtest/gtest.h>

#include <numeric>

#include "solver/diagnostics.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

using testing::addMode;

TEST(Spectra, EachModeLandsInTheShellOfItsRoundedWaveNumberAndTheShellsSumToTheTotals) {
    struct Case {
        int kx;
        int ky;
        int shell;
    };
    // Imaginary parts, the kx = 0 line, negative ky and the band's corner included.
    const Case cases[] = {{3, 4, 5}, {1, 1, 1}, {2, -3, 4}, {0, 7, 7}, {-6, 0, 6}, {BandLimit, -BandLimit, LargestShell}};
    PackedSpectrum all{};
    for (const Case& c : cases) {
        PackedSpectrum psi{};
        addMode(psi, c.kx, c.ky, {0.3, -0.2});
        addMode(all, c.kx, c.ky, {0.3, -0.2});
        const ShellSpectra spectra = shellSpectra(psi);
        EXPECT_DOUBLE_EQ(spectra.energy[static_cast<std::size_t>(c.shell)], energy(psi)) << c.kx << ", " << c.ky;
        EXPECT_DOUBLE_EQ(spectra.enstrophy[static_cast<std::size_t>(c.shell)], enstrophy(psi)) << c.kx << ", " << c.ky;
    }
    testing::fillRandomBand(all, 8, 2.0);
    const ShellSpectra spectra = shellSpectra(all);
    EXPECT_EQ(spectra.energy[0], 0.0);
    EXPECT_NEAR(std::accumulate(spectra.energy.begin(), spectra.energy.end(), 0.0), energy(all), 1e-13 * energy(all));
    EXPECT_NEAR(std::accumulate(spectra.enstrophy.begin(), spectra.enstrophy.end(), 0.0), enstrophy(all), 1e-13 * enstrophy(all));
}

TEST(Spectra, EdgeShareCountsOnlyModesBeyondTheEdgeWaveNumber) {
    struct Case {
        int kx;
        int ky;
        bool beyondEdge;
    };
    const Case cases[] = {{EdgeWaveNumber, 0, false}, {0, -EdgeWaveNumber - 1, true}, {30, 16, false},
                          {30, 17, true},             {BandLimit, BandLimit, true}, {2, 1, false}};
    constexpr double InnerAmplitude = 1.0;
    for (const Case& c : cases) {
        PackedSpectrum psi{};
        addMode(psi, 1, 2, {InnerAmplitude, 0.0});
        const double inner = enstrophy(psi);
        addMode(psi, c.kx, c.ky, {0.0, 1e-3});
        const double expected = c.beyondEdge ? 1.0 - inner / enstrophy(psi) : 0.0;
        EXPECT_NEAR(edgeEnstrophyShare(psi), expected, 1e-15) << c.kx << ", " << c.ky;
    }
    EXPECT_EQ(edgeEnstrophyShare(PackedSpectrum{}), 0.0);
}

}  // namespace
}  // namespace swirlon
