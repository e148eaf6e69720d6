// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
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

std::vector<std::complex<double>> directDft(const std::vector<std::complex<double>>& z, double sign) {
    const int n = static_cast<int>(z.size());
    std::vector<std::complex<double>> out(n);
    for (int k = 0; k < n; ++k) {
        for (int j = 0; j < n; ++j) {
            const double angle = sign * 2.0 * std::numbers::pi * ((static_cast<long>(j) * k) % n) / n;
            out[k] += z[j] * std::polar(1.0, angle);
        }
    }
    return out;
}

TEST(LineTransform, MatchesTheDirectSumInNaturalOrderForEveryLength) {
    // A wrong bit-reversal order or twiddle index shows up as a permuted or rotated output.
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (int n = 2; n <= GridSize; n *= 2) {
        const FftTables& tables = fftTables(n);
        for (const bool forward : {true, false}) {
            std::vector<std::complex<double>> z(n);
            std::vector<double> re(n);
            std::vector<double> im(n);
            for (int j = 0; j < n; ++j) {
                z[j] = {uniform(generator), uniform(generator)};
                re[j] = z[j].real();
                im[j] = z[j].imag();
            }
            const double scale = 0.25;
            fft1d(n, scale, re.data(), im.data(),
                  forward ? tables.forwardSinTable.data() : tables.inverseSinTable.data(), tables.cosTable.data());
            const auto expected = directDft(z, forward ? -1.0 : 1.0);
            for (int k = 0; k < n; ++k) {
                EXPECT_NEAR(re[k], scale * expected[k].real(), 1e-13) << "n = " << n << ", k = " << k;
                EXPECT_NEAR(im[k], scale * expected[k].imag(), 1e-13) << "n = " << n << ", k = " << k;
            }
        }
    }
}

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
        PackedSpectrum a = sampleGrid(mode.field);
        forwardRealFft2d(GridSize, a.data());
        for (int k = 0; k < GridPoints; ++k) {
            ASSERT_NEAR(a[k], k == entryIndex(mode.row, mode.column) ? mode.value : 0.0, TransformTolerance)
                << mode.name << " at row " << k / GridSize << ", column " << k % GridSize;
        }
    }
}

TEST(RoundTrip, RandomFieldsComeBackToRoundingAtEveryPowerOfTwoSize) {
    for (const int n : {2, 4, 16, GridSize, 256}) {
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
