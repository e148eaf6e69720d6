// SPDX-License-Identifier: GPL-3.0-or-later
// Strokes of a hand on the flow: a push along a stroke (a smooth impulse of velocity, so a
// vortex pair in omega) and a painted line of vorticity. Both are Gaussians of a few grid cells
// added to the stream function's spectrum on the band only, so a stroke is as smooth as the
// grid can hold and continues across the periodic edges on its own.
#pragma once

#include "solver/grid.h"

namespace swirlon {

// A point of the periodic box in grid cells: x along a row (the column index), y up the rows.
// Any value is allowed; the box repeats itself every size cells.
struct CellPoint {
    double x = 0.0;
    double y = 0.0;
};

// Gaussian radius of a stroke in grid cells. Two cells keep the Gaussian's spectrum below
// 2e-4 of its peak at the band edge on every grid, so cutting it there leaves no ripples.
inline constexpr double MinStrokeRadius = 2.0;
inline constexpr double MaxStrokeRadius = 16.0;
inline constexpr double DefaultStrokeRadius = 4.0;

// A push's velocity per unit of the stroke's length (both in box units): a move of a tenth of
// the box pushes at speed 6.3, a flow's usual speed from a full-strength picture.
inline constexpr double StirGain = 10.0;
// The fastest a single push may make the fluid at its centre.
inline constexpr double MaxStirSpeed = 6.0;
// The peak vorticity a painted line has, that of a full-strength colour of a loaded picture.
inline constexpr double PaintVorticity = 10.0;

// Clamps a radius into MinStrokeRadius..MaxStrokeRadius.
double clampStrokeRadius(double radius);

// Where a move from `from` to `to` puts its Gaussians: points spaced at most a radius apart
// from the move's first half-step on, each carrying an equal share.
int strokeSampleCount(CellPoint from, CellPoint to, double radius);

// The velocity at the centre of the push a move gives: StirGain times its displacement (in box
// units), no faster than MaxStirSpeed, along the move.
struct Velocity {
    double x = 0.0;
    double y = 0.0;
};
Velocity stirVelocity(CellPoint from, CellPoint to, const Grid& grid);

// Adds to psi a push along the move: the velocity field stirVelocity * g, with g the
// Gaussian of the radius and peak 1, spread in equal shares along the move. Its impulse (the
// integral of that velocity) is stirVelocity * 2 pi sigma^2, sigma the radius in box units.
// A move of length zero adds nothing.
void addStirStroke(PackedSpectrum& psi, CellPoint from, CellPoint to, double radius);

// The circulation a painted move adds: the painted line's peak vorticity PaintVorticity
// over its length, one sign or the other.
double paintCirculation(CellPoint from, CellPoint to, double radius, const Grid& grid);

// Adds to psi vorticity of total circulation `circulation` spread along the move as Gaussians
// of the radius (less the mean the periodic box cannot hold).
void addPaintStroke(PackedSpectrum& psi, CellPoint from, CellPoint to, double radius, double circulation);

}  // namespace swirlon
