// SPDX-License-Identifier: GPL-3.0-or-later
// How strongly a picture colours its quantity: the fixed gain the window starts with, or one
// fitted to the state so that its peak just reaches the top of the colour map; and the values a
// colour legend shows for either.
#pragma once

#include <vector>

#include "field_io/colour_map.h"
#include "field_io/picture.h"
#include "solver/simulation.h"

namespace swirlon {

struct ColourScale {
    DisplayMode mode = DisplayMode::vorticity;
    // Multiplies the quantity (vorticity, or squared speed) before the colour map.
    double gain = VorticityGain;
    // The colours the range is painted in; the classic ones are the described colours as before.
    ColourMap map = ColourMap::classic;
};

ColourScale fixedScale(DisplayMode mode, ColourMap map = ColourMap::classic);
// The scale under which peak (largest |vorticity| or largest squared speed) maps to the top of
// the colour range (white in the classic colours) and so does -peak for vorticity: one scale
// for both signs. A peak that is zero, negative or not
// finite leaves no range to fit and gives the fixed scale.
ColourScale fittedScale(DisplayMode mode, double peak, ColourMap map = ColourMap::classic);
// Largest |vorticity|, or largest squared speed u^2 + v^2, of the state's picture.
double picturePeak(const Simulation& simulation, DisplayMode mode);

// The values the colour map spans under a scale: [-top, top] for vorticity, [0, top] for
// squared speed, top being where the classic colours reach white. A tabled map's top is where the
// classic colours reach full strength, so its fixed scale spans what the classic one shows in
// colour rather than the pale rest.
struct ValueRange {
    double low = 0.0;
    double high = 0.0;
};
ValueRange colourRange(const ColourScale& scale);
// The value a colour bar of rows rows shows in row (0 at the top): the middle of the row's share
// of the range, the range's top above.
double valueOfBarRow(const ValueRange& range, int row, int rows);

// The colour a value of the quantity gets in the picture. A tabled map spans the colour range:
// a diverging one has its middle at zero and its ends at -top and top (so a range from zero
// shows its upper half), a sequential one runs from the range's low end to its top.
Rgb colourOfValue(const ColourScale& scale, double value);

// The picture of the simulation's state in the scale's mode, gain and colour map; the classic
// map gives exactly renderPicture(simulation, mode, picture, gain) (picture.h).
void renderPicture(const Simulation& simulation, const ColourScale& scale, PictureBuffer& picture);

// The smallest of 1, 2, 5 times a power of ten that is at least value (> 0): the one rule of
// round numbers for legends and plot axes.
double roundStepAtLeast(double value);

// Round values (1, 2 or 5 times a power of ten apart) inside range, ascending, at most
// maxTicks of them (maxTicks >= 2); zero is among them whenever the range holds it.
std::vector<double> legendTicks(ValueRange range, int maxTicks);

}  // namespace swirlon
