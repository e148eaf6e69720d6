// SPDX-License-Identifier: GPL-3.0-or-later
// Strokes of the hand on the flow: what a push and a painted line add, on every grid.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "solver/operators.h"
#include "solver/stroke.h"

namespace swirlon {
namespace {

constexpr double Pi = std::numbers::pi;
// The band's edge cuts up to 2e-4 of a Gaussian of the smallest radius, which the sums over
// the grid below feel; a wrong factor or sign is off by far more.
constexpr double BandCutTolerance = 1e-3;

// Grid vorticity a stroke added to a state at rest.
PackedSpectrum addedVorticity(const PackedSpectrum& psi) {
    PackedSpectrum omega(psi.grid());
    vorticityFromStreamFunction(psi, omega);
    return omega;
}

// Offset in box units of grid index `index` from `centre` (cells), folded into [-pi, pi).
double foldedOffset(int index, double centre, int size) {
    double cells = std::remainder(index - centre, static_cast<double>(size));
    return 2.0 * Pi * cells / size;
}

double sigmaOf(double radius, const Grid& grid) { return radius * 2.0 * Pi / grid.size(); }

// The fluid's impulse is the moment of its vorticity, (int y omega, -int x omega): a push of
// velocity V times a Gaussian of peak 1 must leave exactly V * 2 pi sigma^2 in it, slow moves
// at StirGain per unit of displacement and fast ones capped at MaxStirSpeed, across the edge
// as anywhere else.
TEST(Stroke, APushAddsTheImpulseOfItsMoveOnEveryGrid) {
    struct Row {
        int size;
        double radius;
        CellPoint from;
        CellPoint to;
    };
    const Row rows[]{
        {64, 2.0, {30.0, 31.0}, {31.5, 32.0}},
        {128, 4.0, {60.0, 70.0}, {61.0, 69.0}},
        {128, 3.0, {126.5, 3.0}, {129.5, 4.0}},      // across the right edge
        {256, 6.0, {100.0, 100.0}, {180.0, 140.0}},  // fast: capped
        {512, MaxStrokeRadius, {250.0, 260.0}, {251.0, 262.5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        const Grid grid(row.size);
        PackedSpectrum psi(grid);
        addStirStroke(psi, row.from, row.to, row.radius);
        const PackedSpectrum omega = addedVorticity(psi);

        const double cell = 2.0 * Pi / row.size;
        const double dx = (row.to.x - row.from.x) * cell;
        const double dy = (row.to.y - row.from.y) * cell;
        const double length = std::hypot(dx, dy);
        const double speed = std::min(StirGain * length, MaxStirSpeed);
        const double area = 2.0 * Pi * sigmaOf(row.radius, grid) * sigmaOf(row.radius, grid);
        const double centreX = 0.5 * (row.from.x + row.to.x);
        const double centreY = 0.5 * (row.from.y + row.to.y);
        double impulseX = 0.0;
        double impulseY = 0.0;
        for (int y = 0; y < row.size; ++y) {
            for (int x = 0; x < row.size; ++x) {
                const double value = omega[grid.entryIndex(y, x)] * cell * cell;
                impulseX += foldedOffset(y, centreY, row.size) * value;
                impulseY -= foldedOffset(x, centreX, row.size) * value;
            }
        }
        const double expected = speed * area;
        EXPECT_NEAR(impulseX, expected * dx / length, BandCutTolerance * expected);
        EXPECT_NEAR(impulseY, expected * dy / length, BandCutTolerance * expected);
    }
}

// Painting a closed square adds, inside it and its margin, the circulation asked for by each
// move (less the even share the periodic box's zero mean takes back), and the painted line
// peaks at PaintVorticity whatever the grid; the other sign paints the mirror image.
TEST(Stroke, APaintedLoopAddsTheCirculationAskedAndPeaksAtThePaintStrength) {
    for (const int size : {64, 128, 256, 512}) {
        SCOPED_TRACE(size);
        const Grid grid(size);
        const double radius = MinStrokeRadius;
        const double side = size / 2.0;
        const double low = size / 4.0;
        const CellPoint corners[]{{low, low}, {low + side, low}, {low + side, low + side}, {low, low + side}};
        for (const double sign : {1.0, -1.0}) {
            PackedSpectrum psi(grid);
            double asked = 0.0;
            for (int corner = 0; corner < 4; ++corner) {
                const CellPoint from = corners[corner];
                const CellPoint to = corners[(corner + 1) % 4];
                const double circulation = sign * paintCirculation(from, to, radius, grid);
                asked += circulation;
                addPaintStroke(psi, from, to, radius, circulation);
            }
            const PackedSpectrum omega = addedVorticity(psi);

            const double cell = 2.0 * Pi / size;
            const int margin = static_cast<int>(std::ceil(6.0 * radius));
            const int first = static_cast<int>(low) - margin;
            const int last = static_cast<int>(low + side) + margin;
            double inside = 0.0;
            for (int y = first; y <= last; ++y) {
                for (int x = first; x <= last; ++x) {
                    inside += omega[grid.entryIndex((y + size) % size, (x + size) % size)] * cell * cell;
                }
            }
            const double regionShare = std::pow((last - first + 1) * cell, 2) / (4.0 * Pi * Pi);
            EXPECT_NEAR(inside / (1.0 - regionShare), asked, BandCutTolerance * std::abs(asked));

            // Midway along the bottom side, on the line: the peak of the painted line.
            const double mean = -asked / (4.0 * Pi * Pi);
            const double onLine = omega[grid.entryIndex(static_cast<int>(low), size / 2)] - mean;
            EXPECT_NEAR(onLine, sign * PaintVorticity, 1e-3 * PaintVorticity);
        }
    }
}

}  // namespace
}  // namespace swirlon
