// SPDX-License-Identifier: GPL-3.0-or-later
// The false-colour pictures of the flow: colour maps, the 128x128 picture buffer and its
// 3x enlargement as the window shows it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "solver/grid.h"
#include "solver/simulation.h"

namespace swirlon {

// Which quantity the picture shows (the window's displayMode: 0 vorticity, 1 squared speed).
enum class DisplayMode : int { vorticity = 0, speed = 1 };

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// Byte layout of one picture pixel: blue, green, red.
inline constexpr std::size_t PictureBytesPerPixel = 3;
inline constexpr std::size_t PictureBlueByte = 0;
inline constexpr std::size_t PictureGreenByte = 1;
inline constexpr std::size_t PictureRedByte = 2;

// 128x128 pixels of blue, green, red; rows bottom-up (row 0 drawn at the bottom), 384 bytes a
// row; pixel 128*i + j belongs to field element (i, j).
using PictureBuffer = std::array<std::uint8_t, GridPoints * PictureBytesPerPixel>;

// Each grid point becomes a square block of this many screen pixels.
inline constexpr int PictureScale = 3;
inline constexpr int PictureSide = GridSize * PictureScale;

// The enlarged picture: 384x384 pixels of red, green, blue, rows top-down (screen order).
using StretchedPicture = std::array<std::uint8_t, PictureSide * PictureSide * 3>;

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

// From grid velocities; each squared speed is multiplied by gain before the map.
void renderSpeedImage(const PackedSpectrum& velX, const PackedSpectrum& velY, PictureBuffer& picture,
                      double gain = SquaredSpeedGain);
// From grid vorticity; each value is multiplied by gain before the map.
void renderVorticityImage(const PackedSpectrum& gridVorticity, PictureBuffer& picture, double gain = VorticityGain);
// The picture of the simulation's current state that the display mode chooses, in the fixed
// mapping or with the gain given.
void renderPicture(const Simulation& simulation, DisplayMode mode, PictureBuffer& picture);
void renderPicture(const Simulation& simulation, DisplayMode mode, PictureBuffer& picture, double gain);

// Nearest-neighbour 3x enlargement, row 0 of the picture at the bottom.
void stretchPicture(const PictureBuffer& picture, StretchedPicture& stretched);

}  // namespace swirlon
