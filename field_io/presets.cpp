// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/presets.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>

#include "solver/diagnostics.h"
#include "solver/operators.h"
#include "solver/regrid.h"

namespace swirlon {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr double BoxLength = 2.0 * Pi;

// A Gaussian patch of vorticity: peak value at the centre, radius as the standard deviation.
struct Vortex {
    double centreX;
    double centreY;
    double peakVorticity;
    double radius;
};

// The window's start field: a co-rotating pair close enough to merge, a dipole that travels
// through the box, and three loose vortices for the pair and the dipole to stir. Peaks of 6
// to 7 keep the picture short of saturation and one step well inside its stability bound.
constexpr std::array<Vortex, 7> DefaultVortices{{
    {2.30, 3.70, 6.5, 0.40},
    {3.35, 3.05, 6.5, 0.40},
    {4.35, 1.25, -7.0, 0.33},
    {5.15, 1.25, 7.0, 0.33},
    {1.10, 1.30, -5.0, 0.50},
    {5.10, 4.90, -5.5, 0.45},
    {1.20, 5.40, 4.0, 0.55},
}};

// A dipole of two opposite Gaussian vortices side by side; it drifts along y.
constexpr std::array<Vortex, 2> DipoleVortices{{
    {Pi - 0.45, Pi, 8.0, 0.35},
    {Pi + 0.45, Pi, -8.0, 0.35},
}};

// Double shear layer: two tanh jets of thickness rho, destabilised by a small cross-stream
// wave of amplitude delta that rolls each layer up into vortices.
constexpr double ShearLayerThickness = Pi / 15.0;
constexpr double ShearLayerPerturbation = 0.05;

// Random turbulence: random amplitudes and phases and an energy spectrum E(k) ~ k^2 / (1 + (k/k0)^8). It
// rises as k^2 to its peak at k = 3^(-1/8) k0 = 5.2 and falls as k^-6 beyond, steep enough
// that the grid resolves the start field: well under 1% of its enstrophy lies near the band
// edge. The turbulence builds its own cascade tail as it evolves.
constexpr double TurbulencePeakWaveNumber = 6.0;
// Mean kinetic energy 1/2 <u^2 + v^2> after scaling: velocities of order one.
constexpr double TurbulenceEnergy = 0.5;

constexpr double TaylorGreenAmplitude = 2.0;

// Coordinate of row or column index i on a grid of n points a side.
double coordinate(int index, int n) { return BoxLength / n * index; }

// Shortest signed distance on the periodic axis, so each patch wraps smoothly across the edge.
double periodicOffset(double from, double to) { return std::remainder(to - from, BoxLength); }

template <typename Vorticity>
void installGridVorticity(PackedSpectrum& psi, Vorticity&& vorticityAt) {
    const Grid& grid = psi.grid();
    const int n = grid.size();
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            psi[grid.entryIndex(y, x)] = vorticityAt(coordinate(x, n), coordinate(y, n));
        }
    }
    streamFunctionFromVorticity(psi);
}

template <std::size_t Count>
void installVortices(PackedSpectrum& psi, const std::array<Vortex, Count>& vortices) {
    installGridVorticity(psi, [&](double x, double y) {
        double omega = 0.0;
        for (const Vortex& vortex : vortices) {
            const double dx = periodicOffset(vortex.centreX, x);
            const double dy = periodicOffset(vortex.centreY, y);
            const double spread = 2.0 * vortex.radius * vortex.radius;
            omega += vortex.peakVorticity * std::exp(-(dx * dx + dy * dy) / spread);
        }
        return omega;
    });
}

double squaredSech(double value) {
    const double sech = 1.0 / std::cosh(value);
    return sech * sech;
}

void installShearLayer(PackedSpectrum& psi) {
    installGridVorticity(psi, [](double x, double y) {
        // u = tanh((y - pi/2)/rho) below the middle, tanh((3pi/2 - y)/rho) above; v = delta sin x.
        const double layer = y <= Pi ? -squaredSech((y - 0.5 * Pi) / ShearLayerThickness)
                                     : squaredSech((1.5 * Pi - y) / ShearLayerThickness);
        return ShearLayerPerturbation * std::cos(x) + layer / ShearLayerThickness;
    });
}

