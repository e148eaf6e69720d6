// SPDX-License-Identifier: GPL-3.0-or-later
// The movie overlay: the time drawn in white on a dark box at the top left, changing with the
// time, and the colour bar of the scale at the right edge; the flow's pixels elsewhere untouched.
#include "field_io/frame_overlay.h"

#include <gtest/gtest.h>

#include <vector>

namespace swirlon {
namespace {

constexpr int Side = 384;

Rgb pixelAt(const std::vector<std::uint8_t>& rgb, int x, int y) {
    const auto at = (static_cast<std::size_t>(y) * Side + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

std::vector<std::uint8_t> overlaid(double time, const ColourScale& scale) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(Side) * Side * 3, 100);
    drawFrameOverlay(rgb, Side, time, scale);
    return rgb;
}

TEST(FrameOverlay, TheTimeAndTheColourBarAreDrawnAndNothingElse) {
    const ColourScale scale = fixedScale(DisplayMode::vorticity, ColourMap::diverging);
    const std::vector<std::uint8_t> early = overlaid(1.0, scale);
    const std::vector<std::uint8_t> late = overlaid(2.5, scale);
    const Rgb ground{100, 100, 100};
    const Rgb white{255, 255, 255};
    const Rgb black{0, 0, 0};

    // The stamp's corner: white glyphs on black, differing with the time.
    int white1 = 0;
    int differing = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 120; ++x) {
            const Rgb colour = pixelAt(early, x, y);
            EXPECT_TRUE(colour == white || colour == black || colour == ground) << x << ", " << y;
            white1 += colour == white ? 1 : 0;
            differing += colour == pixelAt(late, x, y) ? 0 : 1;
        }
    }
    EXPECT_GT(white1, 50);
    EXPECT_GT(differing, 10);

    // The bar along the right edge: its top the range's top colour, its bottom the bottom's,
    // outlined in black.
    const int barHeight = static_cast<int>(Side * 0.6);
    const int barTop = (Side - barHeight) / 2;
    const int barColumn = Side - 12;
    const ValueRange range = colourRange(scale);
    EXPECT_EQ(pixelAt(early, barColumn, barTop), colourOfValue(scale, valueOfBarRow(range, 0, barHeight)));
    EXPECT_EQ(pixelAt(early, barColumn, barTop + barHeight - 1),
              colourOfValue(scale, valueOfBarRow(range, barHeight - 1, barHeight)));
    EXPECT_EQ(pixelAt(early, barColumn, barTop - 1), black);

    // The flow's pixels elsewhere are as they were.
    for (const auto& [x, y] : {std::pair{Side / 2, Side / 2}, std::pair{0, Side - 1}, std::pair{Side - 1, 0}}) {
        EXPECT_EQ(pixelAt(early, x, y), ground) << x << ", " << y;
    }
}

}  // namespace
}  // namespace swirlon
