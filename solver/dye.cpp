// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/dye.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace swirlon {
namespace {

// Pixels of the grid a coordinate runs over, and the mask that wraps an index onto them (the
// sizes are powers of two, so the mask also wraps negative indices).
struct Wrap {
    int size;
    int mask;
    double period;
};

Wrap wrapOf(const Grid& grid) {
    return {.size = grid.size(), .mask = grid.size() - 1, .period = static_cast<double>(grid.size())};
}

// The coordinate moved into [0, size) by whole periods (the period is a power of two, so its
// reciprocal is exact), after which truncation is the floor. Every position here lies within a
// few periods of the box (displacements are limited to one period), so the whole number of
// periods fits an integer; std::floor, a library call without SSE4.1, cost a sixth of the time.
double wrapped(double position, const Wrap& wrap) {
    const double periods = position * (1.0 / wrap.period);
    auto whole = static_cast<double>(static_cast<int>(periods));
    whole -= periods < whole ? 1.0 : 0.0;
    return position - wrap.period * whole;
}

// A departure more than a box away means nothing on a periodic grid; limiting the way keeps
// every position within reach of wrapped.
double limitedWay(double way, const Wrap& wrap) { return std::clamp(way, -wrap.period, wrap.period); }

// Linear interpolation written as a + (b - a) t, so that equal ends give exactly that value and a
// uniform flow moves every pixel by exactly the same amount.
double lerp(double a, double b, double t) { return a + (b - a) * t; }

struct PointVelocity {
    double x;
    double y;
};

// Both velocity components at a point, by the same bilinear weights.
PointVelocity bilinear(const PackedSpectrum& velX, const PackedSpectrum& velY, double x, double y, const Wrap& wrap) {
    x = wrapped(x, wrap);
    y = wrapped(y, wrap);
    const int column = static_cast<int>(x);
    const int row = static_cast<int>(y);
    const int c0 = column & wrap.mask;
    const int c1 = (column + 1) & wrap.mask;
    const int r0 = (row & wrap.mask) * wrap.size;
    const int r1 = ((row + 1) & wrap.mask) * wrap.size;
    const double tx = x - column;
    const double ty = y - row;
    auto at = [](const PackedSpectrum& field, int entry) { return field[static_cast<std::size_t>(entry)]; };
    return {
        .x = lerp(lerp(at(velX, r0 + c0), at(velX, r0 + c1), tx), lerp(at(velX, r1 + c0), at(velX, r1 + c1), tx), ty),
        .y = lerp(lerp(at(velY, r0 + c0), at(velY, r0 + c1), tx), lerp(at(velY, r1 + c0), at(velY, r1 + c1), tx), ty)};
}

// The four pixels a Catmull-Rom cubic reads along one coordinate and their weights. At a whole
// pixel the weights are exactly 0, 1, 0, 0.
struct CubicTaps {
    std::array<int, 4> index;
    std::array<double, 4> weight;
};

// position in [0, size).
CubicTaps cubicTaps(double position, const Wrap& wrap) {
    const int base = static_cast<int>(position);
    const double t = position - base;
    const double t2 = t * t;
    const double t3 = t2 * t;
    const int first = base - 1;
    return {.index = {first & wrap.mask, base & wrap.mask, (base + 1) & wrap.mask, (base + 2) & wrap.mask},
            .weight = {0.5 * (-t3 + 2.0 * t2 - t), 0.5 * (3.0 * t3 - 5.0 * t2 + 2.0), 0.5 * (-3.0 * t3 + 4.0 * t2 + t),
                       0.5 * (t3 - t2)}};
}

// Where the fluid now at every pixel was a time dt ago (dt < 0: where it will be), in pixels
// within [0, size): the midpoint rule, with the velocity at the midpoint interpolated
// bilinearly.
void departurePoints(const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, std::vector<double>& departX,
                     std::vector<double>& departY) {
    const Wrap wrap = wrapOf(velX.grid());
    const double pixelsPerUnit = wrap.period / (2.0 * std::numbers::pi);
    const double step = dt * pixelsPerUnit;
    for (int row = 0; row < wrap.size; ++row) {
        for (int column = 0; column < wrap.size; ++column) {
            const auto k = static_cast<std::size_t>(row * wrap.size + column);
            const double midX = column - limitedWay(0.5 * step * velX[k], wrap);
            const double midY = row - limitedWay(0.5 * step * velY[k], wrap);
            const PointVelocity mid = bilinear(velX, velY, midX, midY, wrap);
            departX[k] = wrapped(column - limitedWay(step * mid.x, wrap), wrap);
            departY[k] = wrapped(row - limitedWay(step * mid.y, wrap), wrap);
        }
    }
}

// How far beyond the shown range a colour may be carried. Clamping at the shown range itself
// would cut off the small overshoots of the cubic next to sharp edges, which the correction
// needs to take back again; kept, they show only as the range's end, and the bound keeps every
// value finite however long the run.
constexpr double StoredLow = -0.5 * DyeChannelMax;
constexpr double StoredHigh = 1.5 * DyeChannelMax;

// target = source read at the departure points, each channel by the same taps.
void samplePass(const Grid& grid, const double* source, const std::vector<double>& departX,
                const std::vector<double>& departY, double* target) {
    const Wrap wrap = wrapOf(grid);
    const auto plane = static_cast<std::size_t>(grid.points());
    for (std::size_t k = 0; k < plane; ++k) {
        const CubicTaps across = cubicTaps(departX[k], wrap);
        const CubicTaps up = cubicTaps(departY[k], wrap);
        for (std::size_t c = 0; c < DyeChannels; ++c) {
            const double* picture = source + c * plane;
            double value = 0.0;
            for (std::size_t j = 0; j < 4; ++j) {
                const double* row = picture + static_cast<std::size_t>(up.index[j] * wrap.size);
                const double along = across.weight[0] * row[across.index[0]] + across.weight[1] * row[across.index[1]] +
                                     across.weight[2] * row[across.index[2]] + across.weight[3] * row[across.index[3]];
                value += up.weight[j] * along;
            }
            target[c * plane + k] = std::clamp(value, StoredLow, StoredHigh);
        }
    }
}

}  // namespace

