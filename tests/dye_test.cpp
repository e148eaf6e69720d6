// SPDX-License-Identifier: GPL-3.0-or-later
// Dye carried by a given velocity: exact whole-pixel shifts, accurate sub-pixel ones, and a
// flow undone by its reverse that gives the picture back sharp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "solver/dye.h"
#include "solver/simulation.h"
#include "solver/step_threads.h"

namespace swirlon {
namespace {

constexpr double Pi = std::numbers::pi;

// Velocity fields on grid sampled from f(column, row) in pixels.
PackedSpectrum sampled(const Grid& grid, const std::function<double(double, double)>& f) {
    PackedSpectrum field(grid);
    for (int row = 0; row < grid.size(); ++row) {
        for (int column = 0; column < grid.size(); ++column) {
            field[grid.entryIndex(row, column)] = f(column, row);
        }
    }
    return field;
}

DyeField painted(const Grid& grid, const std::function<double(int, double, double)>& colour) {
    DyeField dye(grid);
    for (int c = 0; c < DyeChannels; ++c) {
        for (int row = 0; row < grid.size(); ++row) {
            for (int column = 0; column < grid.size(); ++column) {
                dye.channel(c)[grid.entryIndex(row, column)] = colour(c, column, row);
            }
        }
    }
    return dye;
}

// A smooth picture, different in each channel, and one of sharp-edged squares, an eighth of
// the picture wide.
double smoothColour(int c, double x, double y, int size) {
    return 127.5 + 100.0 * std::sin(2.0 * Pi * (2 + c) * x / size) * std::cos(2.0 * Pi * 3.0 * y / size + c);
}
double squaresColour(int c, double x, double y, int size) {
    const double side = size / 8.0;
    const int square = (static_cast<int>(std::floor(x / side)) + static_cast<int>(std::floor(y / side))) % 2;
    return square == 0 ? 40.0 * c : 255.0 - 30.0 * c;
}

double largestDifference(const DyeField& a, const DyeField& b) {
    double largest = 0.0;
    for (std::size_t k = 0; k < a.values().size(); ++k) {
        largest = std::max(largest, std::abs(a.values()[k] - b.values()[k]));
    }
    return largest;
}

double meanDifference(const DyeField& a, const DyeField& b) {
    double sum = 0.0;
    for (std::size_t k = 0; k < a.values().size(); ++k) {
        sum += std::abs(a.values()[k] - b.values()[k]);
    }
    return sum / static_cast<double>(a.values().size());
}

// A uniform flow moving the picture by (shiftX, shiftY) pixels a frame carries it, after
// frames frames, to the picture drawn that far along: to rounding for whole pixels, within 1.5
// of 255 colour steps otherwise (1.4 for waves 16 pixels long after 20 frames).
TEST(Dye, AUniformFlowCarriesThePictureByItsDisplacement) {
    struct Row {
        int size;
        double shiftX;
        double shiftY;
        int frames;
        double tolerance;
    };
    const Row rows[]{
        {64, 1.0, 0.0, 10, 1e-9}, {128, -2.0, 3.0, 7, 1e-9},  {256, 0.0, -1.0, 5, 1e-9},  {512, 1.0, 1.0, 3, 1e-9},
        {64, 0.37, 0.0, 20, 1.5}, {128, 0.25, -0.6, 20, 1.5}, {256, -0.8, 0.45, 20, 1.5}, {512, 0.3, 0.3, 10, 1.5},
    };
    constexpr double Dt = 0.01;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.size << ": " << row.shiftX << ", " << row.shiftY);
        const Grid grid(row.size);
        const double unitsPerPixel = 2.0 * Pi / row.size;
        const PackedSpectrum u = sampled(grid, [&](double, double) { return row.shiftX * unitsPerPixel / Dt; });
        const PackedSpectrum v = sampled(grid, [&](double, double) { return row.shiftY * unitsPerPixel / Dt; });
        DyeField dye = painted(grid, [&](int c, double x, double y) { return smoothColour(c, x, y, row.size); });
        DyeScratch scratch(grid);
        for (int frame = 0; frame < row.frames; ++frame) {
            advectDye(dye, u, v, Dt, scratch);
        }
        const double movedX = row.shiftX * row.frames;
        const double movedY = row.shiftY * row.frames;
        const DyeField expected =
            painted(grid, [&](int c, double x, double y) { return smoothColour(c, x - movedX, y - movedY, row.size); });
        EXPECT_LE(largestDifference(dye, expected), row.tolerance);
    }
}

