// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/fft.h"

#include <gtest/gtest.h>

#include <array>
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

TEST(LineTransform, ImpulseAtOneGivesTheForwardTwiddles) {
    const FftTables& tables = fftTables(8);
    std::array<double, 8> re{};
    std::array<double, 8> im{};
    re[1] = 1.0;
    fft1d(8, 1.0, re.data(), im.data(), tables.forwardSinTable.data(), tables.cosTable.data());
    const double h = std::sqrt(0.5);
    const std::array<std::complex<double>, 8> expected = {{{1, 0}, {h, -h}, {0, -1}, {-h, -h}, {-1, 0}, {-h, h}, {0, 1}, {h, h}}};
    for (int k = 0; k < 8; ++k) {
        EXPECT_NEAR(re[k], expected[k].real(), TransformTolerance) << "k = " << k;
        EXPECT_NEAR(im[k], expected[k].imag(), TransformTolerance) << "k = " << k;
    }
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

struct ModeCase {
    const char* name;
    double (*field)(int x, int y);
    std::vector<std::pair<int, double>> entries;  // (element index, value); all others zero
};

TEST(ForwardTransform, SingleModesLandInTheirPackedEntries) {
    const std::vector<ModeCase> cases = {
        {"constant", [](int, int) { return 1.0; }, {{entryIndex(0, 0), 1.0}}},
        {"cos(3x+5y)", [](int x, int y) { return std::cos(phaseAngle(3L * x + 5L * y)); }, {{entryIndex(5, 3), 0.5}}},
        {"sin(3x+5y)", [](int x, int y) { return std::sin(phaseAngle(3L * x + 5L * y)); }, {{entryIndex(5, 125), -0.5}}},
        {"cos(3x-5y)", [](int x, int y) { return std::cos(phaseAngle(3L * x - 5L * y)); }, {{entryIndex(123, 3), 0.5}}},
        {"sin(3x-5y)", [](int x, int y) { return std::sin(phaseAngle(3L * x - 5L * y)); }, {{entryIndex(123, 125), -0.5}}},
        {"cos(5y)", [](int, int y) { return std::cos(phaseAngle(5L * y)); }, {{entryIndex(5, 0), 0.5}}},
        {"sin(5y)", [](int, int y) { return std::sin(phaseAngle(5L * y)); }, {{entryIndex(123, 0), -0.5}}},
        {"sin(4x)", [](int x, int) { return std::sin(phaseAngle(4L * x)); }, {{entryIndex(0, 124), -0.5}}},
        {"(-1)^x", [](int x, int) { return x % 2 ? -1.0 : 1.0; }, {{entryIndex(0, 64), 1.0}}},
        {"(-1)^y", [](int, int y) { return y % 2 ? -1.0 : 1.0; }, {{entryIndex(64, 0), 1.0}}},
        {"(-1)^(x+y)", [](int x, int y) { return (x + y) % 2 ? -1.0 : 1.0; }, {{entryIndex(64, 64), 1.0}}},
        {"cos(64x+5y)", [](int x, int y) { return std::cos(phaseAngle(64L * x + 5L * y)); }, {{entryIndex(5, 64), 0.5}}},
        {"sin(64x+5y)", [](int x, int y) { return std::sin(phaseAngle(64L * x + 5L * y)); }, {{entryIndex(123, 64), -0.5}}},
    };
    for (const auto& mode : cases) {
        PackedSpectrum a = sampleGrid(mode.field);
        forwardRealFft2d(GridSize, a.data());
        PackedSpectrum expected{};
        for (const auto& [at, value] : mode.entries) {
            expected[at] = value;
        }
        for (int k = 0; k < GridPoints; ++k) {
            ASSERT_NEAR(a[k], expected[k], TransformTolerance)
                << mode.name << " at row " << k / GridSize << ", column " << k % GridSize;
        }
    }
}

TEST(ForwardTransform, ImpulseAtOriginFillsRealPartsAndLeavesImaginaryPartsZero) {
    PackedSpectrum a{};
    a[0] = 1.0;
    forwardRealFft2d(GridSize, a.data());
    const double expected = 1.0 / GridPoints;
    for (int row = 0; row < GridSize; ++row) {
        for (int column = 0; column < GridSize; ++column) {
            // Imaginary parts: columns 65..127, and rows 65..127 of the halfcomplex columns 0, 64.
            const bool halfcomplexColumn = column == 0 || column == GridSize / 2;
            const bool imaginary = halfcomplexColumn ? row > GridSize / 2 : column > GridSize / 2;
            EXPECT_NEAR(a[entryIndex(row, column)], imaginary ? 0.0 : expected, 1e-20);
        }
    }
}

TEST(InverseTransform, SingleEntriesGiveTheirGridFields) {
    struct EntryCase {
        int row;
        int column;
        double (*field)(int x, int y);
    };
    const std::vector<EntryCase> cases = {
        {5, 3, [](int x, int y) { return 2.0 * std::cos(phaseAngle(3L * x + 5L * y)); }},
        {5, 125, [](int x, int y) { return -2.0 * std::sin(phaseAngle(3L * x + 5L * y)); }},
        {123, 3, [](int x, int y) { return 2.0 * std::cos(phaseAngle(3L * x - 5L * y)); }},
        {123, 0, [](int, int y) { return -2.0 * std::sin(phaseAngle(5L * y)); }},
        {0, 0, [](int, int) { return 1.0; }},
        {64, 64, [](int x, int y) { return (x + y) % 2 ? -1.0 : 1.0; }},
    };
    for (const auto& entry : cases) {
        PackedSpectrum a{};
        a[entryIndex(entry.row, entry.column)] = 1.0;
        inverseRealFft2d(GridSize, a.data());
        const PackedSpectrum expected = sampleGrid(entry.field);
        for (int k = 0; k < GridPoints; ++k) {
            ASSERT_NEAR(a[k], expected[k], 1e-13) << "entry (" << entry.row << ", " << entry.column << ")";
        }
    }
}

TEST(RoundTrip, RandomFieldComesBackToRounding) {
    const PackedSpectrum original = testing::randomField(42);
    PackedSpectrum a = original;
    forwardRealFft2d(GridSize, a.data());
    inverseRealFft2d(GridSize, a.data());
    for (int k = 0; k < GridPoints; ++k) {
        ASSERT_NEAR(a[k], original[k], RoundTripTolerance) << "element " << k;
    }
}

TEST(RoundTrip, WorksForOtherPowerOfTwoSizes) {
    for (const int n : {2, 4, 16, 256}) {
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
            ASSERT_NEAR(a[k], original[k], RoundTripTolerance) << "n = " << n;
        }
    }
}

}  // namespace
}  // namespace swirlon
