// SPDX-License-Identifier: GPL-3.0-or-later
// The fast transforms and the fast step against the straightforward ones: equal bit for bit,
// at every vector width; a width the processor lacks shows as skipped.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "solver/fast_step.h"
#include "solver/fft.h"
#include "solver/grid.h"
#include "solver/reference_step.h"
#include "solver/time_step.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

// Spectral decay of the random states: amplitude ~ 1/(1 + K^2)^(Decay/2) keeps them smooth
// enough to stay finite over the compared steps at every Reynolds number.
constexpr double Decay = 3.0;
// Scale of the random states: large enough that advection matters within a few steps.
constexpr double Amplitude = 20.0;

bool inBandButMean(int at) {
    const int row = at / GridSize;
    const int column = at % GridSize;
    return isBandIndex(row) && isBandIndex(column) && at != 0;
}

// Entries whose bits differ, so that -0.0 differs from +0.0 and a NaN equals itself.
int differingEntries(const PackedSpectrum& a, const PackedSpectrum& b, bool bandOnly = false) {
    int count = 0;
    for (int at = 0; at < GridPoints; ++at) {
        const bool compared = !bandOnly || inBandButMean(at);
        count += compared && std::bit_cast<std::uint64_t>(a[at]) != std::bit_cast<std::uint64_t>(b[at]) ? 1 : 0;
    }
    return count;
}

// The slots (by number) that differ: psi, its base and the grid fields everywhere, the stage
// increments on the band; the advection slot is scratch.
std::string differingSlots(const FieldBank& fast, const FieldBank& reference) {
    std::string slots;
    for (int s = 0; s < SlotCount; ++s) {
        const auto slot = static_cast<Slot>(s);
        if (slot != Slot::advection && differingEntries(fast[slot], reference[slot], slot >= Slot::rk1) > 0) {
            slots += ' ' + std::to_string(s);
        }
    }
    return slots;
}

// A random stream function on the band with decaying amplitudes; every other entry, the mean
// included, holds junk the step must neither read nor change.
std::unique_ptr<FieldBank> randomBandBank(unsigned seed) {
    auto bank = std::make_unique<FieldBank>();
    for (int s = 0; s < SlotCount; ++s) {
        bank->slots[static_cast<std::size_t>(s)] = testing::randomField(seed * SlotCount + s);
    }
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    forEachBandEntry([&](int row, int column, int kSquared) {
        (*bank)[Slot::psi][entryIndex(row, column)] = Amplitude * value(engine) / std::pow(1.0 + kSquared, Decay / 2.0);
    });
    return bank;
}

class FastPath : public ::testing::TestWithParam<SimdLevel> {
  protected:
    void SetUp() override {
        if (!isSimdLevelAvailable(GetParam())) {
            GTEST_SKIP() << simdLevelName(GetParam()) << " is not available on this processor";
        }
    }
    const FastKernels& kernels() const { return fastKernels(GetParam()); }
};

TEST_P(FastPath, TransformsEqualTheStraightforwardOnesOnEveryEntryAndSignedZero) {
    // A field of zeros of both signs: the sign of every zero result must match too.
    PackedSpectrum zeros{};
    for (int i = 0; i < GridPoints; i += 3) {
        zeros[i] = -0.0;
    }
    for (const PackedSpectrum& field : {testing::randomField(1), testing::randomField(2), zeros}) {
        PackedSpectrum reference = field;
        PackedSpectrum fast = field;
        forwardRealFft2d(GridSize, reference.data());
        kernels().forwardRealFft2d(fast.data());
        EXPECT_EQ(differingEntries(fast, reference), 0) << "forward";
        reference = field;
        fast = field;
        inverseRealFft2d(GridSize, reference.data());
        kernels().inverseRealFft2d(fast.data());
        EXPECT_EQ(differingEntries(fast, reference), 0) << "inverse";
    }
}

TEST_P(FastPath, StepsEqualTheStraightforwardStepsAtEveryReynoldsNumberAndSubStep) {
    constexpr int StepsCompared = 3;
    constexpr int SubStepSplit = 3;
    for (const int reynolds : {100, 1000, 10000}) {
        for (const double dt : {TimeStep, TimeStep / SubStepSplit}) {
            auto fast = randomBandBank(static_cast<unsigned>(reynolds));
            auto reference = std::make_unique<FieldBank>(*fast);
            kernels().beginStep(*fast);
            referenceBeginStep(*reference);
            EXPECT_EQ(differingSlots(*fast, *reference), "") << "begin, Re " << reynolds;
            for (int step = 0; step < StepsCompared; ++step) {
                kernels().finishStep(*fast, reynolds, dt);
                referenceFinishStep(*reference, reynolds, dt);
                EXPECT_EQ(differingSlots(*fast, *reference), "")
                    << "Re " << reynolds << " dt " << dt << " step " << step;
                kernels().beginStep(*fast);
                referenceBeginStep(*reference);
            }
        }
    }
}

TEST_P(FastPath, NonFiniteStatesStayNonFiniteInTheSameEntries) {
    // A blown-up state must be recognised by the frame's finiteness test exactly as before.
    auto fast = randomBandBank(5);
    (*fast)[Slot::psi][entryIndex(3, 4)] = std::numeric_limits<double>::infinity();
    auto reference = std::make_unique<FieldBank>(*fast);
    kernels().beginStep(*fast);
    kernels().finishStep(*fast, 100, TimeStep);
    referenceStepRk4(*reference, 100, TimeStep);
    int differentFiniteness = 0;
    forEachBandEntryButMean([&](int row, int column, int) {
        const int at = entryIndex(row, column);
        differentFiniteness +=
            std::isfinite((*fast)[Slot::psi][at]) != std::isfinite((*reference)[Slot::psi][at]) ? 1 : 0;
    });
    EXPECT_EQ(differentFiniteness, 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, FastPath, ::testing::Values(SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512),
                         [](const ::testing::TestParamInfo<SimdLevel>& level) {
                             return std::string(simdLevelName(level.param));
                         });

// The mean and the entries outside the band come through a step as they were.
TEST(FastStep, PublicStepRunsOnTheBestLevelWithTheSameResultsAndLeavesWhatLiesOutsideTheBand) {
    auto fast = randomBandBank(11);
    const auto before = std::make_unique<FieldBank>(*fast);
    auto reference = std::make_unique<FieldBank>(*fast);
    stepRk4(*fast, 1000);
    referenceStepRk4(*reference, 1000);
    EXPECT_EQ(differingSlots(*fast, *reference), "") << simdLevelName(bestSimdLevel());
    // With the band put back as it was, nothing may differ.
    PackedSpectrum& psi = (*fast)[Slot::psi];
    forEachBandEntryButMean([&](int row, int column, int) {
        psi[entryIndex(row, column)] = (*before)[Slot::psi][entryIndex(row, column)];
    });
    EXPECT_EQ(differingEntries(psi, (*before)[Slot::psi]), 0);
}

}  // namespace
}  // namespace swirlon
