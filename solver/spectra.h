// SPDX-License-Identifier: GPL-3.0-or-later
// Where the flow's energy and enstrophy sit in wave-number space: spectra by shell and the
// resolution indicator, pure functions of the stream-function spectrum psi.
#pragma once

#include <array>

#include "solver/grid.h"

namespace swirlon {

// Shells k = round(|k|) run from 1 to round(42 * sqrt(2)) = 59, the band's corner.
inline constexpr int LargestShell = 59;

// Energy and enstrophy by shell; element k is shell k, element 0 (the mean) stays zero. Each
// array sums to energy(psi) and enstrophy(psi) of solver/diagnostics.h.
struct ShellSpectra {
    std::array<double, LargestShell + 1> energy{};
    std::array<double, LargestShell + 1> enstrophy{};
};

ShellSpectra shellSpectra(const PackedSpectrum& psi);

// The edge of the band: modes with |k| above this (the outer fifth of the inscribed circle)
// are where enstrophy piles up when the flow's smallest scales are finer than the grid. Runs
// that stay resolved keep well under a percent of their enstrophy there, unresolved ones 4 to
// 20 percent; and from here outwards the filter damps a mode by at least e per quarter of a
// time unit, so with the filter on the share is what it has not yet removed.
inline constexpr int EdgeWaveNumber = 34;
// An edge share above this marks a flow the grid no longer resolves.
inline constexpr double UnresolvedEdgeShare = 0.01;

// Share of the enstrophy in modes with |k| > EdgeWaveNumber; 0 for a field without enstrophy,
// NaN for a field that is not finite.
double edgeEnstrophyShare(const PackedSpectrum& psi);

// Whether the edge share marks the flow as not resolved.
constexpr bool isUnderResolved(double edgeShare) { return edgeShare > UnresolvedEdgeShare; }

}  // namespace swirlon
