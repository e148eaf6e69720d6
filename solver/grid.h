// SPDX-License-Identifier: GPL-3.0-or-later
// The grid: its size, the band of retained wave numbers, the packed layout of a spectrum, and
// the field (grid values or a packed spectrum) that every part of the solver stores.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "solver/cache_line_allocator.h"

namespace swirlon {

// Points per side a run may use: powers of two, so the radix-2 transforms cover them.
inline constexpr std::array<int, 4> SupportedGridSizes = {64, 128, 256, 512};
inline constexpr int DefaultGridSize = 128;
// Simulated time advanced by one displayed frame, at every grid.
inline constexpr double TimeStep = 0.01;

constexpr bool isSupportedGridSize(int size) {
    for (const int supported : SupportedGridSizes) {
        if (size == supported) {
            return true;
        }
    }
    return false;
}

// The doubly periodic box of period 2*pi sampled at size x size points.
//
// The band keeps |kx|, |ky| <= K = floor((size - 1) / 3): a product of two band fields holds
// wave numbers up to 2K, which alias to size - 2K > K or beyond, outside the band, so the
// quadratic advection term is exact on the band (K = 21, 42, 85, 170).
//
// Packed layout of a spectrum (what the real 2-D transform leaves), row-major, entry
// size*row + column: row r carries ky = r for r <= size/2 and r - size above; for kx >= 1,
// column kx holds the real part and column size - kx the imaginary part of the coefficient of
// (kx, ky); column 0 (kx = 0) is halfcomplex down the column: row ky (1 <= ky < size/2) holds
// the real part and row size - ky the imaginary part of (0, ky). Modes with kx < 0 are the
// conjugates of (-kx, -ky) and are not stored. The forward transform carries 1/size^2, so a
// band-limited field has the same coefficients on every grid that holds its band.
class Grid {
  public:
    // Where a stored mode's real and imaginary parts sit in a packed spectrum.
    struct ModeEntries {
        int real;
        int imaginary;
    };

    // size must be one of SupportedGridSizes.
    constexpr explicit Grid(int size = DefaultGridSize) : size_(size), bandLimit_((size - 1) / 3) {}

    constexpr int size() const { return size_; }
    constexpr int points() const { return size_ * size_; }
    constexpr int bandLimit() const { return bandLimit_; }
    // Largest kx^2 + ky^2 of the band: its corner.
    constexpr int largestKSquared() const { return 2 * bandLimit_ * bandLimit_; }

    // Whether a row or column index belongs to the band (0..K or size-K..size-1).
    constexpr bool isBandIndex(int index) const { return index <= bandLimit_ || index >= size_ - bandLimit_; }
    // |k| of a band row or column index.
    constexpr int foldedWaveNumber(int index) const { return index <= bandLimit_ ? index : size_ - index; }
    // Row or column index of a signed wave number -K..K (negative ones wrap by adding size).
    constexpr int bandIndex(int signedWaveNumber) const {
        return signedWaveNumber < 0 ? signedWaveNumber + size_ : signedWaveNumber;
    }
    // The signed wave number -K..K of a band row or column index.
    constexpr int signedWaveNumber(int index) const { return index <= bandLimit_ ? index : index - size_; }
    constexpr int entryIndex(int row, int column) const { return row * size_ + column; }

    // The entries of mode (kx, ky), for kx >= 1 with |kx|, |ky| <= K, or kx == 0 with
    // 1 <= ky <= K; the other modes are conjugates of these.
    constexpr ModeEntries modeEntries(int kx, int ky) const {
        if (kx == 0) {
            return {entryIndex(ky, 0), entryIndex(size_ - ky, 0)};
        }
        const int row = bandIndex(ky);
        return {entryIndex(row, kx), entryIndex(row, size_ - kx)};
    }

    // Calls visit(row, column, kSquared) for every band entry; the order carries no meaning
    // since every band operator treats each entry on its own.
    template <typename Visit>
    constexpr void forEachBandEntry(Visit&& visit) const {
        for (int ky = -bandLimit_; ky <= bandLimit_; ++ky) {
            const int row = bandIndex(ky);
            for (int kx = -bandLimit_; kx <= bandLimit_; ++kx) {
                visit(row, bandIndex(kx), kx * kx + ky * ky);
            }
        }
    }

    // The same, without the mean entry (row 0, column 0), which no step reads or writes.
    template <typename Visit>
    constexpr void forEachBandEntryButMean(Visit&& visit) const {
        forEachBandEntry([&](int row, int column, int kSquared) {
            if (kSquared != 0) {
                visit(row, column, kSquared);
            }
        });
    }

    constexpr bool operator==(const Grid&) const = default;

  private:
    int size_;
    int bandLimit_;
};

// A real field on a grid, row-major, element size*y + x: either grid values or the packed real
// 2-D spectrum (the role of the holder says which). Starts as zeros.
class PackedSpectrum {
  public:
    explicit PackedSpectrum(Grid grid) : grid_(grid), values_(static_cast<std::size_t>(grid.points()), 0.0) {}

    const Grid& grid() const { return grid_; }
    std::size_t size() const { return values_.size(); }
    double* data() { return values_.data(); }
    const double* data() const { return values_.data(); }
    double& operator[](std::size_t at) { return values_[at]; }
    double operator[](std::size_t at) const { return values_[at]; }
    auto begin() { return values_.begin(); }
    auto end() { return values_.end(); }
    auto begin() const { return values_.begin(); }
    auto end() const { return values_.end(); }
    void fill(double value) { values_.assign(values_.size(), value); }

    bool operator==(const PackedSpectrum&) const = default;

  private:
    Grid grid_;
    AlignedValues values_;
};

}  // namespace swirlon
