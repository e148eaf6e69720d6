// SPDX-License-Identifier: GPL-3.0-or-later
// Constants shared by the vector kernels of every instruction set, built once per process and
// grid size from
// the same integer formulas and twiddle tables as the straightforward operators.
#pragma once

#include <array>
#include <cstdint>

#include "solver/grid.h"

namespace swirlon {

template <int N>
struct FastTables {
    // Position of natural index k in a line the butterflies leave in bit-reversed order.
    std::array<int, N> bitReversed{};

    // What the inverse column transform makes of a column that is +0.0 throughout: a complex
    // column (real and imaginary results) and a real column expanded from its halfcomplex form.
    // Columns outside the band are such columns inside a step, so they are filled in, not computed.
    std::array<double, N> zeroComplexColumnRe{};
    std::array<double, N> zeroComplexColumnIm{};
    std::array<double, N> zeroRealColumn{};
    // The same three split by row parity, entry p of parity q from row 2p + q: what the lanes of
    // a row-pair group take in a zero column, so that a row pass can fill those columns itself.
    std::array<std::array<double, N / 2>, 2> zeroComplexColumnReByParity{};
    std::array<std::array<double, N / 2>, 2> zeroComplexColumnImByParity{};
    std::array<std::array<double, N / 2>, 2> zeroRealColumnByParity{};

    // Per column c: all bits set inside the band, clear outside (a lane mask).
    std::array<std::uint64_t, N> bandColumnMask{};
    // Per column c: all bits set for the complex columns 1..N/2 - 1, clear elsewhere.
    std::array<std::uint64_t, N> complexColumnMask{};
    // Per band column c, each the double of the integer the straightforward operators use:
    // a^2, the velY factor -sign*a and the gradX factor sign*a (to be multiplied by K^2);
    // zero outside the band.
    std::array<double, N> columnA2{};
    std::array<double, N> velYFactor{};
    std::array<double, N> gradXFactor{};
    // Per band row r: ky for real-part columns, -ky for imaginary-part columns, and b^2.
    std::array<double, N> kyRealColumns{};
    std::array<double, N> kyImaginaryColumns{};
    std::array<double, N> rowB2{};
    // Column 0 factors per band row: sign*b for velX and sign*b^3 for gradY.
    std::array<double, N> columnZeroVelX{};
    std::array<double, N> columnZeroGradY{};
};

// The tables of one supported size, built on first use.
template <int N>
const FastTables<N>& fastTables();

}  // namespace swirlon
