// SPDX-License-Identifier: GPL-3.0-or-later
// The fast transforms and the fast step against the straightforward ones: equal bit for bit,
// at every vector width and grid size; a width the processor lacks shows as skipped.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <tuple>

#include "solver/fast_step.h"
#include "solver/fft.h"
#include "solver/grid.h"
#include "solver/reference_step.h"
#include "solver/step_scratch.h"
#include "solver/time_step.h"
#include "spectral_fixtures.h"

namespace swirlon {
namespace {

// Spectral decay of the random states: amplitude ~ 1/(1 + K^2)^(Decay/2) keeps them smooth
// enough to stay finite over the compared steps at every Reynolds number.
constexpr double Decay = 3.0;
// Scale of the random states: large enough that advection matters within a few steps.
constexpr double Amplitude = 20.0;

bool inBandButMean(const Grid& grid, int at) {
    const int row = at / grid.size();
    const int column = at % grid.size();
    return grid.isBandIndex(row) && grid.isBandIndex(column) && at != 0;
}

// Entries whose bits differ, so that -0.0 differs from +0.0 and a NaN equals itself.
int differingEntries(const PackedSpectrum& a, const PackedSpectrum& b, bool bandOnly = false) {
    int count = 0;
    for (int at = 0; at < a.grid().points(); ++at) {
        const bool compared = !bandOnly || inBandButMean(a.grid(), at);
        count += compared && std::bit_cast<std::uint64_t>(a[at]) != std::bit_cast<std::uint64_t>(b[at]) ? 1 : 0;
    }
    return count;
}

// A state psi and the step's scratch: what a step reads and writes.
struct StepFields {
    PackedSpectrum psi;
    StepScratch scratch;
};

// The fields that differ, psi by name and the scratch slots by number: psi, its base and the grid
// fields everywhere, the stage increments on the band; the fast step keeps the advection slot in
// a layout of its own.
std::string differingFields(const StepFields& fast, const StepFields& reference) {
    std::string fields = differingEntries(fast.psi, reference.psi) > 0 ? " psi" : "";
    for (int s = 0; s < SlotCount; ++s) {
        const auto slot = static_cast<Slot>(s);
        if (slot != Slot::advection &&
            differingEntries(fast.scratch[slot], reference.scratch[slot], slot >= Slot::rk1) > 0) {
            fields += ' ' + std::to_string(s);
        }
    }
    return fields;
}

// A random stream function on the band with decaying amplitudes; every other entry, the mean
// included, and every scratch entry hold junk the step must neither read nor change.
StepFields randomBandFields(unsigned seed, Grid grid = Grid{}) {
    constexpr int Fields = SlotCount + 1;
    StepFields fields{testing::randomField(seed * Fields, grid), StepScratch(grid)};
    for (int s = 0; s < SlotCount; ++s) {
        fields.scratch[static_cast<Slot>(s)] = testing::randomField(seed * Fields + s + 1, grid);
    }
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    grid.forEachBandEntry([&](int row, int column, int kSquared) {
        fields.psi[grid.entryIndex(row, column)] = Amplitude * value(engine) / std::pow(1.0 + kSquared, Decay / 2.0);
    });
    return fields;
}

class FastPath : public ::testing::TestWithParam<std::tuple<SimdLevel, int>> {
  protected:
    void SetUp() override {
        if (!isSimdLevelAvailable(level())) {
            GTEST_SKIP() << simdLevelName(level()) << " is not available on this processor";
        }
    }
    SimdLevel level() const { return std::get<0>(GetParam()); }
    Grid grid() const { return Grid(std::get<1>(GetParam())); }
    const FastKernels& kernels() const { return fastKernels(level(), grid()); }
};

TEST_P(FastPath, TransformsEqualTheStraightforwardOnesOnEveryEntryAndSignedZero) {
    // A field of zeros of both signs: the sign of every zero result must match too.
    PackedSpectrum zeros(grid());
    for (int i = 0; i < grid().points(); i += 3) {
        zeros[i] = -0.0;
    }
    for (const PackedSpectrum& field : {testing::randomField(1, grid()), testing::randomField(2, grid()), zeros}) {
        PackedSpectrum reference = field;
        PackedSpectrum fast = field;
        forwardRealFft2d(grid().size(), reference.data());
        kernels().forwardRealFft2d(fast.data());
        EXPECT_EQ(differingEntries(fast, reference), 0) << "forward";
        reference = field;
        fast = field;
        inverseRealFft2d(grid().size(), reference.data());
        kernels().inverseRealFft2d(fast.data());
        EXPECT_EQ(differingEntries(fast, reference), 0) << "inverse";
    }
}

TEST_P(FastPath, StepsEqualTheStraightforwardStepsAtEveryReynoldsNumberAndSubStep) {
    constexpr int StepsCompared = 3;
    constexpr int SubStepSplit = 3;
    for (const int reynolds : {100, 1000, 10000}) {
        for (const double dt : {TimeStep, TimeStep / SubStepSplit}) {
            StepFields fast = randomBandFields(static_cast<unsigned>(reynolds), grid());
            StepFields reference = fast;
            kernels().beginStep(fast.psi, fast.scratch, nullptr);
            referenceBeginStep(reference.psi, reference.scratch);
            EXPECT_EQ(differingFields(fast, reference), "") << "begin, Re " << reynolds;
            for (int step = 0; step < StepsCompared; ++step) {
                kernels().finishStep(fast.psi, fast.scratch, reynolds, dt, nullptr);
                referenceFinishStep(reference.psi, reference.scratch, reynolds, dt);
                EXPECT_EQ(differingFields(fast, reference), "")
                    << "Re " << reynolds << " dt " << dt << " step " << step;
                kernels().beginStep(fast.psi, fast.scratch, nullptr);
                referenceBeginStep(reference.psi, reference.scratch);
            }
        }
    }
}

TEST_P(FastPath, NonFiniteStatesStayNonFiniteInTheSameEntries) {
    // A blown-up state must be recognised by the frame's finiteness test exactly as before.
    const Grid g = grid();
    StepFields fast = randomBandFields(5, g);
    fast.psi[g.entryIndex(3, 4)] = std::numeric_limits<double>::infinity();
    StepFields reference = fast;
    kernels().beginStep(fast.psi, fast.scratch, nullptr);
    kernels().finishStep(fast.psi, fast.scratch, 100, TimeStep, nullptr);
    referenceStepRk4(reference.psi, reference.scratch, 100, TimeStep);
    int differentFiniteness = 0;
    g.forEachBandEntryButMean([&](int row, int column, int) {
        const int at = g.entryIndex(row, column);
        differentFiniteness += std::isfinite(fast.psi[at]) != std::isfinite(reference.psi[at]) ? 1 : 0;
    });
    EXPECT_EQ(differentFiniteness, 0);
}

// Threads share each pass's line groups; each line is still computed whole by one thread, so
// two or three threads (three splits the groups unevenly) give every bit of one.
TEST_P(FastPath, StepsOnSeveralThreadsEqualTheStepsOnOne) {
    for (const int threads : {2, 3}) {
        ParallelStep parallel(threads, grid());
        StepFields shared = randomBandFields(7, grid());
        StepFields single = shared;
        for (int step = 0; step < 2; ++step) {
            kernels().beginStep(shared.psi, shared.scratch, &parallel);
            kernels().beginStep(single.psi, single.scratch, nullptr);
            EXPECT_EQ(differingFields(shared, single), "") << threads << " threads, begin " << step;
            kernels().finishStep(shared.psi, shared.scratch, 1000, TimeStep, &parallel);
            kernels().finishStep(single.psi, single.scratch, 1000, TimeStep, nullptr);
            EXPECT_EQ(differingFields(shared, single), "") << threads << " threads, step " << step;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LevelsAndGrids, FastPath,
                         ::testing::Combine(::testing::Values(SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512),
                                            ::testing::ValuesIn(SupportedGridSizes)),
                         [](const ::testing::TestParamInfo<std::tuple<SimdLevel, int>>& p) {
                             return std::string(simdLevelName(std::get<0>(p.param))) + "_" +
                                    std::to_string(std::get<1>(p.param));
                         });

// The mean and the entries outside the band come through a step as they were.
TEST(FastStep, PublicStepRunsOnTheBestLevelWithTheSameResultsAndLeavesWhatLiesOutsideTheBand) {
    for (const int size : SupportedGridSizes) {
        const Grid grid(size);
        StepFields fast = randomBandFields(11, grid);
        const PackedSpectrum before = fast.psi;
        StepFields reference = fast;
        stepRk4(fast.psi, fast.scratch, 1000);
        referenceStepRk4(reference.psi, reference.scratch, 1000);
        EXPECT_EQ(differingFields(fast, reference), "") << simdLevelName(bestSimdLevel()) << " at " << size;
        // With the band put back as it was, nothing may differ.
        grid.forEachBandEntryButMean([&](int row, int column, int) {
            fast.psi[grid.entryIndex(row, column)] = before[grid.entryIndex(row, column)];
        });
        EXPECT_EQ(differingEntries(fast.psi, before), 0) << size;
    }
}

}  // namespace
}  // namespace swirlon
