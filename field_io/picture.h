// SPDX-License-Identifier: GPL-3.0-or-later
// The false-colour pictures of the flow and the picture of its dye: colour maps, the picture
// buffer (one pixel per grid point) and its enlargement as the window shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "solver/grid.h"
#include "solver/simulation.h"

namespace swirlon {

// Which quantity the picture shows (the window's displayMode: 0 vorticity, 1 squared speed,
// 2 the dye the flow carries).
enum class DisplayMode : int { vorticity = 0, speed = 1, dye = 2 };

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const Rgb&) const = default;
};

// Byte layout of one picture pixel: blue, green, red.
inline constexpr std::size_t PictureBytesPerPixel = 3;
inline constexpr std::size_t PictureBlueByte = 0;
inline constexpr std::size_t PictureGreenByte = 1;
inline constexpr std::size_t PictureRedByte = 2;

// N x N pixels of blue, green, red for a grid of N points a side; rows bottom-up (row 0 drawn
// at the bottom), 3N bytes a row; pixel N*i + j belongs to field element (i, j). The renderers
// size it to their field's grid (allocating only when that size changes).
using PictureBuffer = std::vector<std::uint8_t>;

// The enlarged picture: side x side pixels of red, green, blue, rows top-down (screen order).
using StretchedPicture = std::vector<std::uint8_t>;

// Screen pixels a side that the enlarged picture keeps about at every grid.
inline constexpr int PictureTargetSide = 384;
// Whole screen pixels per grid point at which a grid's picture comes nearest the target side:
// 6 at 64, 3 at 128, 2 at 256, 1 at 512.
constexpr int defaultPictureScale(const Grid& grid) {
    const int nearest = (2 * PictureTargetSide / grid.size() + 1) / 2;
    return nearest < 1 ? 1 : nearest;
}

// The largest enlargement a picture may be asked for: a 64-point grid then makes 1024 pixels a side.
inline constexpr int MaxPictureScale = 16;

// Gains from the physical quantity to the colour map's input in the fixed mapping the window
// starts with: vorticity times 8, squared speed times 32.
inline constexpr double VorticityGain = 8.0;
inline constexpr double SquaredSpeedGain = 32.0;

Rgb mapSpeedColor(double value);
Rgb mapVorticityColor(double value);

// The fixed mapping's gain of the mode's quantity.
double fixedGain(DisplayMode mode);
// The smallest colour-map input at which the mode's map is white on both signs: the top of
// its colour range.
double whiteInput(DisplayMode mode);
// The smallest colour-map input at which the mode's map has one channel at full strength on
// either sign: where its colours stop gaining and start to pale toward white.
double fullChannelInput(DisplayMode mode);

// From grid velocities; each squared speed is multiplied by gain before the map.
void renderSpeedImage(const PackedSpectrum& velX, const PackedSpectrum& velY, PictureBuffer& picture,
                      double gain = SquaredSpeedGain);
// From grid vorticity; each value is multiplied by gain before the map.
void renderVorticityImage(const PackedSpectrum& gridVorticity, PictureBuffer& picture, double gain = VorticityGain);
// The dye as a picture: each colour rounded to the nearest byte value within 0..255.
void renderDyeImage(const DyeField& dye, PictureBuffer& picture);
// A picture of the grid's size (N x N pixels) as dye of the same colours.
DyeField dyeOfPicture(const PictureBuffer& picture, const Grid& grid);
// The dye a run starts with when no picture's colours are at hand: its vorticity picture in
// the fixed mapping.
DyeField vorticityDye(const Simulation& simulation);

// The picture of the simulation's current state that the display mode chooses, in the fixed
// mapping or with the gain given (the dye has no gain; without dye its picture is the
// vorticity's).
void renderPicture(const Simulation& simulation, DisplayMode mode, PictureBuffer& picture);
void renderPicture(const Simulation& simulation, DisplayMode mode, PictureBuffer& picture, double gain);

// Nearest-neighbour enlargement of a picture of gridSize x gridSize pixels, each pixel a block of
// scale x scale, row 0 of the picture at the bottom; stretched is sized to (gridSize * scale)^2
// pixels.
void stretchPicture(const PictureBuffer& picture, int gridSize, int scale, StretchedPicture& stretched);

}  // namespace swirlon