DyeScratch::DyeScratch(Grid on)
    : grid(on),
      forwardX(static_cast<std::size_t>(on.points())),
      forwardY(static_cast<std::size_t>(on.points())),
      backwardX(static_cast<std::size_t>(on.points())),
      backwardY(static_cast<std::size_t>(on.points())),
      there(static_cast<std::size_t>(DyeChannels) * static_cast<std::size_t>(on.points())),
      back(there.size()) {}

void advectDye(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, DyeScratch& scratch) {
    departurePoints(velX, velY, dt, scratch.forwardX, scratch.forwardY);
    departurePoints(velX, velY, -dt, scratch.backwardX, scratch.backwardY);
    // There and back again: half the round trip's error is the error of one way, taken off
    // the way there (MacCormack's form of the correction, which needs no third pass).
    std::vector<double>& values = dye.values();
    samplePass(dye.grid(), values.data(), scratch.forwardX, scratch.forwardY, scratch.there.data());
    samplePass(dye.grid(), scratch.there.data(), scratch.backwardX, scratch.backwardY, scratch.back.data());
    for (std::size_t k = 0; k < values.size(); ++k) {
        values[k] = std::clamp(scratch.there[k] + 0.5 * (values[k] - scratch.back[k]), StoredLow, StoredHigh);
    }
}

DyeField regridDye(const DyeField& dye, Grid grid) {
    DyeField moved(grid);
    const int from = dye.grid().size();
    const int to = grid.size();
    for (int c = 0; c < DyeChannels; ++c) {
        for (int row = 0; row < to; ++row) {
            for (int column = 0; column < to; ++column) {
                moved.channel(c)[row * to + column] = dye.channel(c)[(row * from / to) * from + column * from / to];
            }
        }
    }
    return moved;
}

}  // namespace swirlon
