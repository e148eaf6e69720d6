// SPDX-License-Identifier: GPL-3.0-or-later
// The state of a run: what a frame advances and a saved run records. The grid, the parameters
// (Reynolds number, PhysicsParams, FrameSettings) and the stepper's scratch (solver/step_scratch.h)
// are kept apart from it: the scratch is rebuilt by every step from the state alone.
#pragma once

#include <cstdint>

#include "solver/grid.h"

namespace swirlon {

struct FlowState {
    explicit FlowState(Grid grid) : psi(grid) {}

    // The stream function's packed spectrum; only its band less the mean entry carries the flow.
    PackedSpectrum psi;
    // Frames of TimeStep done.
    std::int64_t frames = 0;

    // Computed from the frame count, so no rounding accumulates over a long run.
    double time() const { return static_cast<double>(frames) * TimeStep; }
};

}  // namespace swirlon
