// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

#include "solver/grid.h"
#include "solver/simulation.h"

namespace swirlon {
namespace {

constexpr int Full = 255;
constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double Huge = 1e300;

using Colour = std::array<int, 3>;  // red, green, blue
constexpr Colour Black{0, 0, 0};
constexpr Colour White{Full, Full, Full};

struct ColourSample {
    double value;
    Colour colour;
};

Colour colourOf(Rgb rgb) { return {rgb.red, rgb.green, rgb.blue}; }

// The picture stores blue, green, red for element (i, j) at pixel 128 i + j.
Colour pixelAt(const PictureBuffer& picture, int i, int j) {
    const std::size_t at = static_cast<std::size_t>(DefaultGridSize * i + j) * 3;
    return {picture[at + 2], picture[at + 1], picture[at]};
}

std::ptrdiff_t nonZeroBytes(const PictureBuffer& picture) {
    return std::ranges::count_if(picture, [](int byte) { return byte != 0; });
}

// ---- Colour maps ---------------------------------------------------------------------------

// The picture multiplies vorticity by 8 before the map: +-1 and +-10 become +-8 and +-80.
// Channels truncate toward zero (4 * 7.99 = 31.96); positive values saturate red at 63.75,
// green at 255 and blue at 510.
TEST(VorticityColour, SampleValuesGiveTheirColours) {
    const ColourSample samples[] = {
        {8.0, {32, 8, 4}},        {-8.0, {5, 11, 44}},    {80.0, {Full, 80, 40}},
        {-80.0, {56, 112, Full}}, {0.0, Black},           {7.99, {31, 7, 3}},
        {-7.99, {5, 11, 44}},     {64.0, {Full, 64, 32}}, {300.0, {Full, Full, 150}},
        {NotANumber, Black},      {Huge, White},          {-Huge, White},
        {Infinity, White},        {-Infinity, White},
    };
    for (const ColourSample& sample : samples) {
        EXPECT_EQ(colourOf(mapVorticityColor(sample.value)), sample.colour) << sample.value;
    }
}

// The blue factor is the double just below 0.9: 30, 50 and 100 fall short of 27, 45 and 90.
// Blue saturates first, then green, then red.
TEST(SpeedColour, SampleValuesGiveTheirColours) {
    const ColourSample samples[] = {
        {100.0, {60, 75, 89}},
        {30.0, {18, 22, 26}},
        {50.0, {30, 37, 44}},
        {284.0, {170, 213, Full}},
        {340.0, {204, Full, Full}},
        {425.0, White},
        {NotANumber, Black},
        {-5.0, Black},
        {0.0, Black},
        {Huge, White},
        {Infinity, White},
    };
    for (const ColourSample& sample : samples) {
        EXPECT_EQ(colourOf(mapSpeedColor(sample.value)), sample.colour) << sample.value;
    }
}

// ---- Pictures of fields --------------------------------------------------------------------

// Squared speed (1.25^2 + 1.25^2) * 32 = 100 at one point; vorticity 1.1 at another and -1.1 at
// a third show as 8.8 and -8.8: red 35.2, green 8.8, blue 4.4, and 6.16, 12.32, 49.28. Stored
// blue, green, red; every other pixel black.
TEST(FieldPictures, ShowEachGridPointsValueAtItsOwnPixel) {
    auto a = std::make_unique<PackedSpectrum>(Grid{});
    auto b = std::make_unique<PackedSpectrum>(Grid{});
    a->fill(0.0);
    b->fill(0.0);
    (*a)[Grid{}.entryIndex(3, 5)] = 1.25;
    (*b)[Grid{}.entryIndex(3, 5)] = 1.25;
    PictureBuffer picture(static_cast<std::size_t>(Grid{}.points()) * PictureBytesPerPixel, Full);
    renderSpeedImage(*a, *b, picture);
    EXPECT_EQ(pixelAt(picture, 3, 5), (Colour{60, 75, 89}));
    EXPECT_EQ(nonZeroBytes(picture), 3);

    a->fill(0.0);
    (*a)[Grid{}.entryIndex(7, 0)] = 1.1;
    (*a)[Grid{}.entryIndex(7, 64)] = -1.1;
    std::fill(picture.begin(), picture.end(), Full);
    renderVorticityImage(*a, picture);
    EXPECT_EQ(pixelAt(picture, 7, 0), (Colour{35, 8, 4}));
    EXPECT_EQ(pixelAt(picture, 7, 64), (Colour{6, 12, 49}));
    EXPECT_EQ(nonZeroBytes(picture), 6);
}

// psi = -1.1 cos x: vorticity 1.1 cos x and velocity (0, 1.1 sin x). Column 0 has vorticity
// 8.8 after the gain and no speed; column 32 has squared speed 1.21 * 32 and no vorticity.
TEST(Picture, DisplayModeChoosesTheQuantityOfTheSimulationsState) {
    auto psi = std::make_unique<PackedSpectrum>(Grid{});
    psi->fill(0.0);
    (*psi)[Grid{}.entryIndex(0, 1)] = -0.55;  // Re F(1, 0) contributes 2 Re F cos x
    Simulation simulation(1000);
    simulation.setState(*psi);
    PictureBuffer picture;
    renderPicture(simulation, DisplayMode::vorticity, picture);
    EXPECT_EQ(pixelAt(picture, 5, 0), (Colour{35, 8, 4}));
    EXPECT_EQ(pixelAt(picture, 5, 32), Black);
    renderPicture(simulation, DisplayMode::speed, picture);
    EXPECT_EQ(pixelAt(picture, 5, 0), Black);
    EXPECT_EQ(pixelAt(picture, 5, 32), (Colour{23, 29, 34}));
}

// ---- Enlargement ---------------------------------------------------------------------------

// 6 pixels a point at 64, 3 at 128 (a 384-pixel picture), 2 at 256, 1 at 512.
TEST(StretchedPicture, EachGridPointIsABlockOfTheGridsScaleWithRowZeroAtTheBottom) {
    constexpr int row = 0;
    constexpr int column = 2;
    constexpr Colour marked{10, 0, 30};
    const struct {
        int size;
        int scale;
    } cases[] = {{64, 6}, {128, 3}, {256, 2}, {512, 1}};
    for (const auto& c : cases) {
        ASSERT_EQ(defaultPictureScale(Grid(c.size)), c.scale);
        PictureBuffer picture(static_cast<std::size_t>(c.size * c.size) * PictureBytesPerPixel);
        const std::size_t at = static_cast<std::size_t>(c.size * row + column) * 3;
        picture[at] = 30;      // blue
        picture[at + 2] = 10;  // red
        StretchedPicture stretched;
        stretchPicture(picture, c.size, c.scale, stretched);
        const int side = c.size * c.scale;
        ASSERT_EQ(stretched.size(), static_cast<std::size_t>(side * side * 3));
        const int top = c.scale * (c.size - 1 - row);
        const int left = c.scale * column;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const std::size_t offset = (static_cast<std::size_t>(y) * side + static_cast<std::size_t>(x)) * 3;
                const Colour shown{stretched[offset], stretched[offset + 1], stretched[offset + 2]};
                const bool inBlock = y >= top && y < top + c.scale && x >= left && x < left + c.scale;
                ASSERT_EQ(shown, inBlock ? marked : Black) << c.size << ": screen row " << y << ", column " << x;
            }
        }
    }
}

}  // namespace
}  // namespace swirlon
