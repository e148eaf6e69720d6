// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/frame_overlay.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

namespace swirlon {
namespace {

constexpr int RgbBytes = 3;
constexpr int GlyphWidth = 5;
constexpr int GlyphHeight = 7;
// One blank column between glyphs and a margin of one glyph pixel round the text.
constexpr int GlyphAdvance = GlyphWidth + 1;
constexpr int TextMargin = 1;
// Pixels of picture per pixel of glyph: the text stays readable from 64 pixels up.
constexpr int PicturePerGlyphPixel = 192;
// The bar: a 32nd of the picture wide, the middle three fifths of it tall, off the edge by its
// own width's half.
constexpr int BarWidthShare = 32;
constexpr double BarHeightShare = 0.6;
constexpr Rgb TextColour{255, 255, 255};
constexpr Rgb BoxColour{0, 0, 0};
constexpr Rgb OutlineColour{0, 0, 0};

struct Glyph {
    char character;
    // Rows top-down, the glyph's leftmost pixel in bit 4.
    std::array<std::uint8_t, GlyphHeight> rows;
};

// The characters a time stamp needs, in the common 5 x 7 dot-matrix shapes.
constexpr std::array Glyphs{
    Glyph{'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, Glyph{'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    Glyph{'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, Glyph{'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    Glyph{'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, Glyph{'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    Glyph{'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, Glyph{'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    Glyph{'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, Glyph{'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    Glyph{'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, Glyph{'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    Glyph{'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}}, Glyph{'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
    Glyph{' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
};

class Canvas {
  public:
    Canvas(std::span<std::uint8_t> rgb, int side) : rgb_(rgb), side_(side) {}

    // Fills the rectangle, cut to the picture.
    void fill(int left, int top, int width, int height, Rgb colour) {
        for (int y = std::max(top, 0); y < std::min(top + height, side_); ++y) {
            for (int x = std::max(left, 0); x < std::min(left + width, side_); ++x) {
                const auto at = (static_cast<std::size_t>(y) * side_ + x) * RgbBytes;
                rgb_[at] = colour.red;
                rgb_[at + 1] = colour.green;
                rgb_[at + 2] = colour.blue;
            }
        }
    }

  private:
    std::span<std::uint8_t> rgb_;
    int side_;
};

void drawText(Canvas& canvas, std::string_view text, int left, int top, int scale) {
    for (const char character : text) {
        const auto glyph = std::ranges::find(Glyphs, character, &Glyph::character);
        if (glyph != Glyphs.end()) {
            for (int row = 0; row < GlyphHeight; ++row) {
                for (int column = 0; column < GlyphWidth; ++column) {
                    if ((glyph->rows[static_cast<std::size_t>(row)] >> (GlyphWidth - 1 - column) & 1) != 0) {
                        canvas.fill(left + column * scale, top + row * scale, scale, scale, TextColour);
                    }
                }
            }
        }
        left += GlyphAdvance * scale;
    }
}

}  // namespace

void drawFrameOverlay(std::span<std::uint8_t> rgb, int side, double time, const ColourScale& scale) {
    Canvas canvas(rgb, side);
    const int dot = std::max(1, side / PicturePerGlyphPixel);
    char text[48];
    const int length = std::snprintf(text, sizeof text, "t = %.2f", time);
    const int characters = std::clamp(length, 0, static_cast<int>(sizeof text) - 1);
    canvas.fill(0, 0, (characters * GlyphAdvance + 2 * TextMargin) * dot, (GlyphHeight + 2 * TextMargin) * dot,
                BoxColour);
    drawText(canvas, std::string_view(text, static_cast<std::size_t>(characters)), TextMargin * dot, TextMargin * dot,
             dot);

    const int barWidth = std::max(2, side / BarWidthShare);
    const int barHeight = std::max(2, static_cast<int>(side * BarHeightShare));
    const int barLeft = side - barWidth - barWidth / 2;
    const int barTop = (side - barHeight) / 2;
    canvas.fill(barLeft - 1, barTop - 1, barWidth + 2, barHeight + 2, OutlineColour);
    const ValueRange range = colourRange(scale);
    for (int row = 0; row < barHeight; ++row) {
        canvas.fill(barLeft, barTop + row, barWidth, 1, colourOfValue(scale, valueOfBarRow(range, row, barHeight)));
    }
}

}  // namespace swirlon
