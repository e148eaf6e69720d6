// SPDX-License-Identifier: GPL-3.0-or-later
// The fast transforms and the fast step against the straightforward ones: equal bit for bit,
// at every vector width the processor runs.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "solver/fast_step.h"
#include "solver/fft.h"
#include "solver/grid.h"
#include "solver/reference_step.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

constexpr int ReynoldsNumbers[] = {100, 1000, 10000};
constexpr int StepsCompared = 3;
// A frame split into this many sub-steps: dt = TimeStep / SubStepSplit.
constexpr int SubStepSplit = 3;
// Spectral decay of the random states: amplitude ~ 1/(1 + K^2)^(Decay/2) keeps them smooth
// enough to stay finite over the compared steps at every Reynolds number.
constexpr double Decay = 3.0;
// Scale of the random states: large enough that advection matters within a few steps.
constexpr double Amplitude = 20.0;

std::vector<SimdLevel> availableLevels() {
    std::vector<SimdLevel> levels;
    for (int i = 0; i < SimdLevelCount; ++i) {
        const auto level = static_cast<SimdLevel>(i);
        if (isSimdLevelAvailable(level)) {
            levels.push_back(level);
        }
    }
    return levels;
}

// Bit patterns, so that -0.0 differs from +0.0 and a NaN equals itself.
std::uint64_t bitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }

// Number of entries (restricted to a predicate on row and column) whose bits differ.
template <typename Keep>
int differingEntries(const PackedSpectrum& a, const PackedSpectrum& b, Keep keep) {
    int count = 0;
    for (int row = 0; row < GridSize; ++row) {
        for (int column = 0; column < GridSize; ++column) {
            const int at = entryIndex(row, column);
            if (keep(row, column) && bitsOf(a[at]) != bitsOf(b[at])) {
                ++count;
            }
        }
    }
    return count;
}

int differingEntries(const PackedSpectrum& a, const PackedSpectrum& b) {
    return differingEntries(a, b, [](int, int) { return true; });
}

bool inBandButMean(int row, int column) { return isBandIndex(row) && isBandIndex(column) && (row != 0 || column != 0); }

PackedSpectrum randomField(unsigned seed) {
    std::mt19937_64 engine(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    PackedSpectrum field{};
    for (double& x : field) {
        x = value(engine);
    }
    return field;
}

// A random stream function on the band with decaying amplitudes; every other entry, the mean
// included, holds junk the step must neither read nor change.
std::unique_ptr<FieldBank> randomBandBank(unsigned seed) {
    auto bank = std::make_unique<FieldBank>();
    std::mt19937_64 engine(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    for (auto& slot : bank->slots) {
        for (double& x : slot) {
            x = value(engine);
        }
    }
    PackedSpectrum& psi = (*bank)[Slot::psi];
    forEachBandEntry([&](int row, int column, int kSquared) {
        psi[entryIndex(row, column)] = Amplitude * value(engine) / std::pow(1.0 + kSquared, Decay / 2.0);
    });
    return bank;
}

struct Mismatches {
    int psiBand = 0;
    int psiOutside = 0;
    int psiBase = 0;
    int grids = 0;
    int increments = 0;
};

Mismatches compareBanks(const FieldBank& fast, const FieldBank& reference) {
    Mismatches m;
    m.psiBand = differingEntries(fast[Slot::psi], reference[Slot::psi], inBandButMean);
    m.psiOutside = differingEntries(fast[Slot::psi], reference[Slot::psi], [](int r, int c) { return !inBandButMean(r, c); });
    m.psiBase = differingEntries(fast[Slot::psiBase], reference[Slot::psiBase]);
    for (const Slot slot : {Slot::velX, Slot::velY, Slot::gradX, Slot::gradY}) {
        m.grids += differingEntries(fast[slot], reference[slot]);
    }
    for (const Slot slot : {Slot::rk1, Slot::rk2, Slot::rk3, Slot::rk4}) {
        m.increments += differingEntries(fast[slot], reference[slot], inBandButMean);
    }
    return m;
}

void expectIdentical(const Mismatches& m, const std::string& where) {
    EXPECT_EQ(m.psiBand, 0) << where;
    EXPECT_EQ(m.psiOutside, 0) << where;
    EXPECT_EQ(m.psiBase, 0) << where;
    EXPECT_EQ(m.grids, 0) << where;
    EXPECT_EQ(m.increments, 0) << where;
}

std::string describe(SimdLevel level, int reynolds, double dt, int step) {
    return std::string(simdLevelName(level)) + " Re " + std::to_string(reynolds) + " dt " + std::to_string(dt) + " step " +
           std::to_string(step);
}

TEST(FastTransforms, ForwardEqualsTheStraightforwardTransformOnEveryEntry) {
    for (const SimdLevel level : availableLevels()) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            PackedSpectrum reference = randomField(seed);
            PackedSpectrum fast = reference;
            forwardRealFft2d(GridSize, reference.data());
            fastKernels(level).forwardRealFft2d(fast.data());
            EXPECT_EQ(differingEntries(fast, reference), 0) << simdLevelName(level) << " seed " << seed;
        }
    }
}

