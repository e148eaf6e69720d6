// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/time_step.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <map>
#include <utility>
#include <vector>

#include "solver/diagnostics.h"
#include "solver/step_scratch.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

using testing::addMode;
using testing::modeOf;
using testing::rk4Factor;

constexpr double DecayTolerance = 2e-16;
constexpr double RelativeIncrementTolerance = 1e-12;

TEST(Rk4Step, SingleModeDecaysByTheRk4FactorAtEachReynoldsNumberOnEveryGrid) {
    // psi = cos(4x - 3y + 0.7): K^2 = 25 and no advection, so only viscosity acts.
    const std::complex<double> start = std::polar(0.5, 0.7);
    for (const int size : SupportedGridSizes) {
        PackedSpectrum psi{Grid(size)};
        StepScratch scratch{Grid(size)};
        addMode(psi, 4, -3, start);
        double expected = 1.0;
        // Changing the Reynolds number between steps takes effect at the next step.
        for (const int reynolds : {100, 1000, 10000, 100}) {
            stepRk4(psi, scratch, reynolds);
            expected *= rk4Factor(-25.0 * TimeStep / reynolds);
            const std::complex<double> now = modeOf(psi, 4, -3);
            EXPECT_NEAR(now.real() / start.real(), expected, DecayTolerance) << "Re " << reynolds << " at " << size;
            EXPECT_NEAR(now.imag() / start.imag(), expected, DecayTolerance) << "Re " << reynolds << " at " << size;
        }
    }
}

// The exact advection spectrum of a sum of modes, by direct convolution over all pairs.
using WaveVector = std::pair<int, int>;
std::map<WaveVector, std::complex<double>> exactAdvection(const std::map<WaveVector, std::complex<double>>& psi) {
    const std::complex<double> i(0.0, 1.0);
    std::map<WaveVector, std::complex<double>> product;
    for (const auto& [p, psiP] : psi) {
        const auto u = -i * static_cast<double>(p.second) * psiP;
        const auto v = i * static_cast<double>(p.first) * psiP;
        for (const auto& [q, psiQ] : psi) {
            const double k2 = q.first * q.first + q.second * q.second;
            const auto omegaX = -i * static_cast<double>(q.first) * k2 * psiQ;
            const auto omegaY = -i * static_cast<double>(q.second) * k2 * psiQ;
            product[{p.first + q.first, p.second + q.second}] += u * omegaX + v * omegaY;
        }
    }
    return product;
}

class BandEdge : public ::testing::TestWithParam<int> {};

TEST_P(BandEdge, ModesAtTheBandEdgeAdvectWithoutAliasing) {
    constexpr int Reynolds = 1000;
    const int k = Grid(GetParam()).bandLimit();
    const std::vector<WaveVector> modes = {{k - 2, 2}, {-3, k - 1}, {k, -k}, {1, 1}, {5, 3}, {-5, 7}, {0, 4}};
    std::map<WaveVector, std::complex<double>> psi;
    PackedSpectrum packed{Grid(GetParam())};
    StepScratch scratch{Grid(GetParam())};
    for (std::size_t m = 0; m < modes.size(); ++m) {
        const auto c = std::polar(1e-3 / (1.0 + m), 0.4 + m);
        addMode(packed, modes[m].first, modes[m].second, c);
        psi[modes[m]] += c;
        psi[{-modes[m].first, -modes[m].second}] += std::conj(c);
    }
    const auto advection = exactAdvection(psi);
    stepRk4(packed, scratch, Reynolds);

    double largest = 0.0;
    std::map<WaveVector, std::complex<double>> expected;
    const int bandLimit = packed.grid().bandLimit();
    for (int kx = 0; kx <= bandLimit; ++kx) {
        for (int ky = -bandLimit; ky <= bandLimit; ++ky) {
            if (kx == 0 && ky <= 0) {
                continue;
            }
            const double k2 = kx * kx + ky * ky;
            const auto a = advection.count({kx, ky}) ? advection.at({kx, ky}) : 0.0;
            const auto p = psi.count({kx, ky}) ? psi.at({kx, ky}) : 0.0;
            expected[{kx, ky}] = TimeStep * (a / k2 - k2 / Reynolds * p);
            largest = std::max(largest, std::abs(expected[{kx, ky}]));
        }
    }
    for (const auto& [wave, value] : expected) {
        EXPECT_NEAR(std::abs(modeOf(scratch[Slot::rk1], wave.first, wave.second) - value), 0.0,
                    RelativeIncrementTolerance * largest)
            << "at (" << wave.first << ", " << wave.second << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Grids, BandEdge, ::testing::ValuesIn(SupportedGridSizes));

TEST(Rk4Step, InviscidLimitKeepsEnergyOfARandomFieldToHighAccuracy) {
    // Advection alone conserves the energy; one RK4 step of 0.01 keeps it to ~dt^5.
    PackedSpectrum psi(Grid{});
    StepScratch scratch(Grid{});
    testing::fillRandomBand(psi, 9, 3.0, 0.05);
    const double before = energy(psi);
    stepRk4(psi, scratch, 1 << 30);
    EXPECT_NEAR(energy(psi) / before, 1.0, 1e-9);
}

}  // namespace
}  // namespace swirlon
