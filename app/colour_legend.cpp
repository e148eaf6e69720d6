// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/colour_legend.h"

#include <QColor>
#include <QImage>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace swirlon {
namespace {

// Logical pixels.
constexpr int Gap = 12;
constexpr int BarWidth = 18;
constexpr int TickLength = 5;
constexpr int LabelGap = 3;
// Room for the widest label the ticks give in practice.
const QString WidestLabel = QStringLiteral("-0.0005");
// Significant digits of a label: ticks are round, so a few suffice.
constexpr int LabelDigits = 3;
// A label every this many text lines at most, so labels never touch.
constexpr int LinesPerTick = 3;
constexpr QColor OutlineColour(128, 128, 128);
// A one-pixel outline of a rectangle covers its right and bottom edges' pixels too: moved out
// by one pixel on the top and left, it runs just outside the bar all round.
constexpr double OutlineOffset = 1.0;

}  // namespace

int legendWidth(const QFontMetrics& metrics) {
    return Gap + BarWidth + TickLength + LabelGap + metrics.horizontalAdvance(WidestLabel);
}

QString legendLabel(double value) { return QString::number(value, 'g', LabelDigits); }

QRectF legendArea(const QRectF& picture, const QFontMetrics& metrics) {
    const double margin = metrics.height() / 2.0 + 1.0;
    return {picture.right(), picture.top() - margin, static_cast<double>(legendWidth(metrics)),
            picture.height() + 2.0 * margin};
}

void paintLegend(QPainter& painter, const QRectF& picture, const ColourScale& scale) {
    painter.fillRect(legendArea(picture, painter.fontMetrics()), Qt::white);
    const ValueRange range = colourRange(scale);
    const QRectF bar(picture.right() + Gap, picture.top(), BarWidth, picture.height());
    const double ratio = painter.device()->devicePixelRatioF();

    // One image row per device pixel of the bar's height, top row the range's top.
    const int rows = std::max(1, static_cast<int>(std::lround(bar.height() * ratio)));
    QImage colours(1, rows, QImage::Format_RGB32);
    for (int row = 0; row < rows; ++row) {
        const Rgb colour = colourOfValue(scale, valueOfBarRow(range, row, rows));
        colours.setPixel(0, row, qRgb(colour.red, colour.green, colour.blue));
    }
    painter.drawImage(bar, colours);
    // An outline, so the white ends of the bar stand out from the white ground.
    painter.setPen(QPen(OutlineColour, 0));
    painter.drawRect(bar.adjusted(-OutlineOffset, -OutlineOffset, 0, 0));

    const QFontMetricsF metrics(painter.font());
    painter.setPen(Qt::black);
    for (const auto& [value, y] : legendTickPlaces(picture, scale, metrics)) {
        painter.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + TickLength, y));
        const QString label = legendLabel(value);
        const QRectF textBox(bar.right() + TickLength + LabelGap, y - metrics.height() / 2,
                             metrics.horizontalAdvance(label), metrics.height());
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, label);
    }
}

std::vector<LegendTick> legendTickPlaces(const QRectF& picture, const ColourScale& scale,
                                         const QFontMetricsF& metrics) {
    const ValueRange range = colourRange(scale);
    const int maxTicks = std::max(2, static_cast<int>(picture.height() / (metrics.lineSpacing() * LinesPerTick)));
    std::vector<LegendTick> ticks;
    for (const double value : legendTicks(range, maxTicks)) {
        ticks.push_back({value, picture.top() + (range.high - value) / (range.high - range.low) * picture.height()});
    }
    return ticks;
}

}  // namespace swirlon
