// SPDX-License-Identifier: GPL-3.0-or-later
// The colour legend beside the picture: a bar of the colours the mapping in use gives, from
// the top of its range down to the bottom, with round values marked.
#pragma once

#include <QFontMetrics>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <vector>

#include "field_io/colour_scale.h"

namespace swirlon {

// Logical pixels the legend takes on the picture's right, the gap to the picture included.
int legendWidth(const QFontMetrics& metrics);
// How a tick value is written.
QString legendLabel(double value);
// Where the legend of a picture drawn at picture (logical pixels) goes: on its right, with room
// above and below for the labels of the end values.
QRectF legendArea(const QRectF& picture, const QFontMetrics& metrics);
// Paints the legend of the picture drawn at picture on a white ground, its bar as tall as the
// picture.
void paintLegend(QPainter& painter, const QRectF& picture, const ColourScale& scale);

struct LegendTick {
    double value;
    // Logical pixels from the view's top.
    double y;
};
// The ticks of the legend beside picture, with the fonts' metrics: round values of the scale's
// range, each at the height of the bar's colour for that value (the range's top at the top).
std::vector<LegendTick> legendTickPlaces(const QRectF& picture, const ColourScale& scale, const QFontMetricsF& metrics);

}  // namespace swirlon
