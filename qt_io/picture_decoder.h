// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures read by Qt's image reader (PNG, JPEG, GIF, TIFF and whatever else its plugins
// read), handed to the picture loader as 24-bit pixels. Needs no display and no application
// object, so the batch tool and the window share it.
#pragma once

#include <QStringList>

#include <optional>
#include <string>

#include "field_io/image_loader.h"

namespace swirlon {

// The picture at path converted to 24-bit colour, upright as viewers show it; std::nullopt
// when no reader understands it.
std::optional<DecodedPicture> decodePictureWithQt(const std::string& path);

// File-name patterns of every format the reader knows: "*.bmp", "*.png", ...
QStringList readablePicturePatterns();

}  // namespace swirlon
