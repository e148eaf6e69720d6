// SPDX-License-Identifier: GPL-3.0-or-later
// The time step's scratch storage: the fields a Runge-Kutta step writes on its way from psi to
// the next psi. None of it is state: every step rebuilds it from psi, so it is never saved or
// moved between grids, and a run may replace it freely.
#pragma once

#include <array>
#include <cstddef>

#include "solver/grid.h"

namespace swirlon {

enum class Slot : int {
    // The band of psi at the start of the step, which every stage's state is built on.
    psiBase = 0,
    // The derivative spectra of a stage's psi, turned into grid values: u, v, domega/dx, domega/dy.
    velX,
    velY,
    gradX,
    gradY,
    // The advection product u*domega/dx + v*domega/dy and its spectrum.
    advection,
    // The four stages' increments.
    rk1,
    rk2,
    rk3,
    rk4,
};
inline constexpr int SlotCount = 10;

class StepScratch {
  public:
    explicit StepScratch(Grid grid)
        : grid_(grid), slots_{PackedSpectrum(grid), PackedSpectrum(grid), PackedSpectrum(grid), PackedSpectrum(grid),
                              PackedSpectrum(grid), PackedSpectrum(grid), PackedSpectrum(grid), PackedSpectrum(grid),
                              PackedSpectrum(grid), PackedSpectrum(grid)} {}

    const Grid& grid() const { return grid_; }
    PackedSpectrum& operator[](Slot slot) { return slots_[static_cast<std::size_t>(slot)]; }
    const PackedSpectrum& operator[](Slot slot) const { return slots_[static_cast<std::size_t>(slot)]; }

  private:
    Grid grid_;
    std::array<PackedSpectrum, SlotCount> slots_;
};

}  // namespace swirlon