// omega = 2 sin x sin y = cos(x - y) - cos(x + y), so psi = -sin x sin y: its two coefficients
// are written exactly, with no transform error, since this field pins the decay tests.
void installTaylorGreen(PackedSpectrum& psi) {
    psi.fill(0.0);
    // Each cosine carries half the amplitude, a real-part entry v stands for 2 v cos(kx x + ky y),
    // and psi = omega / -K^2 with K^2 = 2.
    constexpr double coefficient = TaylorGreenAmplitude / 2.0 / 2.0 / 2.0;
    psi[psi.grid().modeEntries(1, 1).real] = coefficient;
    psi[psi.grid().modeEntries(1, -1).real] = -coefficient;
}

// Uniform in (0, 1] from 53 random bits; built by hand because the standard distributions
// differ between standard libraries, and a seed should give the same field everywhere.
double uniformOpenZero(std::mt19937_64& generator) {
    constexpr double Scale = 1.0 / 9007199254740992.0;  // 2^-53
    return (static_cast<double>(generator() >> 11) + 1.0) * Scale;
}

double standardNormal(std::mt19937_64& generator) {
    const double radius = std::sqrt(-2.0 * std::log(uniformOpenZero(generator)));
    return radius * std::cos(BoxLength * uniformOpenZero(generator));
}

// Drawn on the default grid's band and moved onto the others by their bands, so a seed gives
// the same field at every grid (on the coarsest one less its modes beyond |k| = 21, which hold
// a negligible part of its energy): one set-up can be run at several resolutions.
void installRandomTurbulence(PackedSpectrum& psi, std::uint32_t seed) {
    const Grid grid{};
    if (psi.grid() != grid) {
        PackedSpectrum drawn(grid);
        installRandomTurbulence(drawn, seed);
        psi = regridSpectrum(drawn, psi.grid());
        return;
    }
    psi.fill(0.0);
    std::mt19937_64 generator(seed);
    // Each band entry but the mean is one independent real part of a coefficient, so drawing
    // every entry on its own gives a random real field with random phases. A shell of radius k
    // holds about 2 pi k entries, each with energy K^2 |psi_hat|^2, so this per-entry variance
    // of psi gives the energy spectrum above.
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const double k = std::sqrt(static_cast<double>(kSquared));
        const double ratio = k / TurbulencePeakWaveNumber;
        const double ratio4 = ratio * ratio * ratio * ratio;
        const double variance = 1.0 / (k * (1.0 + ratio4 * ratio4));
        psi[grid.entryIndex(row, column)] = standardNormal(generator) * std::sqrt(variance);
    });
    const double scale = std::sqrt(TurbulenceEnergy / energy(psi));
    grid.forEachBandEntryButMean([&](int row, int column, int) { psi[grid.entryIndex(row, column)] *= scale; });
}

// Stripes at k_f = 4: the laminar flow u = -U sin(4y), U = A / (nu k_f^2) = 0.94 at Re 1000
// (one of the window's Reynolds numbers), has a Reynolds number U / (nu k_f) = A Re^2 / k_f^3
// = 234, far above the value near 2 where it turns unstable, so the seed's small disturbance
// grows and the stripes break into vortices between t = 8 and 15. A = 0.02 broke up more
// violently, with thin fronts that brushed the band edge (edge share 1.2% near t = 6.5).
constexpr PhysicsParams Kolmogorov{.forcing = ForcingKind::stripes, .forcingWaveNumber = 4, .forcingAmplitude = 0.015};
constexpr int KolmogorovReynolds = 1000;
// Energy of the disturbance laid on the laminar flow.
constexpr double KolmogorovDisturbance = 1e-4;

// Forced turbulence on 128 at Re 10000. Drag mu = 0.1 removes the inverse cascade's energy
// at the large scales within 1/(2 mu) = 5 time units, so the energy levels off near
// epsilon / (2 mu) = 0.015 from about t = 20; the viscous share of the balance is under 2%.
// Forcing at k_f = 4 leaves an octave and more of band for the enstrophy cascade, and
// epsilon = 3e-3 is the largest rate we tried that keeps the edge enstrophy share under
// 0.5% (k_f = 5 with mu = 0.05 or k_f = 8 went above 1%) with one sub-step a frame.
constexpr PhysicsParams ForcedTurbulence{
    .forcing = ForcingKind::ring, .forcingWaveNumber = 4, .injectionRate = 3e-3, .drag = 0.1};
