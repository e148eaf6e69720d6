// SPDX-License-Identifier: GPL-3.0-or-later
// Dye carried by the flow: a colour picture with one pixel per grid point, moved every frame by
// the grid velocities with a semi-Lagrangian scheme. Each pixel takes the colour found where
// its fluid came from: a midpoint back-trace through bilinearly interpolated velocities, then
// bicubic (Catmull-Rom) interpolation of the picture, corrected by back and forth error
// compensation (in MacCormack's form: half the error of a round trip taken off the way there)
// so that fine structure stays sharp, and limited to a band around the shown range so that
// every value stays bounded. Periodic like the flow. Nothing here
// allocates once the field is made.
#pragma once

#include <cstddef>
#include <vector>

#include "solver/grid.h"

namespace swirlon {

inline constexpr int DyeChannels = 3;
// Colours run from 0 to this (a byte's range); the scheme may carry small overshoots beyond,
// which the picture shows as the range's ends.
inline constexpr double DyeChannelMax = 255.0;

class DyeField {
  public:
    // Black, on grid.
    explicit DyeField(Grid grid)
        : grid_(grid), values_(static_cast<std::size_t>(DyeChannels) * static_cast<std::size_t>(grid.points()), 0.0) {}

    const Grid& grid() const { return grid_; }
    // Channel c (0 red, 1 green, 2 blue) as grid.points() values, element size*row + column
    // like a grid field, row 0 at the bottom.
    double* channel(int c) { return values_.data() + static_cast<std::ptrdiff_t>(c) * grid_.points(); }
    const double* channel(int c) const { return values_.data() + static_cast<std::ptrdiff_t>(c) * grid_.points(); }
    // All channels one after the other: red, green, blue.
    const std::vector<double>& values() const { return values_; }
    std::vector<double>& values() { return values_; }

    bool operator==(const DyeField&) const = default;

  private:
    Grid grid_;
    std::vector<double> values_;
};

// The storage a step of the dye works in, made once for a grid: departure points (in pixels)
// of the forward and the reversed flow, and the pictures of the way there and back.
struct DyeScratch {
    explicit DyeScratch(Grid on);

    Grid grid;
    std::vector<double> forwardX;
    std::vector<double> forwardY;
    std::vector<double> backwardX;
    std::vector<double> backwardY;
    std::vector<double> there;
    std::vector<double> back;
};

// Carries the dye for time dt by the grid velocities u = velX, v = velY (box units per unit
// time), all on one grid, scratch made for it. A uniform velocity that moves a whole number of
// pixels moves the picture by exactly that many.
void advectDye(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, DyeScratch& scratch);

// The same dye on another grid, each pixel taking the colour of the nearest one of the old.
DyeField regridDye(const DyeField& dye, Grid grid);

}  // namespace swirlon
