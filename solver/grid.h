// SPDX-License-Identifier: GPL-3.0-or-later
// The grid, the band and the bank of fields that make up the solver's whole state.
#pragma once

#include <array>
#include <cstddef>

namespace swirlon {

// Points per side of the doubly periodic box of period 2*pi.
inline constexpr int GridSize = 128;
inline constexpr int GridPoints = GridSize * GridSize;
// Retained wave numbers per axis: |kx|, |ky| <= 42 keeps every product of two band fields
// aliasing to 44 or beyond, outside the band.
inline constexpr int BandLimit = 42;
// Entries per side of the band square (wave numbers -42..42).
inline constexpr int BandWidth = 2 * BandLimit + 1;
// Simulated time advanced by one displayed frame.
inline constexpr double TimeStep = 0.01;

// A 128x128 real field, row-major, element GridSize*y + x; either grid values or the packed
// real 2-D spectrum (the role of the slot says which).
using PackedSpectrum = std::array<double, GridPoints>;

enum class Slot : int {
    psi = 0,
    psiBase,
    velX,
    velY,
    gradX,
    gradY,
    advection,
    rk1,
    rk2,
    rk3,
    rk4,
};
inline constexpr int SlotCount = 11;

// The eleven fields back to back in one block; slot k begins at element GridPoints*k.
// About 1.4 MiB: hold it inside a heap object, not on the stack.
struct FieldBank {
    std::array<PackedSpectrum, SlotCount> slots;

    PackedSpectrum& operator[](Slot slot) { return slots[static_cast<std::size_t>(slot)]; }
    const PackedSpectrum& operator[](Slot slot) const { return slots[static_cast<std::size_t>(slot)]; }
};

// Whether a row or column index belongs to the band (0..42 or 86..127).
constexpr bool isBandIndex(int index) { return index <= BandLimit || index >= GridSize - BandLimit; }

// |k| of a band row or column index.
constexpr int foldedWaveNumber(int index) { return index <= BandLimit ? index : GridSize - index; }

// Row or column index of a signed wave number -42..42 (negative ones wrap by adding GridSize).
constexpr int bandIndex(int signedWaveNumber) { return signedWaveNumber < 0 ? signedWaveNumber + GridSize : signedWaveNumber; }

constexpr int entryIndex(int row, int column) { return row * GridSize + column; }

// Calls visit(row, column, kSquared) for every band entry; the order carries no meaning since
// every band operator treats each entry on its own.
template <typename Visit>
constexpr void forEachBandEntry(Visit&& visit) {
    for (int ky = -BandLimit; ky <= BandLimit; ++ky) {
        const int row = bandIndex(ky);
        for (int kx = -BandLimit; kx <= BandLimit; ++kx) {
            visit(row, bandIndex(kx), kx * kx + ky * ky);
        }
    }
}

// The same, without the mean entry (row 0, column 0), which no step reads or writes.
template <typename Visit>
constexpr void forEachBandEntryButMean(Visit&& visit) {
    forEachBandEntry([&](int row, int column, int kSquared) {
        if (kSquared != 0) {
            visit(row, column, kSquared);
        }
    });
}

}  // namespace swirlon
