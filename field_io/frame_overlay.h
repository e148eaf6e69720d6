// SPDX-License-Identifier: GPL-3.0-or-later
// What a movie frame may carry besides the flow: the time in its top-left corner and the colour
// bar of its scale along its right edge, drawn straight into the pixels with a small built-in
// font, so a movie shows them in any player.
#pragma once

#include <cstdint>
#include <span>

#include "field_io/colour_scale.h"

namespace swirlon {

// Draws "t = <time>" (two decimals) on a dark box at the top left and the colour bar, top value
// at its top, outlined in black, along the right edge of a square picture of side x side pixels
// of red, green, blue, rows top-down. Both grow with the picture; the rest stays as it was.
void drawFrameOverlay(std::span<std::uint8_t> rgb, int side, double time, const ColourScale& scale);

}  // namespace swirlon
