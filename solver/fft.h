// SPDX-License-Identifier: GPL-3.0-or-later
// The real 2-D FFT between grid values and the packed spectrum, and the radix-2 line
// transform it is built from. Forward carries 1/n per pass (1/n^2 in all), inverse none.
#pragma once

#include <array>

namespace swirlon {

// Forward: grid values to spectrum; inverse: spectrum to grid values.
enum class Direction { forward, inverse };

// Longest line the transforms accept; the grid only ever uses GridSize.
inline constexpr int MaxFftLength = 1024;

constexpr bool isSupportedFftLength(int n) { return n >= 2 && n <= MaxFftLength && (n & (n - 1)) == 0; }

// Twiddle tables of one length, computed once: cos and sin of i * (-2*pi/n), and the
// negated sines that turn the forward transform into the inverse one.
struct FftTables {
    int n = 0;
    std::array<double, MaxFftLength> cosTable{};
    std::array<double, MaxFftLength> forwardSinTable{};
    std::array<double, MaxFftLength> inverseSinTable{};
};

// The tables of a supported length, built on first use and kept for the life of the process
// (static storage, no heap), so a transform never runs short of them.
const FftTables& fftTables(int n);

// In-place decimation-in-frequency FFT of re + i*im, result in natural order times scale:
// X[k] = scale * sum_j z[j] * exp(i*phi*j*k) for tables holding cos/sin of t*phi.
void fft1d(int n, double scale, double* re, double* im, const double* sinTable, const double* cosTable);

// Columns 0 and n/2 of the packed spectrum are real columns: their spectra are stored
// halfcomplex down the column (rows 0..n/2 real parts, row n - k the imaginary part of entry k).
// One such column, its n values `stride` apart, transformed in place: grid values to that form
// (times 1/n), and back.
void forwardRealColumn(int n, double* column, int stride);
void inverseRealColumn(int n, double* column, int stride);

// Grid values in, packed spectrum out, in place on an n x n row-major array.
void forwardRealFft2d(int n, double* a);
// Packed spectrum in, grid values out, in place.
void inverseRealFft2d(int n, double* a);

}  // namespace swirlon
