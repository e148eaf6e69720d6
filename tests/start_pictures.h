// SPDX-License-Identifier: GPL-3.0-or-later
// Start pictures whose large one-colour areas make one plain step of 0.01 diverge within a few
// frames, as grid vorticity through the loader's colour rule. Shared by the frame tests and the
// stability benchmark.
#pragma once

#include "solver/grid.h"

namespace swirlon::testing {

// Vorticity of the loader's colours: yellow, white, red and mid grey.
inline constexpr double YellowVorticity = 19.921875;
inline constexpr double WhiteVorticity = -19.921875;
inline constexpr double RedVorticity = 9.9609375;
inline constexpr double GreyVorticity = -10.0;

enum class StartPicture { yellowDisc16, yellowDisc24, yellowDisc32, redDiscOnGrey, yellowWhiteHalves };

// Grid vorticity of the picture (not yet transformed).
inline PackedSpectrum startPictureVorticity(StartPicture picture) {
    constexpr double Centre = GridSize / 2 - 0.5;
    constexpr int OddPixelX = 100;
    constexpr int OddPixelY = 30;
    PackedSpectrum grid{};
    for (int y = 0; y < GridSize; ++y) {
        for (int x = 0; x < GridSize; ++x) {
            const double r2 = (x - Centre) * (x - Centre) + (y - Centre) * (y - Centre);
            double value = 0.0;
            switch (picture) {
                case StartPicture::yellowDisc16: value = r2 <= 16 * 16 ? YellowVorticity : WhiteVorticity; break;
                case StartPicture::yellowDisc24: value = r2 <= 24 * 24 ? YellowVorticity : WhiteVorticity; break;
                case StartPicture::yellowDisc32: value = r2 <= 32 * 32 ? YellowVorticity : WhiteVorticity; break;
                case StartPicture::redDiscOnGrey: value = r2 <= 16 * 16 ? RedVorticity : GreyVorticity; break;
                case StartPicture::yellowWhiteHalves:
                    value = (x == OddPixelX && y == OddPixelY) ? RedVorticity
                                                               : (x < GridSize / 2 ? YellowVorticity : WhiteVorticity);
                    break;
            }
            grid[entryIndex(y, x)] = value;
        }
    }
    return grid;
}

}  // namespace swirlon::testing
