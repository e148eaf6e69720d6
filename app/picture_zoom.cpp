// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/picture_zoom.h"

#include <algorithm>
#include <cmath>

#include "field_io/picture.h"
#include "solver/grid.h"

namespace swirlon {
namespace {

int devicePixels(double logical, double ratio) { return static_cast<int>(std::lround(logical * ratio)); }

// Logical pixels per grid point of a fixed zoom on a grid: the zoom scaled by the grid's
// default picture scale against the default grid's, to whole pixels.
double logicalBlock(PictureZoom zoom, int gridSize) {
    const double scale = static_cast<double>(defaultPictureScale(Grid(gridSize))) / defaultPictureScale(Grid{});
    return std::max(1.0, std::round(static_cast<int>(zoom) * scale));
}

int blockFor(QSize client, double ratio, PictureZoom zoom, int legendWidth, int gridSize) {
    if (zoom != PictureZoom::fitWindow) {
        return std::max(1, devicePixels(logicalBlock(zoom, gridSize), ratio));
    }
    // The view's whole device pixels, less the legend's.
    const int width = static_cast<int>(std::floor(client.width() * ratio)) - devicePixels(legendWidth, ratio);
    const int height = static_cast<int>(std::floor(client.height() * ratio));
    return std::max(1, std::min(width, height) / gridSize);
}

// Half the room left over, truncated toward zero in logical pixels and then put on a device
// pixel: at a whole ratio the picture sits exactly where a logical layout would put it.
int centred(int clientLogical, int contentDevice, double ratio) {
    const double excess = clientLogical - contentDevice / ratio;
    return devicePixels(std::trunc(excess / 2.0), ratio);
}

}  // namespace

int PictureLayout::sideDevicePixels() const { return gridSize * block; }

QRectF PictureLayout::pictureRect() const {
    const double side = sideDevicePixels() / ratio;
    return {origin.x() / ratio, origin.y() / ratio, side, side};
}

PictureLayout layoutPicture(QSize client, double ratio, PictureZoom zoom, int legendWidth, int gridSize) {
    PictureLayout layout;
    layout.gridSize = gridSize;
    layout.ratio = ratio;
    layout.block = blockFor(client, ratio, zoom, legendWidth, gridSize);
    const int side = layout.sideDevicePixels();
    layout.origin = QPoint(centred(client.width(), side + devicePixels(legendWidth, ratio), ratio),
                           centred(client.height(), side, ratio));
    return layout;
}

}  // namespace swirlon
