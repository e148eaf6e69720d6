#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "field_io/presets.h"
#include "solver/diagnostics.h"
#include "solver/fft.h"
#include "solver/operators.h"
#include "solver/stable_frame.h"

namespace swirlon {
namespace {

constexpr double Sentinel = 777.0;
constexpr double GridSpacing = 2.0 * std::numbers::pi / GridSize;
// Transform round-off on fields of order one.
constexpr double TransformTolerance = 1e-13;

std::unique_ptr<FieldBank> sentinelBank() {
    auto bank = std::make_unique<FieldBank>();
    for (auto& slot : bank->slots) {
        slot.fill(Sentinel);
    }
    return bank;
}

std::unique_ptr<PackedSpectrum> vorticityOf(const PackedSpectrum& psi) {
    auto omega = std::make_unique<PackedSpectrum>();
    copyBand(*omega, psi);
    multiplyByMinusK2(*omega);
    inverseRealFft2d(GridSize, omega->data());
    return omega;
}

TEST(PresetList, NamesTheDefaultFieldFirstAndEveryPresetOnce) {
    const std::vector<std::string> names = presetNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "default");
    for (const char* expected : {"taylor-green", "vortex-pair", "shear-layer", "mcwilliams"}) {
        EXPECT_EQ(std::count(names.begin(), names.end(), expected), 1) << expected;
    }
}

TEST(PresetList, EveryPresetGivesAFiniteNonTrivialStateWithZeroMean) {
    for (const std::string& name : presetNames()) {
        auto bank = sentinelBank();
        ASSERT_FALSE(loadPreset(name, *bank).has_value()) << name;
        const PackedSpectrum& psi = (*bank)[Slot::psi];
        EXPECT_TRUE(isBandFinite(psi)) << name;
        EXPECT_GT(energy(psi), 0.0) << name;
        EXPECT_EQ(psi[0], 0.0) << name;
        EXPECT_EQ((*bank)[Slot::psiBase][0], Sentinel) << name << " wrote outside psi";
    }
}

TEST(PresetList, UnknownNameIsRefusedWithTheKnownNamesAndTheBankUntouched) {
    auto bank = sentinelBank();
    const auto message = loadPreset("hurricane", *bank);
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find("hurricane"), std::string::npos);
    EXPECT_NE(message->find("taylor-green"), std::string::npos);
    EXPECT_EQ((*bank)[Slot::psi][0], Sentinel);
    EXPECT_EQ((*bank)[Slot::psi][GridPoints - 1], Sentinel);
}

TEST(DefaultField, LoadsTheSameAsTheDefaultPreset) {
    auto direct = sentinelBank();
    auto named = sentinelBank();
    loadDefaultField(*direct);
    ASSERT_FALSE(loadPreset("default", *named).has_value());
    EXPECT_EQ((*direct)[Slot::psi], (*named)[Slot::psi]);
}

TEST(DefaultField, HasVorticesOfBothSignsAndStartsWithoutSubSteps) {
    auto bank = sentinelBank();
    loadDefaultField(*bank);
    const auto omega = vorticityOf((*bank)[Slot::psi]);
    EXPECT_GT(*std::max_element(omega->begin(), omega->end()), 1.0);
    EXPECT_LT(*std::min_element(omega->begin(), omega->end()), -1.0);
    constexpr int WindowReynolds = 1000;
    auto rollback = std::make_unique<PackedSpectrum>();
    const FrameOutcome outcome = advanceFrame(*bank, WindowReynolds, *rollback);
    EXPECT_TRUE(outcome.finite);
    EXPECT_EQ(outcome.subSteps, 1);
}

TEST(TaylorGreen, VorticityIsTwiceSinXTimesSinY) {
    auto bank = sentinelBank();
    ASSERT_FALSE(loadPreset("taylor-green", *bank).has_value());
    const auto omega = vorticityOf((*bank)[Slot::psi]);
    double worst = 0.0;
    for (int y = 0; y < GridSize; ++y) {
        for (int x = 0; x < GridSize; ++x) {
            const double expected = 2.0 * std::sin(GridSpacing * x) * std::sin(GridSpacing * y);
            worst = std::max(worst, std::fabs((*omega)[entryIndex(y, x)] - expected));
        }
    }
    EXPECT_LT(worst, TransformTolerance);
}

