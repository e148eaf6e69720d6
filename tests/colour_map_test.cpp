// SPDX-License-Identifier: GPL-3.0-or-later
// The colour maps: names both ways, each table's lightness shaped as its kind needs (a diverging
// map light in the middle, equally dark at both ends and falling evenly; a sequential one
// rising end to end), and the classic map painting pictures exactly as before.
#include "field_io/colour_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "field_io/colour_scale.h"
#include "tests/spectral_fixtures.h"

namespace swirlon {
namespace {

// CIE L* of an sRGB colour (D65), 0 black to 100 white.
double lightness(Rgb colour) {
    auto linear = [](std::uint8_t byte) {
        const double c = byte / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double y = 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) + 0.0722 * linear(colour.blue);
    return y > 216.0 / 24389.0 ? 116.0 * std::cbrt(y) - 16.0 : y * 24389.0 / 27.0;
}

TEST(ColourMap, NamesReadBackAndUnknownNamesAreRefused) {
    for (const ColourMap map : AllColourMaps) {
        EXPECT_EQ(parseColourMap(colourMapName(map)), map);
    }
    EXPECT_EQ(parseColourMap("classic"), ColourMap::classic);
    EXPECT_EQ(parseColourMap("diverging"), ColourMap::diverging);
    EXPECT_EQ(parseColourMap("sequential"), ColourMap::sequential);
    for (const char* name : {"", "viridis", "Classic", "diverging "}) {
        EXPECT_FALSE(parseColourMap(name)) << name;
    }
    EXPECT_EQ(colourTable(ColourMap::classic), nullptr);
}

struct LightnessShape {
    ColourMap map;
    // Lightness must not fall (sequential), or rise to the middle and fall after it (diverging),
    // by more than this from one entry to the next: rounding to bytes wobbles it a little.
    double wobble;
    // Largest difference of lightness between entries i and 255 - i (diverging only).
    double asymmetry;
    // Least lightness gained from the low end to the high end, or to the middle.
    double rise;
};

class TableLightness : public ::testing::TestWithParam<LightnessShape> {};

TEST_P(TableLightness, HasTheShapeOfItsKind) {
    const LightnessShape shape = GetParam();
    const ColourTable& table = *colourTable(shape.map);
    const bool diverging = centredOnZero(shape.map);
    const int half = ColourTableSize / 2;
    for (int i = 1; i < ColourTableSize; ++i) {
        const double step = lightness(table[i]) - lightness(table[i - 1]);
        // Toward the middle of a diverging map and all along a sequential one, lightness rises.
        const double signedStep = diverging && i >= half ? -step : step;
        EXPECT_GT(signedStep, -shape.wobble) << i;
    }
    if (diverging) {
        for (int i = 0; i < half; ++i) {
            EXPECT_NEAR(lightness(table[i]), lightness(table[ColourTableSize - 1 - i]), shape.asymmetry) << i;
        }
        EXPECT_GT(lightness(table[half]) - lightness(table.front()), shape.rise);
        // Blue below zero, red above: the two halves differ in hue, not only in lightness.
        EXPECT_GT(table.front().blue, table.front().red);
        EXPECT_GT(table.back().red, table.back().blue);
        // Near zero a light grey.
        const Rgb middle = table[half];
        EXPECT_LT(std::abs(middle.red - middle.blue), 16);
        EXPECT_GT(lightness(middle), 85.0);
    } else {
        EXPECT_GT(lightness(table.back()) - lightness(table.front()), shape.rise);
    }
}

INSTANTIATE_TEST_SUITE_P(Maps, TableLightness,
                         ::testing::Values(LightnessShape{ColourMap::diverging, 0.6, 1.5, 45.0},
                                           LightnessShape{ColourMap::sequential, 0.1, 0.0, 70.0}));

TEST(ColourMap, ADivergingMapPutsZeroInTheMiddleAndSpansPlusMinusTop) {
    for (const DisplayMode mode : {DisplayMode::vorticity, DisplayMode::speed}) {
        const ColourScale scale = fixedScale(mode, ColourMap::diverging);
        const ColourTable& table = *colourTable(ColourMap::diverging);
        const double top = colourRange(scale).high;
        const double share = 2.0 * top / ColourTableSize;
        EXPECT_EQ(colourOfValue(scale, top), table.back());
        EXPECT_EQ(colourOfValue(scale, 0.0), table[ColourTableSize / 2]);
        EXPECT_EQ(colourOfValue(scale, -share / 2), table[ColourTableSize / 2 - 1]);
        EXPECT_EQ(colourOfValue(scale, -top), table.front());
        EXPECT_EQ(colourOfValue(scale, 10.0 * top), table.back());
        EXPECT_EQ(colourOfValue(scale, std::nan("")), table.front());
    }
}

TEST(ColourMap, ASequentialMapSpansTheColourRangeFromItsLowEnd) {
    const ColourTable& table = *colourTable(ColourMap::sequential);
    const ColourScale speed = fixedScale(DisplayMode::speed, ColourMap::sequential);
    EXPECT_EQ(colourOfValue(speed, 0.0), table.front());
    EXPECT_EQ(colourOfValue(speed, colourRange(speed).high), table.back());
    // The middle of entry 128's share.
    EXPECT_EQ(colourOfValue(speed, colourRange(speed).high * 128.5 / ColourTableSize), table[ColourTableSize / 2]);
    const ColourScale vorticity = fixedScale(DisplayMode::vorticity, ColourMap::sequential);
    EXPECT_EQ(colourOfValue(vorticity, colourRange(vorticity).low), table.front());
    EXPECT_EQ(colourOfValue(vorticity, 0.0), table[ColourTableSize / 2]);
}

TEST(ColourMap, TheClassicScalePaintsExactlyTheEstablishedPicture) {
    const PackedSpectrum omega = testing::sampleGrid(
        [](int x, int y) { return 3.0 * std::sin(testing::phaseAngle(x)) * std::cos(2.0 * testing::phaseAngle(y)); });
    auto simulation = std::make_unique<Simulation>(1000);
    simulation->setStateFromVorticity(omega);
    for (const DisplayMode mode : {DisplayMode::vorticity, DisplayMode::speed}) {
        PictureBuffer established;
        PictureBuffer scaled;
        renderPicture(*simulation, mode, established);
        renderPicture(*simulation, fixedScale(mode), scaled);
        EXPECT_EQ(scaled, established);
        // A tabled map paints the same state in its own colours.
        PictureBuffer tabled;
        renderPicture(*simulation, fixedScale(mode, ColourMap::diverging), tabled);
        EXPECT_EQ(tabled.size(), established.size());
        EXPECT_NE(tabled, established);
    }
}

TEST(ColourMap, TabledPicturesTakeEachPixelsColourFromTheLegendsRule) {
    const PackedSpectrum omega = testing::sampleGrid(
        [](int x, int y) { return 2.0 * std::sin(testing::phaseAngle(x)) * std::sin(testing::phaseAngle(y)); });
    auto simulation = std::make_unique<Simulation>(1000);
    simulation->setStateFromVorticity(omega);
    const ColourScale scale = fittedScale(DisplayMode::vorticity, 2.0, ColourMap::sequential);
    PictureBuffer picture;
    renderPicture(*simulation, scale, picture);
    const PackedSpectrum& vorticity = simulation->gridVorticity();
    for (std::size_t k = 0; k < vorticity.size(); k += 97) {
        const Rgb expected = colourOfValue(scale, vorticity[k]);
        EXPECT_EQ(picture[k * 3 + PictureRedByte], expected.red) << k;
        EXPECT_EQ(picture[k * 3 + PictureGreenByte], expected.green) << k;
        EXPECT_EQ(picture[k * 3 + PictureBlueByte], expected.blue) << k;
    }
}

}  // namespace
}  // namespace swirlon
