// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/picture_zoom.h"

#include <algorithm>
#include <cmath>

#include "solver/grid.h"

namespace swirlon {
namespace {

int devicePixels(double logical, double ratio) { return static_cast<int>(std::lround(logical * ratio)); }

int blockFor(QSize client, double ratio, PictureZoom zoom, int legendWidth) {
    if (zoom != PictureZoom::fitWindow) {
        return std::max(1, devicePixels(static_cast<int>(zoom), ratio));
    }
    // The view's whole device pixels, less the legend's.
    const int width = static_cast<int>(std::floor(client.width() * ratio)) - devicePixels(legendWidth, ratio);
    const int height = static_cast<int>(std::floor(client.height() * ratio));
    return std::max(1, std::min(width, height) / GridSize);
}

// Half the room left over, truncated toward zero in logical pixels and then put on a device
// pixel: at a whole ratio the picture sits exactly where a logical layout would put it.
int centred(int clientLogical, int contentDevice, double ratio) {
    const double excess = clientLogical - contentDevice / ratio;
    return devicePixels(std::trunc(excess / 2.0), ratio);
}

}  // namespace

int PictureLayout::sideDevicePixels() const { return GridSize * block; }

QRectF PictureLayout::pictureRect() const {
    const double side = sideDevicePixels() / ratio;
    return {origin.x() / ratio, origin.y() / ratio, side, side};
}

PictureLayout layoutPicture(QSize client, double ratio, PictureZoom zoom, int legendWidth) {
    PictureLayout layout;
    layout.ratio = ratio;
    layout.block = blockFor(client, ratio, zoom, legendWidth);
    const int side = layout.sideDevicePixels();
    layout.origin = QPoint(centred(client.width(), side + devicePixels(legendWidth, ratio), ratio),
                           centred(client.height(), side, ratio));
    return layout;
}

}  // namespace swirlon
