// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/dye.h"

#include "solver/dye_kernels.h"

namespace swirlon {

#if defined(__x86_64__)
DyeAdvection dyeAdvectionSse2();
DyeAdvection dyeAdvectionAvx2();
DyeAdvection dyeAdvectionAvx512();
#endif

namespace {

DyeAdvection dyeAdvectionOf(SimdLevel level) {
#if defined(__x86_64__)
    switch (level) {
    case SimdLevel::avx512:
        return dyeAdvectionAvx512();
    case SimdLevel::avx2:
        return dyeAdvectionAvx2();
    case SimdLevel::sse2:
        break;
    }
    return dyeAdvectionSse2();
#else
    (void)level;
    return DyeKernel<OneLane>::advect;
#endif
}

std::size_t paddedDoubles(const Grid& grid) {
    const auto side = static_cast<std::size_t>(grid.size() + DyePaddingBefore + DyePaddingAfter);
    return side * side * DyePixelStride;
}

}  // namespace

DyeScratch::DyeScratch(Grid on) : grid_(on) {
    constexpr std::size_t PageDoubles = 4096 / sizeof(double);
    const std::size_t picture = paddedDoubles(on);
    thereOffset_ = picture + (PageDoubles + PageDoubles / 2 - picture % PageDoubles) % PageDoubles;
    storage_.assign(thereOffset_ + picture, 0.0);
}

void advectDye(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, DyeScratch& scratch,
               StepThreads* threads) {
    static const DyeAdvection best = dyeAdvectionOf(bestSimdLevel());
    best(dye, velX, velY, dt, scratch, threads);
}

void advectDye(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, DyeScratch& scratch,
               StepThreads* threads, SimdLevel level) {
    dyeAdvectionOf(level)(dye, velX, velY, dt, scratch, threads);
}

void referenceAdvectDye(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt,
                        DyeScratch& scratch) {
    DyeKernel<OneLane>::advect(dye, velX, velY, dt, scratch, nullptr);
}

DyeField regridDye(const DyeField& dye, Grid grid) {
    DyeField moved(grid);
    const int from = dye.grid().size();
    const int to = grid.size();
    for (int c = 0; c < DyeChannels; ++c) {
        for (int row = 0; row < to; ++row) {
            for (int column = 0; column < to; ++column) {
                moved.channel(c)[row * to + column] = dye.channel(c)[(row * from / to) * from + column * from / to];
            }
        }
    }
    return moved;
}

}  // namespace swirlon
