// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/colour_scale.h"

#include <cmath>
#include <limits>

#include "solver/diagnostics.h"

namespace swirlon {
namespace {

// Steps a legend may take within one power of ten.
constexpr double RoundSteps[] = {1.0, 2.0, 5.0, 10.0};
constexpr double Decade = 10.0;

// Where a value falls in a colour table: the entry is floor(offset + value * slope), held to
// the table. Each entry covers an equal share of the range.
class TableLookup {
  public:
    explicit TableLookup(const ColourScale& scale) : table_(*colourTable(scale.map)) {
        const ValueRange range = colourRange(scale);
        const double low = centredOnZero(scale.map) ? -range.high : range.low;
        slope_ = ColourTableSize / (range.high - low);
        // Formed so that zero falls exactly on the middle entry's lower edge in a diverging map.
        offset_ = ColourTableSize * (-low / (range.high - low));
    }

    // Anything not above the lowest entry's share (NaN too) takes the lowest entry.
    Rgb operator()(double value) const {
        const double place = offset_ + value * slope_;
        if (!(place >= 1.0)) {
            return table_.front();
        }
        if (place >= ColourTableSize - 1) {
            return table_.back();
        }
        return table_[static_cast<std::size_t>(place)];
    }

  private:
    const ColourTable& table_;
    double slope_ = 0.0;
    double offset_ = 0.0;
};

void storeTabled(PictureBuffer& picture, std::size_t index, Rgb colour) {
    const std::size_t at = index * PictureBytesPerPixel;
    picture[at + PictureBlueByte] = colour.blue;
    picture[at + PictureGreenByte] = colour.green;
    picture[at + PictureRedByte] = colour.red;
}

// The colour-map input the top of a scale's range stands for.
double topInput(DisplayMode mode, ColourMap map) {
    return map == ColourMap::classic ? whiteInput(mode) : fullChannelInput(mode);
}

}  // namespace

ColourScale fixedScale(DisplayMode mode, ColourMap map) { return {mode, fixedGain(mode), map}; }

ColourScale fittedScale(DisplayMode mode, double peak, ColourMap map) {
    const double top = topInput(mode, map);
    double gain = top / peak;
    if (!(peak > 0.0) || !std::isfinite(peak) || !std::isfinite(gain)) {
        return fixedScale(mode, map);
    }
    // The quotient may round down, and the peak would then stop one shade short of white.
    while (peak * gain < top) {
        gain = std::nextafter(gain, std::numeric_limits<double>::infinity());
    }
    return {mode, gain, map};
}

double picturePeak(const Simulation& simulation, DisplayMode mode) {
    if (mode == DisplayMode::vorticity) {
        return largestMagnitude(simulation.gridVorticity());
    }
    const PackedSpectrum& u = simulation.velocityX();
    const PackedSpectrum& v = simulation.velocityY();
    double peak = 0.0;
    for (std::size_t k = 0; k < u.size(); ++k) {
        peak = std::fmax(peak, u[k] * u[k] + v[k] * v[k]);
    }
    return peak;
}

ValueRange colourRange(const ColourScale& scale) {
    const double top = topInput(scale.mode, scale.map) / scale.gain;
    return {scale.mode == DisplayMode::speed ? 0.0 : -top, top};
}

double valueOfBarRow(const ValueRange& range, int row, int rows) {
    return range.high - (row + 0.5) / rows * (range.high - range.low);
}

Rgb colourOfValue(const ColourScale& scale, double value) {
    if (scale.map != ColourMap::classic) {
        return TableLookup(scale)(value);
    }
    return scale.mode == DisplayMode::speed ? mapSpeedColor(value * scale.gain) : mapVorticityColor(value * scale.gain);
}

void renderPicture(const Simulation& simulation, const ColourScale& scale, PictureBuffer& picture) {
    // The dye shows its own colours in any map; without a dye the vorticity stands in for it.
    if (scale.map == ColourMap::classic || (scale.mode == DisplayMode::dye && simulation.hasDye())) {
        renderPicture(simulation, scale.mode, picture, scale.gain);
        return;
    }
    const TableLookup lookup(scale);
    if (scale.mode == DisplayMode::speed) {
        const PackedSpectrum& u = simulation.velocityX();
        const PackedSpectrum& v = simulation.velocityY();
        picture.resize(u.size() * PictureBytesPerPixel);
        for (std::size_t k = 0; k < u.size(); ++k) {
            storeTabled(picture, k, lookup(u[k] * u[k] + v[k] * v[k]));
        }
        return;
    }
    const PackedSpectrum& vorticity = simulation.gridVorticity();
    picture.resize(vorticity.size() * PictureBytesPerPixel);
    for (std::size_t k = 0; k < vorticity.size(); ++k) {
        storeTabled(picture, k, lookup(vorticity[k]));
    }
}

double roundStepAtLeast(double value) {
    const double decade = std::pow(Decade, std::floor(std::log10(value)));
    for (const double multiple : RoundSteps) {
        if (decade * multiple >= value) {
            return decade * multiple;
        }
    }
    return decade * RoundSteps[std::size(RoundSteps) - 1];
}

std::vector<double> legendTicks(ValueRange range, int maxTicks) {
    const double span = range.high - range.low;
    if (!(span > 0.0) || !std::isfinite(span) || maxTicks < 2) {
        return {};
    }
    const double step = roundStepAtLeast(span / (maxTicks - 1));
    // Each tick is a whole multiple of the step, so no error builds up from one to the next.
    std::vector<double> ticks;
    for (double n = std::ceil(range.low / step); n * step <= range.high; n += 1.0) {
        ticks.push_back(n == 0.0 ? 0.0 : n * step);
    }
    return ticks;
}

}  // namespace swirlon
