// SPDX-License-Identifier: GPL-3.0-or-later
// How large the picture is drawn and where: a whole number of device pixels per grid point, so
// that every block is the same size also at fractional screen scale factors, centred in the
// view together with the legend beside it.
#pragma once

#include <QPoint>
#include <QRectF>
#include <QSize>

#include "solver/grid.h"

namespace swirlon {

// Logical pixels per grid point, or as large as the view allows.
enum class PictureZoom : int { times2 = 2, times3 = 3, times4 = 4, fitWindow = 0 };
inline constexpr PictureZoom StartZoom = PictureZoom::times3;

struct PictureLayout {
    // Points per side of the grid drawn.
    int gridSize = DefaultGridSize;
    // Device pixels per grid point, at least 1.
    int block = 0;
    // Top-left corner of the picture, in device pixels from the view's corner.
    QPoint origin;
    // Device pixels per logical pixel.
    double ratio = 1.0;

    int sideDevicePixels() const;
    // The picture's square in the view's logical coordinates.
    QRectF pictureRect() const;
};

// client: the view's size in logical pixels; legendWidth: logical pixels the legend takes on
// the picture's right (0 when there is none). The picture and the legend are centred as one,
// truncating toward zero, so a view smaller than them gets a negative origin. A zoom is the
// logical pixels per point of the default grid; other grids scale it so that the picture
// keeps about its size (x3 gives 6 at 64, 2 at 256, 1 at 512).
PictureLayout layoutPicture(QSize client, double ratio, PictureZoom zoom, int legendWidth,
                            int gridSize = DefaultGridSize);

}  // namespace swirlon
