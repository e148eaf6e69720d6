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

}  // namespace

ColourScale fixedScale(DisplayMode mode) { return {mode, fixedGain(mode)}; }

ColourScale fittedScale(DisplayMode mode, double peak) {
    const double top = whiteInput(mode);
    double gain = top / peak;
    if (!(peak > 0.0) || !std::isfinite(peak) || !std::isfinite(gain)) {
        return fixedScale(mode);
    }
    // The quotient may round down, and the peak would then stop one shade short of white.
    while (peak * gain < top) {
        gain = std::nextafter(gain, std::numeric_limits<double>::infinity());
    }
    return {mode, gain};
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
    const double top = whiteInput(scale.mode) / scale.gain;
    return {scale.mode == DisplayMode::speed ? 0.0 : -top, top};
}

Rgb colourOfValue(const ColourScale& scale, double value) {
    return scale.mode == DisplayMode::speed ? mapSpeedColor(value * scale.gain) : mapVorticityColor(value * scale.gain);
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