// A swirling cellular flow run forward and then reversed brings squares with sharp edges back:
// on average within 5 of 255 colour steps (2.9 at 64 points, 4.3 at 128), where plain cubic
// interpolation without the correction is off by 18 at 64 points and one that also clips its
// overshoots by 33.
TEST(Dye, AFlowRunForwardThenReversedBringsASharpPictureBack) {
    for (const int size : {64, 128}) {
        SCOPED_TRACE(size);
        const Grid grid(size);
        const double k = 2.0 * Pi / size;
        // Stream function sin x sin y: u = -dpsi/dy, v = dpsi/dx, speed up to 1.
        const PackedSpectrum u = sampled(grid, [&](double x, double y) { return -std::sin(k * x) * std::cos(k * y); });
        const PackedSpectrum v = sampled(grid, [&](double x, double y) { return std::cos(k * x) * std::sin(k * y); });
        const PackedSpectrum minusU =
            sampled(grid, [&](double x, double y) { return std::sin(k * x) * std::cos(k * y); });
        const PackedSpectrum minusV =
            sampled(grid, [&](double x, double y) { return -std::cos(k * x) * std::sin(k * y); });
        const DyeField start = painted(grid, [&](int c, double x, double y) { return squaresColour(c, x, y, size); });
        DyeField dye = start;
        DyeScratch scratch(grid);
        constexpr int Frames = 100;
        constexpr double Dt = 0.01;
        for (int frame = 0; frame < Frames; ++frame) {
            advectDye(dye, u, v, Dt, scratch);
        }
        EXPECT_GT(meanDifference(dye, start), 10.0) << "the flow has moved the picture";
        for (int frame = 0; frame < Frames; ++frame) {
            advectDye(dye, minusU, minusV, Dt, scratch);
        }
        EXPECT_LE(meanDifference(dye, start), 5.0);
    }
}

// Every instruction set, on one thread or two, carries the dye bit for bit as the step taken
// one lane at a time, through ways from a fraction of a pixel to several pixels and across the
// edges.
TEST(Dye, EveryInstructionSetAndThreadCountCarriesItBitForBitAsOneLaneAtATime) {
    for (const int size : SupportedGridSizes) {
        const Grid grid(size);
        const double k = 2.0 * Pi / size;
        const double speed = 3.0 * size / 64.0;
        const PackedSpectrum u =
            sampled(grid, [&](double x, double y) { return -speed * std::sin(k * x) * std::cos(k * y) + 0.3; });
        const PackedSpectrum v =
            sampled(grid, [&](double x, double y) { return speed * std::cos(k * x) * std::sin(2.0 * k * y) - 0.2; });
        const DyeField start = painted(grid, [&](int c, double x, double y) { return squaresColour(c, x, y, size); });
        DyeScratch scratch(grid);
        constexpr int Frames = 3;
        constexpr double Dt = 0.05;
        DyeField expected = start;
        for (int frame = 0; frame < Frames; ++frame) {
            referenceAdvectDye(expected, u, v, Dt, scratch);
        }
        for (const SimdLevel level : {SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
            if (!isSimdLevelAvailable(level)) {
                continue;
            }
            for (const int threads : {1, 2}) {
                SCOPED_TRACE(::testing::Message() << size << " " << simdLevelName(level) << " x" << threads);
                StepThreads shared(threads);
                DyeField dye = start;
                for (int frame = 0; frame < Frames; ++frame) {
                    advectDye(dye, u, v, Dt, scratch, &shared, level);
                }
                EXPECT_TRUE(dye == expected);
            }
        }
    }
}

// A run carries its dye by the velocities of each frame as it ends, whether the dye is carried
// beside the next frame or in place on the step's threads, and asking for it mid-run gives the
// dye of the frames done.
TEST(Dye, ARunCarriesItsDyeByEachFramesOwnVelocities) {
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        const Grid grid(64);
        Simulation carrying(1000, grid);
        Simulation alone(1000, grid);
        const PackedSpectrum vorticity = sampled(grid, [&](double x, double y) {
            return 8.0 * std::sin(2.0 * Pi * x / 64.0) * std::cos(2.0 * Pi * 2.0 * y / 64.0) +
                   std::cos(2.0 * Pi * y / 64.0);
        });
        for (Simulation* run : {&carrying, &alone}) {
            run->setThreads(threads);
            run->setStateFromVorticity(vorticity);
        }
        const DyeField start = painted(grid, [&](int c, double x, double y) { return squaresColour(c, x, y, 64); });
        carrying.setDye(&start);
        DyeField expected = start;
        DyeScratch scratch(grid);
        constexpr int Frames = 4;
        for (int frame = 0; frame < Frames; ++frame) {
            carrying.advanceFrame();
            alone.advanceFrame();
            advectDye(expected, alone.velocityX(), alone.velocityY(), TimeStep, scratch);
            if (frame == 1) {
                EXPECT_TRUE(*carrying.dye() == expected);
            }
        }
        EXPECT_TRUE(*carrying.dye() == expected);
    }
}

}  // namespace
}  // namespace swirlon
