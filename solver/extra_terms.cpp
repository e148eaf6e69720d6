// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/extra_terms.h"

#include <cmath>
#include <numbers>

namespace swirlon {
namespace {

// Draw n of the stream of seed: SplitMix64's output for its state seed + (n + 1) * gamma, so
// any position is reached without replaying the stream.
std::uint64_t drawBits(const ForcingNoise& noise, std::uint64_t n) {
    std::uint64_t z = noise.seed + (n + 1) * 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Uniform in (0, 1] from 53 bits.
double uniformOpenZero(std::uint64_t bits) {
    constexpr double Scale = 1.0 / 9007199254740992.0;  // 2^-53
    return (static_cast<double>(bits >> 11) + 1.0) * Scale;
}

// Calls visit(kx, ky, kSquared) for the stored modes of the ring (kx >= 1, or kx == 0 with
// ky >= 1) in a fixed order that does not depend on the grid, so a seed forces every grid alike.
template <typename Visit>
void forEachRingMode(int forcingWaveNumber, Visit&& visit) {
    const int inner = forcingWaveNumber - 1;
    const int outer = forcingWaveNumber + 1;
    for (int kx = 0; kx <= outer; ++kx) {
        for (int ky = -outer; ky <= outer; ++ky) {
            const int kSquared = kx * kx + ky * ky;
            const bool stored = kx > 0 || ky > 0;
            if (stored && kSquared >= inner * inner && kSquared <= outer * outer) {
                visit(kx, ky, kSquared);
            }
        }
    }
}

}  // namespace

double ringInverseKSquaredSum(int forcingWaveNumber) {
    double sum = 0.0;
    forEachRingMode(forcingWaveNumber, [&](int, int, int kSquared) { sum += 1.0 / static_cast<double>(kSquared); });
    return sum;
}

double stripesCoefficient(const PhysicsParams& params) {
    return params.forcingAmplitude * static_cast<double>(params.forcingWaveNumber) / 2.0;
}

void ExtraTerms::setParams(const PhysicsParams& params) {
    params_ = params;
    decay_.clear();
}

void ExtraTerms::tabulateDecay(const Grid& grid, double dt) {
    if (!decay_.empty() && decayStep_ == dt && decayGrid_ == grid) {
        return;
    }
    decay_.resize(static_cast<std::size_t>(grid.largestKSquared()) + 1);
    for (std::size_t kSquared = 0; kSquared < decay_.size(); ++kSquared) {
        const double k2 = static_cast<double>(kSquared);
        double power = 1.0;
        for (int i = 0; i < params_.hyperOrder; ++i) {
            power *= k2;
        }
        decay_[kSquared] = std::exp(-(params_.drag + params_.hyperviscosity * power) * dt);
    }
    decayStep_ = dt;
    decayGrid_ = grid;
}

void ExtraTerms::addStripes(PackedSpectrum& psi, int reynolds, double dt) const {
    const int kf = params_.forcingWaveNumber;
    const double k2 = static_cast<double>(kf * kf);
    double power = 1.0;
    for (int i = 0; i < params_.hyperOrder; ++i) {
        power *= k2;
    }
    const double rate = k2 / static_cast<double>(reynolds) + params_.drag + params_.hyperviscosity * power;
    const double omegaIncrement = stripesCoefficient(params_) * (-std::expm1(-rate * dt)) / rate;
    // omega = -K^2 psi.
    psi[psi.grid().modeEntries(0, kf).real] -= omegaIncrement / k2;
}

void ExtraTerms::addRingNoise(PackedSpectrum& psi, double dt) {
    const double deviation =
        std::sqrt(params_.injectionRate * dt / (2.0 * ringInverseKSquaredSum(params_.forcingWaveNumber)));
    const Grid& grid = psi.grid();
    forEachRingMode(params_.forcingWaveNumber, [&](int kx, int ky, int kSquared) {
        // Box-Muller: one pair of uniforms gives the mode's independent real and imaginary parts.
        const double radius = deviation * std::sqrt(-2.0 * std::log(uniformOpenZero(drawBits(noise_, noise_.draws))));
        const double angle = 2.0 * std::numbers::pi * uniformOpenZero(drawBits(noise_, noise_.draws + 1));
        noise_.draws += 2;
        const double k2 = static_cast<double>(kSquared);
        const Grid::ModeEntries at = grid.modeEntries(kx, ky);
        psi[at.real] -= radius * std::cos(angle) / k2;
        psi[at.imaginary] -= radius * std::sin(angle) / k2;
    });
}

void ExtraTerms::apply(PackedSpectrum& psi, int reynolds, double dt) {
    if (params_.drag != 0.0 || params_.hyperviscosity != 0.0) {
        const Grid& grid = psi.grid();
        tabulateDecay(grid, dt);
        grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
            psi[grid.entryIndex(row, column)] *= decay_[static_cast<std::size_t>(kSquared)];
        });
    }
    if (params_.forcing == ForcingKind::stripes) {
        addStripes(psi, reynolds, dt);
    } else if (params_.forcing == ForcingKind::ring) {
        addRingNoise(psi, dt);
    }
}

}  // namespace swirlon
