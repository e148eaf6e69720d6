// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/fast_step.h"

#include <array>
#include <cstddef>

#include "solver/fast_tables.h"
#include "solver/fft.h"
#include "solver/reference_step.h"

namespace swirlon {

#if defined(__x86_64__)
const FastKernelSet& fastKernelsSse2();
const FastKernelSet& fastKernelsAvx2();
const FastKernelSet& fastKernelsAvx512();
#endif

namespace {

constexpr std::uint64_t AllBits = ~std::uint64_t{0};

template <int N>
FastTables<N> buildFastTables() {
    constexpr int HalfGrid = N / 2;
    constexpr Grid grid{N};
    constexpr int BandLimit = grid.bandLimit();
    FastTables<N> t;
    for (int i = 0, rev = 0; i < N; ++i) {
        t.bitReversed[i] = rev;
        // Increment a reversed counter: carry from the top bit down.
        int bit = HalfGrid;
        while (bit > 0 && (rev & bit) != 0) {
            rev ^= bit;
            bit /= 2;
        }
        rev |= bit;
    }

    // The zero columns go through the straightforward line transform itself, so the signs of
    // their zeros are exactly the ones it produces.
    const FftTables& tables = fftTables(N);
    std::array<double, N> re{};
    std::array<double, N> im{};
    fft1d(N, 1.0, re.data(), im.data(), tables.inverseSinTable.data(), tables.cosTable.data());
    t.zeroComplexColumnRe = re;
    t.zeroComplexColumnIm = im;
    re.fill(0.0);
    im.fill(0.0);
    for (int k = 1; k < HalfGrid; ++k) {
        im[N - k] = -0.0;
    }
    fft1d(N, 1.0, re.data(), im.data(), tables.inverseSinTable.data(), tables.cosTable.data());
    t.zeroRealColumn = re;
    for (int parity = 0; parity < 2; ++parity) {
        for (int p = 0; p < HalfGrid; ++p) {
            const int row = 2 * p + parity;
            t.zeroComplexColumnReByParity[parity][p] = t.zeroComplexColumnRe[row];
            t.zeroComplexColumnImByParity[parity][p] = t.zeroComplexColumnIm[row];
            t.zeroRealColumnByParity[parity][p] = t.zeroRealColumn[row];
        }
    }

    for (int c = 1; c < HalfGrid; ++c) {
        t.complexColumnMask[c] = AllBits;
    }
    for (int c = 0; c < N; ++c) {
        if (!grid.isBandIndex(c)) {
            continue;
        }
        const int a = grid.foldedWaveNumber(c);
        const int sign = c <= BandLimit ? 1 : -1;
        t.bandColumnMask[c] = AllBits;
        t.columnA2[c] = static_cast<double>(a * a);
        t.velYFactor[c] = static_cast<double>(-sign * a);
        t.gradXFactor[c] = static_cast<double>(sign * a);
    }
    for (int r = 0; r < N; ++r) {
        if (!grid.isBandIndex(r)) {
            continue;
        }
        const int b = grid.foldedWaveNumber(r);
        const int sign = r <= BandLimit ? 1 : -1;
        const int ky = sign * b;
        t.kyRealColumns[r] = static_cast<double>(ky);
        t.kyImaginaryColumns[r] = static_cast<double>(-ky);
        t.rowB2[r] = static_cast<double>(b * b);
        t.columnZeroVelX[r] = static_cast<double>(sign * b);
        t.columnZeroGradY[r] = static_cast<double>(sign * b * b * b);
    }
    return t;
}

#if !defined(__x86_64__)
template <int N>
void referenceForward(double* a) {
    forwardRealFft2d(N, a);
}
template <int N>
void referenceInverse(double* a) {
    inverseRealFft2d(N, a);
}
void portableBegin(const PackedSpectrum& psi, StepScratch& scratch, ParallelStep*) { referenceBeginStep(psi, scratch); }
void portableFinish(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt, ParallelStep*) {
    referenceFinishStep(psi, scratch, reynolds, dt);
}
template <int N>
constexpr FastKernels portableKernelsOf{&referenceForward<N>, &referenceInverse<N>, &portableBegin, &portableFinish};
constexpr FastKernelSet PortableKernels{
    portableKernelsOf<SupportedGridSizes[0]>, portableKernelsOf<SupportedGridSizes[1]>,
    portableKernelsOf<SupportedGridSizes[2]>, portableKernelsOf<SupportedGridSizes[3]>};
#endif

const FastKernelSet& kernelSet(SimdLevel level) {
#if defined(__x86_64__)
    switch (level) {
    case SimdLevel::avx512:
        return fastKernelsAvx512();
    case SimdLevel::avx2:
        return fastKernelsAvx2();
    case SimdLevel::sse2:
        break;
    }
    return fastKernelsSse2();
#else
    (void)level;
    return PortableKernels;
#endif
}

std::size_t sizeIndex(const Grid& grid) {
    for (std::size_t i = 0; i < SupportedGridSizes.size(); ++i) {
        if (SupportedGridSizes[i] == grid.size()) {
            return i;
        }
    }
    return 0;
}

}  // namespace

template <int N>
const FastTables<N>& fastTables() {
    static const FastTables<N> tables = buildFastTables<N>();
    return tables;
}

template const FastTables<SupportedGridSizes[0]>& fastTables<SupportedGridSizes[0]>();
template const FastTables<SupportedGridSizes[1]>& fastTables<SupportedGridSizes[1]>();
template const FastTables<SupportedGridSizes[2]>& fastTables<SupportedGridSizes[2]>();
template const FastTables<SupportedGridSizes[3]>& fastTables<SupportedGridSizes[3]>();

bool isSimdLevelAvailable(SimdLevel level) {
#if defined(__x86_64__)
    switch (level) {
    case SimdLevel::sse2:
        return true;
    case SimdLevel::avx2:
        return __builtin_cpu_supports("avx2") != 0;
    case SimdLevel::avx512:
        return __builtin_cpu_supports("avx512f") != 0;
    }
    return false;
#else
    return level == SimdLevel::sse2;
#endif
}

SimdLevel bestSimdLevel() {
    static const SimdLevel best = [] {
        for (const SimdLevel level : {SimdLevel::avx512, SimdLevel::avx2}) {
            if (isSimdLevelAvailable(level)) {
                return level;
            }
        }
        return SimdLevel::sse2;
    }();
    return best;
}

const FastKernels& fastKernels(SimdLevel level, const Grid& grid) { return kernelSet(level)[sizeIndex(grid)]; }

const FastKernels& bestFastKernels(const Grid& grid) {
    static const FastKernelSet& kernels = kernelSet(bestSimdLevel());
    return kernels[sizeIndex(grid)];
}

const char* simdLevelName(SimdLevel level) {
    switch (level) {
    case SimdLevel::avx512:
        return "avx512";
    case SimdLevel::avx2:
        return "avx2";
    case SimdLevel::sse2:
        break;
    }
    return "sse2";
}

}  // namespace swirlon