constexpr int ForcedTurbulenceReynolds = 10000;

// The laminar stripes of the Kolmogorov preset with a small random disturbance from the seed.
void installKolmogorov(PackedSpectrum& psi, std::uint32_t seed) {
    installRandomTurbulence(psi, seed);
    const Grid& grid = psi.grid();
    const double scale = std::sqrt(KolmogorovDisturbance / TurbulenceEnergy);
    grid.forEachBandEntryButMean([&](int row, int column, int) { psi[grid.entryIndex(row, column)] *= scale; });
    // omega = A k_f cos(k_f y) / (nu k_f^2): its coefficient at (0, k_f) is half the peak, and
    // psi = omega / -k_f^2.
    const double kf = Kolmogorov.forcingWaveNumber;
    const double peak = Kolmogorov.forcingAmplitude * kf / (kf * kf / KolmogorovReynolds);
    psi[grid.modeEntries(0, Kolmogorov.forcingWaveNumber).real] -= peak / 2.0 / (kf * kf);
}

// Share of the steady energy epsilon / (2 mu) that forced-turbulence starts with. At the full
// energy the start field's own cascade reached the band edge (edge share up to 2.1% between
// t = 2 and 13); at 0.3 it stays under 0.7% while the picture shows vortices from the start.
constexpr double ForcedTurbulenceStartShare = 0.3;

// Random turbulence like mcwilliams', weaker than the forced state, which the forcing builds
// up within some 20 time units.
void installForcedTurbulence(PackedSpectrum& psi, std::uint32_t seed) {
    installRandomTurbulence(psi, seed);
    const double steadyEnergy = ForcedTurbulence.injectionRate / (2.0 * ForcedTurbulence.drag);
    const double scale = std::sqrt(ForcedTurbulenceStartShare * steadyEnergy / TurbulenceEnergy);
    const Grid& grid = psi.grid();
    grid.forEachBandEntryButMean([&](int row, int column, int) { psi[grid.entryIndex(row, column)] *= scale; });
}

// The built-ins in the order a usage text lists them.
constexpr std::array<Preset, 7> Presets{{
    {"default", "the window's start field: vortices of both signs",
     [](PackedSpectrum& psi, std::uint32_t) { installVortices(psi, DefaultVortices); }},
    {"taylor-green", "omega = 2 sin x sin y, decaying in place",
     [](PackedSpectrum& psi, std::uint32_t) { installTaylorGreen(psi); }},
    {"vortex-pair", "a dipole drifting along y",
     [](PackedSpectrum& psi, std::uint32_t) { installVortices(psi, DipoleVortices); }},
    {"shear-layer", "a double shear layer that rolls up into vortices",
     [](PackedSpectrum& psi, std::uint32_t) { installShearLayer(psi); }},
    {"mcwilliams", "random turbulence, energy peak near k = 5 and a k^-6 tail, drawn from the seed",
     installRandomTurbulence},
    {"forced-turbulence", "turbulence stirred at random near k = 4 and held steady by drag (Re 10000)",
     installForcedTurbulence, ForcedTurbulence, ForcedTurbulenceReynolds},
    {"kolmogorov", "steady stripes of forcing, k = 4; their laminar flow breaks into vortices (Re 1000)",
     installKolmogorov, Kolmogorov, KolmogorovReynolds},
}};

}  // namespace

std::span<const Preset> presets() { return Presets; }

const Preset* findPreset(std::string_view name) {
    const auto found =
        std::find_if(Presets.begin(), Presets.end(), [&](const Preset& preset) { return preset.name == name; });
    return found == Presets.end() ? nullptr : &*found;
}

void loadDefaultField(PackedSpectrum& psi) { Presets.front().build(psi, 0); }

bool loadPreset(std::string_view name, PackedSpectrum& psi, std::uint32_t seed) {
    const Preset* preset = findPreset(name);
    if (preset == nullptr) {
        return false;
    }
    preset->build(psi, seed);
    return true;
}

}  // namespace swirlon
