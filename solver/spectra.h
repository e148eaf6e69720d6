// SPDX-License-Identifier: GPL-3.0-or-later
// Where the flow's energy and enstrophy sit in wave-number space: spectra by shell and the
// resolution indicator, pure functions of the stream-function spectrum psi.
#pragma once

#include <vector>

#include "solver/grid.h"

namespace swirlon {

// Shells k = round(|k|) run from 1 to round(K * sqrt(2)), the band's corner (59 at K = 42).
int largestShell(const Grid& grid);

// Energy and enstrophy by shell; element k is shell k, element 0 (the mean) stays zero; both
// have largestShell + 1 elements. Each sums to energy(psi) and enstrophy(psi) of
// solver/diagnostics.h.
struct ShellSpectra {
    std::vector<double> energy;
    std::vector<double> enstrophy;
};

ShellSpectra shellSpectra(const PackedSpectrum& psi);

// The edge of the band: modes with |k| above K - floor(K / 5) (the outer fifth of the inscribed
// circle: 17, 34, 68, 136) are where enstrophy piles up when the flow's smallest scales are
// finer than the grid. Runs that stay resolved keep well under a percent of their enstrophy
// there, unresolved ones 4 to 20 percent; and from here outwards the filter damps a mode by at
// least e per quarter of a time unit, so with the filter on the share is what it has not yet
// removed.
constexpr int edgeWaveNumber(const Grid& grid) { return grid.bandLimit() - grid.bandLimit() / 5; }
// An edge share above this marks a flow the grid no longer resolves.
inline constexpr double UnresolvedEdgeShare = 0.01;
// With the filter on the edge stays clean whether or not the grid holds the flow: the filter
// removes the very enstrophy the edge share looks for. What gives it away is how much of the
// small-scale loss the filter takes instead of viscosity. Runs to t = 10 that a finer grid
// confirms (max |omega| never above its start) peaked at 5% (shear layer, Re 1000, 128) and
// 16% (shear layer, Re 10000, 256); runs that are not resolved reached 58% to 93% (mcwilliams
// at Re 1000 and 10000 on 128, at 10000 on 256; the shear layer at Re 10000 on 128 crosses this
// at t = 4.4, just as it leaves the resolved flow).
inline constexpr double UnresolvedFilterShare = 0.25;

// Share of the enstrophy in modes with |k| > edgeWaveNumber; 0 for a field without enstrophy,
// NaN for a field that is not finite.
double edgeEnstrophyShare(const PackedSpectrum& psi);

// The filter's share of the enstrophy a frame lost at small scales: filtered, what the filter
// removed, against that plus what viscosity and hyperviscosity removed over the same frame;
// 0 when nothing was lost.
double filterEnstrophyShare(double filtered, double dissipated);

// Whether the edge share or the filter's share marks the flow as not resolved.
constexpr bool isUnderResolved(double edgeShare, double filterShare = 0.0) {
    return edgeShare > UnresolvedEdgeShare || filterShare > UnresolvedFilterShare;
}

}  // namespace swirlon
