// SPDX-License-Identifier: GPL-3.0-or-later
// Colour scales: the fitted range reaches white at the state's peak (both signs of vorticity),
// the fixed one spans the established mapping, and legends mark round values.
#include "field_io/colour_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "tests/spectral_fixtures.h"

namespace swirlon {
namespace {

bool isWhite(Rgb colour) { return colour.red == 255 && colour.green == 255 && colour.blue == 255; }

// omega = amplitude sin x sin y: peak |omega| = amplitude at (pi/2, pi/2) and -amplitude at
// (pi/2, 3 pi/2); its velocity peaks at u^2 + v^2 = amplitude^2 / 4 at (pi/2, 0).
std::unique_ptr<Simulation> sineCells(double amplitude) {
    const PackedSpectrum omega = testing::sampleGrid([amplitude](int x, int y) {
        return amplitude * std::sin(testing::phaseAngle(x)) * std::sin(testing::phaseAngle(y));
    });
    auto simulation = std::make_unique<Simulation>(1000);
    simulation->setStateFromVorticity(omega);
    return simulation;
}

TEST(FittedScale, ThePeakOfEitherQuantityAndSignJustReachesWhite) {
    constexpr double Amplitude = 2.0;
    const auto simulation = sineCells(Amplitude);
    struct Case {
        DisplayMode mode;
        double peak;
        std::vector<int> whiteRows;  // rows of column 32 (x = pi/2) holding the extremes
    };
    for (const Case& c : {Case{DisplayMode::vorticity, Amplitude, {32, 96}},
                          Case{DisplayMode::speed, Amplitude * Amplitude / 4.0, {0, 64}}}) {
        const double peak = picturePeak(*simulation, c.mode);
        EXPECT_NEAR(peak, c.peak, 1e-12);
        const ColourScale scale = fittedScale(c.mode, peak);
        const ValueRange range = colourRange(scale);
        EXPECT_NEAR(range.high, c.peak, 1e-12);
        EXPECT_EQ(range.low, c.mode == DisplayMode::vorticity ? -range.high : 0.0);
        PictureBuffer picture{};
        renderPicture(*simulation, c.mode, picture, scale.gain);
        for (const int row : c.whiteRows) {
            const std::size_t at = static_cast<std::size_t>(Grid{}.entryIndex(row, 32)) * PictureBytesPerPixel;
            EXPECT_EQ(picture[at] + picture[at + 1] + picture[at + 2], 3 * 255) << row;
        }
        // Half the peak is not saturated: the range is spread, not clipped.
        EXPECT_FALSE(isWhite(colourOfValue(scale, c.peak / 2)));
    }
    // Where the quotient rounds down, the gain is nudged up so that the peak still reaches white.
    for (const auto& [mode, peak] : {std::pair{DisplayMode::vorticity, 2.1}, {DisplayMode::speed, 5.5}}) {
        EXPECT_TRUE(isWhite(colourOfValue(fittedScale(mode, peak), peak))) << peak;
    }
}

// The established mapping: vorticity 1 is (32, 8, 4); white at 510 / 8 and 425 / 32.
TEST(FixedScale, SpansTheEstablishedMappingAndStandsInWhenThereIsNothingToFit) {
    const ColourScale vorticity = fixedScale(DisplayMode::vorticity);
    EXPECT_EQ(colourRange(vorticity).high, 63.75);
    EXPECT_EQ(colourRange(vorticity).low, -63.75);
    EXPECT_EQ(colourRange(fixedScale(DisplayMode::speed)).high, 425.0 / 32.0);
    const Rgb one = colourOfValue(vorticity, 1.0);
    EXPECT_EQ((std::vector<int>{one.red, one.green, one.blue}), (std::vector<int>{32, 8, 4}));
    for (const double peak :
         {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e-320}) {
        EXPECT_EQ(fittedScale(DisplayMode::speed, peak).gain, SquaredSpeedGain) << peak;
    }
}

TEST(LegendTicks, MarkRoundValuesInsideTheRangeAndNoMoreThanAsked) {
    struct Case {
        ValueRange range;
        int maxTicks;
        std::vector<double> ticks;
    };
    const Case cases[] = {
        {{-2.0, 2.0}, 9, {-2.0, -1.5, -1.0, -0.5, 0.0, 0.5, 1.0, 1.5, 2.0}},
        {{-63.75, 63.75}, 9, {-60.0, -40.0, -20.0, 0.0, 20.0, 40.0, 60.0}},
        {{0.0, 13.28125}, 7, {0.0, 5.0, 10.0}},
        {{0.0, 0.0037}, 5, {0.0, 0.001, 0.002, 0.003}},
        {{-0.7, 0.3}, 2, {0.0}},
        {{1.0, 1.0}, 5, {}},
    };
    for (const Case& c : cases) {
        const std::vector<double> ticks = legendTicks(c.range, c.maxTicks);
        ASSERT_EQ(ticks.size(), c.ticks.size()) << c.range.low << ".." << c.range.high;
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_NEAR(ticks[i], c.ticks[i], 1e-12) << c.range.high << " tick " << i;
        }
    }
}

}  // namespace
}  // namespace swirlon