TEST(FastTransforms, InverseEqualsTheStraightforwardTransformOnEveryEntry) {
    for (const SimdLevel level : availableLevels()) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            PackedSpectrum reference = randomField(seed);
            PackedSpectrum fast = reference;
            inverseRealFft2d(GridSize, reference.data());
            fastKernels(level).inverseRealFft2d(fast.data());
            EXPECT_EQ(differingEntries(fast, reference), 0) << simdLevelName(level) << " seed " << seed;
        }
    }
}

TEST(FastTransforms, SignedZerosComeOutAsTheStraightforwardTransformLeavesThem) {
    // A field of zeros of both signs: the sign of every zero result must match too.
    for (const SimdLevel level : availableLevels()) {
        PackedSpectrum field{};
        for (int i = 0; i < GridPoints; i += 3) {
            field[i] = -0.0;
        }
        PackedSpectrum forwardReference = field;
        PackedSpectrum forwardFast = field;
        forwardRealFft2d(GridSize, forwardReference.data());
        fastKernels(level).forwardRealFft2d(forwardFast.data());
        EXPECT_EQ(differingEntries(forwardFast, forwardReference), 0) << simdLevelName(level);
        PackedSpectrum inverseReference = field;
        PackedSpectrum inverseFast = field;
        inverseRealFft2d(GridSize, inverseReference.data());
        fastKernels(level).inverseRealFft2d(inverseFast.data());
        EXPECT_EQ(differingEntries(inverseFast, inverseReference), 0) << simdLevelName(level);
    }
}

TEST(FastStep, BeginStepLeavesTheSameGridVelocitiesAndBase) {
    for (const SimdLevel level : availableLevels()) {
        auto fast = randomBandBank(7);
        auto reference = std::make_unique<FieldBank>(*fast);
        fastKernels(level).beginStep(*fast);
        referenceBeginStep(*reference);
        expectIdentical(compareBanks(*fast, *reference), simdLevelName(level));
    }
}

TEST(FastStep, StepsEqualTheStraightforwardStepsAtEveryReynoldsNumber) {
    for (const SimdLevel level : availableLevels()) {
        for (const int reynolds : ReynoldsNumbers) {
            for (const double dt : {TimeStep, TimeStep / SubStepSplit}) {
                auto fast = randomBandBank(static_cast<unsigned>(reynolds));
                auto reference = std::make_unique<FieldBank>(*fast);
                for (int step = 0; step < StepsCompared; ++step) {
                    fastKernels(level).beginStep(*fast);
                    fastKernels(level).finishStep(*fast, reynolds, dt);
                    referenceStepRk4(*reference, reynolds, dt);
                    expectIdentical(compareBanks(*fast, *reference), describe(level, reynolds, dt, step));
                }
            }
        }
    }
}

TEST(FastStep, PublicStepRunsOnTheFastPathWithTheSameResults) {
    auto fast = randomBandBank(11);
    auto reference = std::make_unique<FieldBank>(*fast);
    stepRk4(*fast, 1000);
    referenceStepRk4(*reference, 1000);
    expectIdentical(compareBanks(*fast, *reference), simdLevelName(bestSimdLevel()));
}

TEST(FastStep, NonFiniteStatesStayNonFiniteInTheSameEntries) {
    // A blown-up state must be recognised by the frame's finiteness test exactly as before.
    for (const SimdLevel level : availableLevels()) {
        auto fast = randomBandBank(5);
        (*fast)[Slot::psi][entryIndex(3, 4)] = std::numeric_limits<double>::infinity();
        auto reference = std::make_unique<FieldBank>(*fast);
        fastKernels(level).beginStep(*fast);
        fastKernels(level).finishStep(*fast, 100, TimeStep);
        referenceStepRk4(*reference, 100, TimeStep);
        int differentFiniteness = 0;
        forEachBandEntryButMean([&](int row, int column, int) {
            const int at = entryIndex(row, column);
            differentFiniteness += std::isfinite((*fast)[Slot::psi][at]) != std::isfinite((*reference)[Slot::psi][at]) ? 1 : 0;
        });
        EXPECT_EQ(differentFiniteness, 0) << simdLevelName(level);
    }
}

TEST(SimdDispatch, BaselineLevelIsAlwaysAvailableAndTheBestIsAvailable) {
    EXPECT_TRUE(isSimdLevelAvailable(SimdLevel::sse2));
    EXPECT_TRUE(isSimdLevelAvailable(bestSimdLevel()));
}

}  // namespace
}  // namespace swirlon