TEST(TaylorGreen, EnergyAndEnstrophyAreThoseOfTheAnalyticField) {
    // u = sin x cos y, v = -cos x sin y: <u^2 + v^2> = 1/2; <omega^2> = 4 * 1/4.
    auto bank = sentinelBank();
    ASSERT_FALSE(loadPreset("taylor-green", *bank).has_value());
    EXPECT_DOUBLE_EQ(energy((*bank)[Slot::psi]), 0.25);
    EXPECT_DOUBLE_EQ(enstrophy((*bank)[Slot::psi]), 0.5);
}

TEST(ShearLayer, HasTwoThinLayersOfOppositeSign) {
    auto bank = sentinelBank();
    ASSERT_FALSE(loadPreset("shear-layer", *bank).has_value());
    const auto omega = vorticityOf((*bank)[Slot::psi]);
    // Rows at y = pi/2 and 3pi/2 hold the layers' centres; the peak there is 1/thickness, of
    // order 5, and the rows in between are nearly at rest.
    constexpr int LowerLayerRow = GridSize / 4;
    constexpr int UpperLayerRow = 3 * GridSize / 4;
    constexpr int QuietRow = GridSize / 2;
    constexpr double LayerPeakAtLeast = 4.0;
    constexpr double QuietAtMost = 0.5;
    for (int x = 0; x < GridSize; ++x) {
        EXPECT_LT((*omega)[entryIndex(LowerLayerRow, x)], -LayerPeakAtLeast);
        EXPECT_GT((*omega)[entryIndex(UpperLayerRow, x)], LayerPeakAtLeast);
        EXPECT_LT(std::fabs((*omega)[entryIndex(QuietRow, x)]), QuietAtMost);
    }
}

TEST(VortexPair, IsAnOppositeSignedMirrorImage) {
    auto bank = sentinelBank();
    ASSERT_FALSE(loadPreset("vortex-pair", *bank).has_value());
    const auto omega = vorticityOf((*bank)[Slot::psi]);
    const double highest = *std::max_element(omega->begin(), omega->end());
    const double lowest = *std::min_element(omega->begin(), omega->end());
    EXPECT_GT(highest, 1.0);
    EXPECT_NEAR(highest, -lowest, TransformTolerance * 10);
}

TEST(RandomTurbulence, SameSeedGivesTheSameFieldAndOtherSeedsDiffer) {
    auto first = sentinelBank();
    auto again = sentinelBank();
    auto other = sentinelBank();
    ASSERT_FALSE(loadPreset("mcwilliams", *first, 5).has_value());
    ASSERT_FALSE(loadPreset("mcwilliams", *again, 5).has_value());
    ASSERT_FALSE(loadPreset("mcwilliams", *other, 6).has_value());
    EXPECT_EQ((*first)[Slot::psi], (*again)[Slot::psi]);
    EXPECT_NE((*first)[Slot::psi], (*other)[Slot::psi]);
}

TEST(RandomTurbulence, HasUnitRmsSpeedAndAnEnergyPeakAtLowWaveNumbers) {
    auto bank = sentinelBank();
    ASSERT_FALSE(loadPreset("mcwilliams", *bank, 3).has_value());
    const PackedSpectrum& psi = (*bank)[Slot::psi];
    constexpr double MeanSquareSpeed = 1.0;
    EXPECT_NEAR(energy(psi), 0.5 * MeanSquareSpeed, 1e-12);
    // Energy in unit-wide shells of |K|; the spectrum rises as k^2 and falls as k^-2 around k0 = 6.
    std::vector<double> shells(BandLimit * 2, 0.0);
    forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const double value = psi[entryIndex(row, column)];
        shells[static_cast<std::size_t>(std::lround(std::sqrt(kSquared)))] += kSquared * value * value;
    });
    const auto peak = std::max_element(shells.begin(), shells.end()) - shells.begin();
    constexpr long LowestPeakShell = 3;
    constexpr long HighestPeakShell = 9;
    EXPECT_GE(peak, LowestPeakShell);
    EXPECT_LE(peak, HighestPeakShell);
    EXPECT_GT(shells[static_cast<std::size_t>(peak)], 10.0 * shells[BandLimit - 2]);
}

}  // namespace
}  // namespace swirlon
