// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/stroke.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace swirlon {
namespace {

using Complex = std::complex<double>;

constexpr double TwoPi = 2.0 * std::numbers::pi;

// Box units (the period is 2 pi) per grid cell.
double cellLength(const Grid& grid) { return TwoPi / grid.size(); }

double moveLength(CellPoint from, CellPoint to) { return std::hypot(to.x - from.x, to.y - from.y); }

bool isFiniteMove(CellPoint from, CellPoint to) {
    return std::isfinite(from.x) && std::isfinite(from.y) && std::isfinite(to.x) && std::isfinite(to.y);
}

// Sum over the move's sample points of exp(-i k . x_s) / count, for kx = 0..K and ky = -K..K,
// row-major by ky (ky + K) then kx: the Fourier coefficients of the samples' mean position.
std::vector<Complex> samplePhases(const Grid& grid, CellPoint from, CellPoint to, int count) {
    const int bandLimit = grid.bandLimit();
    const int columns = bandLimit + 1;
    std::vector<Complex> sum(static_cast<std::size_t>(columns * (2 * bandLimit + 1)));
    std::vector<Complex> alongX(static_cast<std::size_t>(columns));
    std::vector<Complex> alongY(static_cast<std::size_t>(2 * bandLimit + 1));
    const double share = 1.0 / count;
    for (int sample = 0; sample < count; ++sample) {
        const double along = (sample + 0.5) / count;
        const double x = cellLength(grid) * (from.x + along * (to.x - from.x));
        const double y = cellLength(grid) * (from.y + along * (to.y - from.y));
        for (int kx = 0; kx <= bandLimit; ++kx) {
            alongX[static_cast<std::size_t>(kx)] = std::polar(share, -kx * x);
        }
        for (int ky = -bandLimit; ky <= bandLimit; ++ky) {
            alongY[static_cast<std::size_t>(ky + bandLimit)] = std::polar(1.0, -ky * y);
        }
        for (int ky = -bandLimit; ky <= bandLimit; ++ky) {
            const Complex rowPhase = alongY[static_cast<std::size_t>(ky + bandLimit)];
            Complex* row = sum.data() + static_cast<std::ptrdiff_t>((ky + bandLimit) * columns);
            for (int kx = 0; kx <= bandLimit; ++kx) {
                row[kx] += rowPhase * alongX[static_cast<std::size_t>(kx)];
            }
        }
    }
    return sum;
}

// Adds to psi the stream function of the vorticity whose coefficient at k is
// amplitude(kx, ky) * exp(-sigma^2 |k|^2 / 2) * phases(k): Gaussians of radius sigma at the
// sample points, shaped by amplitude. Only the stored modes of the band are written, so the
// field stays band-limited and real.
template <typename Amplitude>
void addGaussianVorticity(PackedSpectrum& psi, CellPoint from, CellPoint to, double radius, Amplitude&& amplitude) {
    const Grid& grid = psi.grid();
    const int bandLimit = grid.bandLimit();
    const double sigma = clampStrokeRadius(radius) * cellLength(grid);
    const std::vector<Complex> phases = samplePhases(grid, from, to, strokeSampleCount(from, to, radius));
    for (int ky = -bandLimit; ky <= bandLimit; ++ky) {
        for (int kx = 0; kx <= bandLimit; ++kx) {
            if (kx == 0 && ky <= 0) {
                continue;  // the mean, or the conjugate of a stored mode
            }
            const double kSquared = static_cast<double>(kx * kx + ky * ky);
            const Complex omega = amplitude(kx, ky) * std::exp(-0.5 * sigma * sigma * kSquared) *
                                  phases[static_cast<std::size_t>((ky + bandLimit) * (bandLimit + 1) + kx)];
            // omega = laplacian psi, so psi = -omega / |k|^2.
            const Complex added = -omega / kSquared;
            const Grid::ModeEntries entries = grid.modeEntries(kx, ky);
            psi[static_cast<std::size_t>(entries.real)] += added.real();
            psi[static_cast<std::size_t>(entries.imaginary)] += added.imag();
        }
    }
}

}  // namespace

double clampStrokeRadius(double radius) {
    return std::isfinite(radius) ? std::clamp(radius, MinStrokeRadius, MaxStrokeRadius) : DefaultStrokeRadius;
}

int strokeSampleCount(CellPoint from, CellPoint to, double radius) {
    if (!isFiniteMove(from, to)) {
        return 1;
    }
    // Longer than the box is a slip of the hand; one box's worth of samples bounds the work.
    const double spacing = clampStrokeRadius(radius);
    const double samples = std::ceil(moveLength(from, to) / spacing);
    return static_cast<int>(std::clamp(samples, 1.0, 512.0 / MinStrokeRadius));
}

Velocity stirVelocity(CellPoint from, CellPoint to, const Grid& grid) {
    const double length = moveLength(from, to) * cellLength(grid);
    if (!isFiniteMove(from, to) || !(length > 0.0) || !std::isfinite(length)) {
        return {};
    }
    const double speed = std::min(StirGain * length, MaxStirSpeed);
    const double perLength = speed / length * cellLength(grid);
    return {.x = perLength * (to.x - from.x), .y = perLength * (to.y - from.y)};
}

void addStirStroke(PackedSpectrum& psi, CellPoint from, CellPoint to, double radius) {
    const Velocity push = stirVelocity(from, to, psi.grid());
    if (push.x == 0.0 && push.y == 0.0) {
        return;
    }
    const double sigma = clampStrokeRadius(radius) * cellLength(psi.grid());
    // The curl of the velocity push * g: i (kx push_y - ky push_x) times g's coefficient
    // sigma^2 / (2 pi) exp(-sigma^2 |k|^2 / 2) exp(-i k . x0).
    const double scale = sigma * sigma / TwoPi;
    addGaussianVorticity(psi, from, to, radius,
                         [&](int kx, int ky) { return Complex(0.0, scale * (kx * push.y - ky * push.x)); });
}

double paintCirculation(CellPoint from, CellPoint to, double radius, const Grid& grid) {
    // A line of Gaussians of radius sigma carrying circulation c per unit length peaks at
    // c / (sqrt(2 pi) sigma).
    const double sigma = clampStrokeRadius(radius) * cellLength(grid);
    const double length = moveLength(from, to) * cellLength(grid);
    return isFiniteMove(from, to) && std::isfinite(length) ? PaintVorticity * std::sqrt(TwoPi) * sigma * length : 0.0;
}

void addPaintStroke(PackedSpectrum& psi, CellPoint from, CellPoint to, double radius, double circulation) {
    if (circulation == 0.0 || !std::isfinite(circulation) || !isFiniteMove(from, to)) {
        return;
    }
    // A Gaussian of circulation c has the coefficient c / (4 pi^2) exp(-sigma^2 |k|^2 / 2) exp(-i k . x0).
    const double scale = circulation / (TwoPi * TwoPi);
    addGaussianVorticity(psi, from, to, radius, [&](int, int) { return Complex(scale, 0.0); });
}

}  // namespace swirlon
