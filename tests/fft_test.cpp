// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "spectral_fixtures.h"

namespace swirlon {
namespace {

using testing::phaseAngle;
using testing::sampleGrid;

// Rounding of one 2-D transform of values of order one.
constexpr double TransformTolerance = 1e-15;
constexpr double RoundTripTolerance = 4e-15;

// Each mode lands in one packed entry; the round trip below then pins the inverse transform.
TEST(ForwardTransform, SingleModesLandInTheirPackedEntries) {
    struct ModeCase {
        const char* name;
        double (*field)(int x, int y);
        int row;
        int column;
        double value;  // every other entry is zero
    };
    const ModeCase cases[] = {
        {"constant", [](int, int) { return 1.0; }, 0, 0, 1.0},
        {"cos(3x+5y)", [](int x, int y) { return std::cos(phaseAngle(3L * x + 5L * y)); }, 5, 3, 0.5},
        {"sin(3x+5y)", [](int x, int y) { return std::sin(phaseAngle(3L * x + 5L * y)); }, 5, 125, -0.5},
        {"cos(3x-5y)", [](int x, int y) { return std::cos(phaseAngle(3L * x - 5L * y)); }, 123, 3, 0.5},
        {"sin(3x-5y)", [](int x, int y) { return std::sin(phaseAngle(3L * x - 5L * y)); }, 123, 125, -0.5},
        {"cos(5y)", [](int, int y) { return std::cos(phaseAngle(5L * y)); }, 5, 0, 0.5},
        {"sin(5y)", [](int, int y) { return std::sin(phaseAngle(5L * y)); }, 123, 0, -0.5},
        {"sin(4x)", [](int x, int) { return std::sin(phaseAngle(4L * x)); }, 0, 124, -0.5},
        {"(-1)^x", [](int x, int) { return x % 2 ? -1.0 : 1.0; }, 0, 64, 1.0},
        {"(-1)^y", [](int, int y) { return y % 2 ? -1.0 : 1.0; }, 64, 0, 1.0},
        {"(-1)^(x+y)", [](int x, int y) { return (x + y) % 2 ? -1.0 : 1.0; }, 64, 64, 1.0},
        {"cos(64x+5y)", [](int x, int y) { return std::cos(phaseAngle(64L * x + 5L * y)); }, 5, 64, 0.5},
        {"sin(64x+5y)", [](int x, int y) { return std::sin(phaseAngle(64L * x + 5L * y)); }, 123, 64, -0.5},
    };
    for (const ModeCase& mode : cases) {
        const Grid grid{};
        PackedSpectrum a = sampleGrid(mode.field, grid);
        forwardRealFft2d(grid.size(), a.data());
        for (int k = 0; k < grid.points(); ++k) {
            ASSERT_NEAR(a[k], k == grid.entryIndex(mode.row, mode.column) ? mode.value : 0.0, TransformTolerance)
                << mode.name << " at row " << k / grid.size() << ", column " << k % grid.size();
        }
    }
}

TEST(RoundTrip, RandomFieldsComeBackToRoundingAtEveryPowerOfTwoSize) {
    for (const int n : {2, 4, 16, 64, 128, 256, 512}) {
        std::mt19937 generator(n);
        std::uniform_real_distribution<double> uniform(-1.0, 1.0);
        std::vector<double> original(static_cast<std::size_t>(n) * n);
        for (double& value : original) {
            value = uniform(generator);
        }
        std::vector<double> a = original;
        forwardRealFft2d(n, a.data());
        inverseRealFft2d(n, a.data());
        for (std::size_t k = 0; k < a.size(); ++k) {
            ASSERT_NEAR(a[k], original[k], RoundTripTolerance) << "n = " << n << ", element " << k;
        }
    }
}

}  // namespace
}  // namespace swirlon
