// SPDX-License-Identifier: GPL-3.0-or-later
// Runs time steps on a fixed developed state, for instruction counts under callgrind:
//   valgrind --tool=callgrind --toggle-collect='swirlon::stepRk4*' step_driver fast 1
//   valgrind --tool=callgrind --toggle-collect='swirlon::referenceStepRk4*' step_driver reference 1
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "solver/fast_step.h"
#include "solver/grid.h"
#include "solver/reference_step.h"
#include "solver/step_scratch.h"
#include "solver/time_step.h"

namespace {

constexpr int DriverReynolds = 1000;
constexpr unsigned DriverSeed = 20240607;
constexpr double SpectralDecay = 1.5;

int usage() {
    std::fprintf(stderr, "usage: step_driver fast|reference [steps]\n");
    return EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        return usage();
    }
    const bool fast = std::strcmp(argv[1], "fast") == 0;
    if (!fast && std::strcmp(argv[1], "reference") != 0) {
        return usage();
    }
    const int steps = argc == 3 ? std::atoi(argv[2]) : 1;
    if (steps < 1) {
        return usage();
    }

    using namespace swirlon;
    PackedSpectrum psi(Grid{});
    StepScratch scratch(Grid{});
    std::mt19937_64 engine(DriverSeed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    Grid{}.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        psi[Grid{}.entryIndex(row, column)] = value(engine) * std::pow(1.0 + kSquared, -SpectralDecay);
    });
    for (int i = 0; i < steps; ++i) {
        if (fast) {
            stepRk4(psi, scratch, DriverReynolds);
        } else {
            referenceStepRk4(psi, scratch, DriverReynolds);
        }
    }
    std::printf("%s, %s kernels: psi[1][1] = %.17g\n", argv[1], simdLevelName(bestSimdLevel()),
                psi[Grid{}.entryIndex(1, 1)]);
    return EXIT_SUCCESS;
}
