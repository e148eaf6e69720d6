#include "field_io/picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

#include "solver/grid.h"

namespace swirlon {
namespace {

constexpr std::uint8_t Saturated = 255;
constexpr std::size_t BlueAt = 0;
constexpr std::size_t GreenAt = 1;
constexpr std::size_t RedAt = 2;
constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double Huge = 1e300;

bool sameColour(Rgb a, Rgb b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

::testing::AssertionResult isColour(Rgb actual, int red, int green, int blue) {
    if (actual.red == red && actual.green == green && actual.blue == blue) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got red " << int{actual.red} << ", green " << int{actual.green} << ", blue "
                                         << int{actual.blue};
}

Rgb pixelAt(const PictureBuffer& picture, int i, int j) {
    const std::size_t at = static_cast<std::size_t>(entryIndex(i, j)) * 3;
    return Rgb{.red = picture[at + RedAt], .green = picture[at + GreenAt], .blue = picture[at + BlueAt]};
}

std::unique_ptr<FieldBank> zeroBank() {
    auto bank = std::make_unique<FieldBank>();
    for (auto& slot : bank->slots) {
        slot.fill(0.0);
    }
    return bank;
}

// ---- Colour maps ---------------------------------------------------------------------------

TEST(VorticityColour, SampleVorticitiesGiveTheirColours) {
    // The picture multiplies vorticity by 8 before the map.
    EXPECT_TRUE(isColour(mapVorticityColor(8.0), 32, 8, 4));
    EXPECT_TRUE(isColour(mapVorticityColor(-8.0), 5, 11, 44));
    EXPECT_TRUE(isColour(mapVorticityColor(80.0), 255, 80, 40));
    EXPECT_TRUE(isColour(mapVorticityColor(-80.0), 56, 112, 255));
    EXPECT_TRUE(isColour(mapVorticityColor(0.0), 0, 0, 0));
}

TEST(VorticityColour, NotANumberIsBlack) { EXPECT_TRUE(isColour(mapVorticityColor(NotANumber), 0, 0, 0)); }

TEST(VorticityColour, HugeValuesOfEitherSignSaturateToWhite) {
    for (const double value : {Huge, -Huge, Infinity, -Infinity}) {
        EXPECT_TRUE(isColour(mapVorticityColor(value), Saturated, Saturated, Saturated)) << value;
    }
}

TEST(VorticityColour, ChannelsTruncateTowardZero) {
    // 4 * 7.99 = 31.96, 0.5 * 7.99 = 3.995; -0.7 * -7.99 = 5.593, -1.4 * -7.99 = 11.186.
    EXPECT_TRUE(isColour(mapVorticityColor(7.99), 31, 7, 3));
    EXPECT_TRUE(isColour(mapVorticityColor(-7.99), 5, 11, 44));
}

TEST(VorticityColour, PositiveRunsThroughRedBeforeGreenAndBlue) {
    // Red saturates at 63.75, green at 255, blue at 510.
    EXPECT_TRUE(isColour(mapVorticityColor(64.0), Saturated, 64, 32));
    EXPECT_TRUE(isColour(mapVorticityColor(300.0), Saturated, Saturated, 150));
}

TEST(SpeedColour, SquaredSpeedOfOneHundredIsBluishGrey) {
    EXPECT_TRUE(isColour(mapSpeedColor(100.0), 60, 75, 89));
}

TEST(SpeedColour, BlueFactorIsTheDoubleJustBelowNineTenths) {
    // 0.9 would give exactly 27, 45 and 90 here; the factor one step below falls short of each.
    EXPECT_EQ(mapSpeedColor(30.0).blue, 26);
    EXPECT_EQ(mapSpeedColor(50.0).blue, 44);
    EXPECT_EQ(mapSpeedColor(100.0).blue, 89);
}

TEST(SpeedColour, BlueSaturatesFirstThenGreenThenRed) {
    EXPECT_TRUE(isColour(mapSpeedColor(284.0), 170, 213, Saturated));
    EXPECT_TRUE(isColour(mapSpeedColor(340.0), 204, Saturated, Saturated));
    EXPECT_TRUE(isColour(mapSpeedColor(425.0), Saturated, Saturated, Saturated));
}

TEST(SpeedColour, NotANumberAndNegativeValuesAreBlack) {
    EXPECT_TRUE(isColour(mapSpeedColor(NotANumber), 0, 0, 0));
    EXPECT_TRUE(isColour(mapSpeedColor(-5.0), 0, 0, 0));
    EXPECT_TRUE(isColour(mapSpeedColor(0.0), 0, 0, 0));
}

TEST(SpeedColour, HugeValuesSaturateToWhite) {
    EXPECT_TRUE(isColour(mapSpeedColor(Huge), Saturated, Saturated, Saturated));
    EXPECT_TRUE(isColour(mapSpeedColor(Infinity), Saturated, Saturated, Saturated));
}

// ---- Pictures of the bank ------------------------------------------------------------------

TEST(SpeedPicture, VelocityOfOnePointTwoFiveAtAPointColoursThatPixelOnly) {
    constexpr int row = 3;
    constexpr int column = 5;
    constexpr double component = 1.25;  // (1.25^2 + 1.25^2) * 32 = 100
    auto bank = zeroBank();
    (*bank)[Slot::velX][entryIndex(row, column)] = component;
    (*bank)[Slot::velY][entryIndex(row, column)] = component;
    PictureBuffer picture{};
    renderSpeedImage(*bank, picture);

    const std::size_t at = static_cast<std::size_t>(entryIndex(row, column)) * 3;
    EXPECT_EQ(picture[at], 89) << "blue first";
    EXPECT_EQ(picture[at + 1], 75);
    EXPECT_EQ(picture[at + 2], 60) << "red last";
    for (int i = 0; i < GridSize; ++i) {
        for (int j = 0; j < GridSize; ++j) {
            if (i != row || j != column) {
                ASSERT_TRUE(isColour(pixelAt(picture, i, j), 0, 0, 0)) << i << ", " << j;
            }
        }
    }
}

TEST(SpeedPicture, ReadsNothingButTheVelocitySlots) {
    auto bank = zeroBank();
    (*bank)[Slot::psi].fill(1.0);
    (*bank)[Slot::gradX].fill(1.0);
    PictureBuffer picture{};
    picture.fill(Saturated);
    renderSpeedImage(*bank, picture);
    for (const std::uint8_t byte : picture) {
        ASSERT_EQ(byte, 0);
    }
}

TEST(VorticityPicture, ZeroStateIsAllBlack) {
    auto bank = zeroBank();
    PictureBuffer picture;
    picture.fill(Saturated);
    renderVorticityImage(*bank, picture);
    for (const std::uint8_t byte : picture) {
        ASSERT_EQ(byte, 0);
    }
}

// psi = -(amplitude) cos x has vorticity amplitude * cos x: positive at column 0, negative at 64.
TEST(VorticityPicture, ShowsTheLaplacianOfPsiWithItsSign) {
    constexpr double amplitude = 1.1;  // v = 8.8: away from any channel boundary
    constexpr int firstColumn = 1;     // Re F(1, 0) at row 0, column 1 contributes 2 v cos x
    constexpr int oppositeColumn = GridSize / 2;
    auto bank = zeroBank();
    (*bank)[Slot::psi][entryIndex(0, firstColumn)] = -amplitude / 2.0;
    const PackedSpectrum psiBefore = (*bank)[Slot::psi];
    PictureBuffer picture{};
    renderVorticityImage(*bank, picture);

    for (int i = 0; i < GridSize; ++i) {
        // 8.8 gives red 35.2, green 8.8, blue 4.4; -8.8 gives 6.16, 12.32, 49.28.
        ASSERT_TRUE(isColour(pixelAt(picture, i, 0), 35, 8, 4)) << i;
        ASSERT_TRUE(isColour(pixelAt(picture, i, oppositeColumn), 6, 12, 49)) << i;
    }
    EXPECT_EQ((*bank)[Slot::psi], psiBefore);
    constexpr double gridTolerance = 1e-12;
    EXPECT_NEAR((*bank)[Slot::psiBase][entryIndex(7, 0)], amplitude, gridTolerance);
    EXPECT_NEAR((*bank)[Slot::psiBase][entryIndex(7, oppositeColumn)], -amplitude, gridTolerance);
}

TEST(VorticityPicture, IgnoresTheMeanAndEverythingOutsideTheBand) {
    auto bank = zeroBank();
    (*bank)[Slot::psi][0] = 5.0;
    (*bank)[Slot::psi][entryIndex(0, BandLimit + 1)] = 5.0;
    (*bank)[Slot::psi][entryIndex(BandLimit + 1, 0)] = 5.0;
    PictureBuffer picture;
    picture.fill(Saturated);
    renderVorticityImage(*bank, picture);
    for (const std::uint8_t byte : picture) {
        ASSERT_EQ(byte, 0);
    }
}

TEST(Picture, DisplayModeChoosesTheQuantity) {
    auto bank = zeroBank();
    (*bank)[Slot::velX].fill(1.25);
    (*bank)[Slot::velY].fill(1.25);
    PictureBuffer picture{};
    renderPicture(*bank, DisplayMode::speed, picture);
    EXPECT_TRUE(isColour(pixelAt(picture, 0, 0), 60, 75, 89));
    renderPicture(*bank, DisplayMode::vorticity, picture);
    EXPECT_TRUE(isColour(pixelAt(picture, 0, 0), 0, 0, 0));
}

// ---- Enlargement ---------------------------------------------------------------------------

TEST(StretchedPicture, EachGridPointIsAThreeByThreeBlockWithRowZeroAtTheBottom) {
    constexpr Rgb marked{.red = 10, .green = 20, .blue = 30};
    constexpr int row = 0;
    constexpr int column = 2;
    PictureBuffer picture{};
    const std::size_t at = static_cast<std::size_t>(entryIndex(row, column)) * 3;
    picture[at + BlueAt] = marked.blue;
    picture[at + GreenAt] = marked.green;
    picture[at + RedAt] = marked.red;
    auto stretched = std::make_unique<StretchedPicture>();
    stretchPicture(picture, *stretched);

    const int top = PictureScale * (GridSize - 1 - row);
    const int left = PictureScale * column;
    for (int y = 0; y < PictureSide; ++y) {
        for (int x = 0; x < PictureSide; ++x) {
            const std::size_t offset = (static_cast<std::size_t>(y) * PictureSide + static_cast<std::size_t>(x)) * 3;
            const Rgb shown{.red = (*stretched)[offset], .green = (*stretched)[offset + 1], .blue = (*stretched)[offset + 2]};
            const bool inBlock = y >= top && y < top + PictureScale && x >= left && x < left + PictureScale;
            ASSERT_TRUE(sameColour(shown, inBlock ? marked : Rgb{})) << "screen row " << y << ", column " << x;
        }
    }
}

}  // namespace
}  // namespace swirlon
