// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/picture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace swirlon {

namespace {

constexpr double SpeedRedFactor = 0.6;
constexpr double SpeedGreenFactor = 0.75;
// One step below the double nearest 0.9 (bit pattern 3FECCCCCCCCCCCCC): s = 100 gives blue 89.
constexpr double SpeedBlueFactor = 0.8999999999999999;

constexpr double PositiveRedFactor = 4.0;
constexpr double PositiveGreenFactor = 1.0;
constexpr double PositiveBlueFactor = 0.5;
constexpr double NegativeRedFactor = -0.7;
constexpr double NegativeGreenFactor = -1.4;
constexpr double NegativeBlueFactor = -5.6;

constexpr double ChannelMax = 255.0;

// Truncation toward zero, then limited to 0..255: anything not above zero (NaN included)
// is 0, anything at or beyond 255 (infinity included) is 255.
std::uint8_t channel(double product) {
    if (!(product > 0.0)) {
        return 0;
    }
    if (product >= ChannelMax) {
        return static_cast<std::uint8_t>(ChannelMax);
    }
    return static_cast<std::uint8_t>(std::trunc(product));
}

// A dye colour to the nearest byte value; below 0 (NaN included) 0, above 255 255.
std::uint8_t dyeByte(double value) {
    if (!(value > 0.0)) {
        return 0;
    }
    return static_cast<std::uint8_t>(std::min(std::round(value), ChannelMax));
}

void storePixel(PictureBuffer& picture, std::size_t index, Rgb colour) {
    const std::size_t at = index * PictureBytesPerPixel;
    picture[at + PictureBlueByte] = colour.blue;
    picture[at + PictureGreenByte] = colour.green;
    picture[at + PictureRedByte] = colour.red;
}

}  // namespace

Rgb mapSpeedColor(double value) {
    return Rgb{.red = channel(SpeedRedFactor * value),
               .green = channel(SpeedGreenFactor * value),
               .blue = channel(SpeedBlueFactor * value)};
}

Rgb mapVorticityColor(double value) {
    if (value >= 0.0) {
        return Rgb{.red = channel(PositiveRedFactor * value),
                   .green = channel(PositiveGreenFactor * value),
                   .blue = channel(PositiveBlueFactor * value)};
    }
    return Rgb{.red = channel(NegativeRedFactor * value),
               .green = channel(NegativeGreenFactor * value),
               .blue = channel(NegativeBlueFactor * value)};
}

double fixedGain(DisplayMode mode) { return mode == DisplayMode::speed ? SquaredSpeedGain : VorticityGain; }

double whiteInput(DisplayMode mode) {
    if (mode == DisplayMode::speed) {
        return ChannelMax / std::min({SpeedRedFactor, SpeedGreenFactor, SpeedBlueFactor});
    }
    // The channel that saturates last on either side.
    const double positive = ChannelMax / std::min({PositiveRedFactor, PositiveGreenFactor, PositiveBlueFactor});
    const double negative = ChannelMax / -std::max({NegativeRedFactor, NegativeGreenFactor, NegativeBlueFactor});
    return std::max(positive, negative);
}

double fullChannelInput(DisplayMode mode) {
    if (mode == DisplayMode::speed) {
        return ChannelMax / std::max({SpeedRedFactor, SpeedGreenFactor, SpeedBlueFactor});
    }
    const double positive = ChannelMax / std::max({PositiveRedFactor, PositiveGreenFactor, PositiveBlueFactor});
    const double negative = ChannelMax / -std::min({NegativeRedFactor, NegativeGreenFactor, NegativeBlueFactor});
    return std::max(positive, negative);
}

void renderSpeedImage(const PackedSpectrum& velX, const PackedSpectrum& velY, PictureBuffer& picture, double gain) {
    picture.resize(velX.size() * PictureBytesPerPixel);
    for (std::size_t k = 0; k < velX.size(); ++k) {
        const double squaredSpeed = (velX[k] * velX[k] + velY[k] * velY[k]) * gain;
        storePixel(picture, k, mapSpeedColor(squaredSpeed));
    }
}

void renderVorticityImage(const PackedSpectrum& gridVorticity, PictureBuffer& picture, double gain) {
    picture.resize(gridVorticity.size() * PictureBytesPerPixel);
    for (std::size_t k = 0; k < gridVorticity.size(); ++k) {
        storePixel(picture, k, mapVorticityColor(gridVorticity[k] * gain));
    }
}

void renderDyeImage(const DyeField& dye, PictureBuffer& picture) {
    const auto points = static_cast<std::size_t>(dye.grid().points());
    picture.resize(points * PictureBytesPerPixel);
    for (std::size_t k = 0; k < points; ++k) {
        storePixel(picture, k,
                   Rgb{.red = dyeByte(dye.channel(0)[k]),
                       .green = dyeByte(dye.channel(1)[k]),
                       .blue = dyeByte(dye.channel(2)[k])});
    }
}

DyeField dyeOfPicture(const PictureBuffer& picture, const Grid& grid) {
    DyeField dye(grid);
    const auto points = static_cast<std::size_t>(grid.points());
    for (std::size_t k = 0; k < points && (k + 1) * PictureBytesPerPixel <= picture.size(); ++k) {
        const std::size_t at = k * PictureBytesPerPixel;
        dye.channel(0)[k] = picture[at + PictureRedByte];
        dye.channel(1)[k] = picture[at + PictureGreenByte];
        dye.channel(2)[k] = picture[at + PictureBlueByte];
    }
    return dye;
}

DyeField vorticityDye(const Simulation& simulation) {
    PictureBuffer picture;
    renderVorticityImage(simulation.gridVorticity(), picture);
    return dyeOfPicture(picture, simulation.grid());
}

void renderPicture(const Simulation& simulation, DisplayMode mode, PictureBuffer& picture) {
    renderPicture(simulation, mode, picture, fixedGain(mode));
}

void renderPicture(const Simulation& simulation, DisplayMode mode, PictureBuffer& picture, double gain) {
    switch (mode) {
    case DisplayMode::vorticity:
        renderVorticityImage(simulation.gridVorticity(), picture, gain);
        return;
    case DisplayMode::speed:
        renderSpeedImage(simulation.velocityX(), simulation.velocityY(), picture, gain);
        return;
    case DisplayMode::dye:
        if (simulation.dye() != nullptr) {
            renderDyeImage(*simulation.dye(), picture);
        } else {
            renderVorticityImage(simulation.gridVorticity(), picture);
        }
        return;
    }
}

void stretchPicture(const PictureBuffer& picture, int gridSize, int scale, StretchedPicture& stretched) {
    const auto gridSide = static_cast<std::size_t>(gridSize);
    const auto blockSide = static_cast<std::size_t>(scale);
    const std::size_t side = gridSide * blockSide;
    const std::size_t lastRow = gridSide - 1;
    stretched.resize(side * side * 3);
    for (std::size_t screenRow = 0; screenRow < side; ++screenRow) {
        // Screen rows run top-down, picture rows bottom-up.
        const std::size_t gridRow = lastRow - screenRow / blockSide;
        for (std::size_t screenColumn = 0; screenColumn < side; ++screenColumn) {
            const std::size_t source = (gridRow * gridSide + screenColumn / blockSide) * PictureBytesPerPixel;
            const std::size_t target = (screenRow * side + screenColumn) * PictureBytesPerPixel;
            stretched[target] = picture[source + PictureRedByte];
            stretched[target + 1] = picture[source + PictureGreenByte];
            stretched[target + 2] = picture[source + PictureBlueByte];
        }
    }
}

}  // namespace swirlon
