// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/fft.h"

#include <cassert>
#include <cmath>
#include <utility>

namespace swirlon {
namespace {

// -2*pi as the double the tables are built from.
constexpr double MinusTwoPi = -6.283185307179586;

constexpr int log2Of(int n) {
    int bits = 0;
    while ((1 << bits) < n) {
        ++bits;
    }
    return bits;
}

constexpr int TableCount = log2Of(MaxFftLength) + 1;

FftTables buildTables(int n) {
    FftTables tables;
    tables.n = n;
    const double step = MinusTwoPi / n;
    for (int i = 0; i < n; ++i) {
        const double theta = i * step;
        tables.cosTable[i] = std::cos(theta);
        tables.forwardSinTable[i] = std::sin(theta);
        tables.inverseSinTable[i] = -std::sin(theta);
    }
    return tables;
}

struct AllTables {
    std::array<FftTables, TableCount> bySize;
    AllTables() {
        for (int bits = 1; bits < TableCount; ++bits) {
            bySize[bits] = buildTables(1 << bits);
        }
    }
};

// The line transform of one length and direction: its tables, its scale (1/n per forward
// pass, none inverse) and the two line buffers it works in. The buffers live on the stack, so
// a transform has no way to run without them.
struct LineTransform {
    LineTransform(int length, Direction direction)
        : n(length),
          scale(direction == Direction::forward ? 1.0 / length : 1.0),
          sinTable(direction == Direction::forward ? fftTables(length).forwardSinTable.data()
                                                   : fftTables(length).inverseSinTable.data()),
          cosTable(fftTables(length).cosTable.data()) {}

    // The line in re, im, transformed in place.
    void run() { fft1d(n, scale, re.data(), im.data(), sinTable, cosTable); }

    int n;
    double scale;
    const double* sinTable;
    const double* cosTable;
    std::array<double, MaxFftLength> re;
    std::array<double, MaxFftLength> im;
};

// Columns s and n - s (s = 1..n/2 - 1) hold the real and imaginary parts of one complex
// column; both directions transform them alike, in ascending order of s.
void transformComplexColumns(LineTransform& line, double* a) {
    const int n = line.n;
    for (int s = 1; s < n / 2; ++s) {
        for (int row = 0; row < n; ++row) {
            line.re[row] = a[row * n + s];
            line.im[row] = a[row * n + n - s];
        }
        line.run();
        for (int row = 0; row < n; ++row) {
            a[row * n + s] = line.re[row];
            a[row * n + n - s] = line.im[row];
        }
    }
}

}  // namespace

const FftTables& fftTables(int n) {
    assert(isSupportedFftLength(n));
    static const AllTables all;
    return all.bySize[log2Of(n)];
}

void fft1d(int n, double scale, double* re, double* im, const double* sinTable, const double* cosTable) {
    int half = n / 2;
    int span = n;
    int stride = 1;
    while (half >= 1) {
        for (int i = 0; i < half; ++i) {
            const int t = i * stride;
            const double wc = cosTable[t];
            const double ws = sinTable[t];
            for (int j = i; j < n; j += span) {
                const int partner = j + half;
                const double dr = re[j] - re[partner];
                const double di = im[j] - im[partner];
                re[j] = re[j] + re[partner];
                im[j] = im[j] + im[partner];
                re[partner] = dr * wc - di * ws;
                im[partner] = dr * ws + di * wc;
            }
        }
        span = half;
        half /= 2;
        stride *= 2;
    }

    // The butterflies leave the line in bit-reversed order; a reversed counter undoes it.
    int rev = 0;
    for (int i = 1; i <= n - 2; ++i) {
        int m = n / 2;
        rev ^= m;
        while (m > rev) {
            m /= 2;
            rev ^= m;
        }
        if (i < rev) {
            std::swap(re[i], re[rev]);
            std::swap(im[i], im[rev]);
        }
    }

    for (int i = 0; i < n; ++i) {
        re[i] *= scale;
        im[i] *= scale;
    }
}

void forwardRealColumn(int n, double* column, int stride) {
    assert(isSupportedFftLength(n));
    LineTransform line(n, Direction::forward);
    for (int row = 0; row < n; ++row) {
        line.re[row] = column[row * stride];
        line.im[row] = 0.0;
    }
    line.run();
    for (int row = 0; row <= n / 2; ++row) {
        column[row * stride] = line.re[row];
    }
    for (int k = 1; k < n / 2; ++k) {
        column[(n - k) * stride] = line.im[k];
    }
}

// The halfcomplex column expands to its full conjugate-symmetric sequence first.
void inverseRealColumn(int n, double* column, int stride) {
    assert(isSupportedFftLength(n));
    LineTransform line(n, Direction::inverse);
    const int h = n / 2;
    line.re[0] = column[0];
    line.re[h] = column[h * stride];
    for (int row = 1; row < h; ++row) {
        line.re[row] = column[row * stride];
        line.re[n - row] = column[row * stride];
    }
    line.im[0] = 0.0;
    line.im[h] = 0.0;
    for (int k = 1; k < h; ++k) {
        line.im[k] = column[(n - k) * stride];
        line.im[n - k] = -column[(n - k) * stride];
    }
    line.run();
    for (int row = 0; row < n; ++row) {
        column[row * stride] = line.re[row];
    }
}

void forwardRealFft2d(int n, double* a) {
    assert(isSupportedFftLength(n));
    LineTransform line(n, Direction::forward);
    double* re = line.re.data();
    double* im = line.im.data();
    const int h = n / 2;

    // Rows two at a time as one complex line, then separated into two halfcomplex rows.
    for (int p = 0; p < h; ++p) {
        double* even = a + 2 * p * n;
        double* odd = even + n;
        for (int x = 0; x < n; ++x) {
            re[x] = even[x];
            im[x] = odd[x];
        }
        line.run();
        even[0] = re[0];
        even[h] = re[h];
        for (int k = 1; k < h; ++k) {
            even[k] = (re[n - k] + re[k]) * 0.5;
            even[n - k] = (im[k] - im[n - k]) * 0.5;
        }
        odd[0] = im[0];
        odd[h] = im[h];
        for (int k = 1; k < h; ++k) {
            odd[k] = (im[n - k] + im[k]) * 0.5;
            odd[n - k] = (re[n - k] - re[k]) * 0.5;
        }
    }

    transformComplexColumns(line, a);
    forwardRealColumn(n, a, n);
    forwardRealColumn(n, a + h, n);
}

void inverseRealFft2d(int n, double* a) {
    assert(isSupportedFftLength(n));
    LineTransform line(n, Direction::inverse);
    double* re = line.re.data();
    double* im = line.im.data();
    const int h = n / 2;

    transformComplexColumns(line, a);
    inverseRealColumn(n, a, n);
    inverseRealColumn(n, a + h, n);

    // Each row pair P, Q becomes the spectrum of P + i*Q and is transformed as one line.
    for (int p = 0; p < h; ++p) {
        double* even = a + 2 * p * n;
        double* odd = even + n;
        for (int k = 1; k < h; ++k) {
            re[k] = even[k] - odd[n - k];
            re[n - k] = even[k] + odd[n - k];
            im[k] = even[n - k] + odd[k];
            im[n - k] = odd[k] - even[n - k];
        }
        re[0] = even[0];
        re[h] = even[h];
        im[0] = odd[0];
        im[h] = odd[h];
        line.run();
        for (int x = 0; x < n; ++x) {
            even[x] = re[x];
            odd[x] = im[x];
        }
    }
}

}  // namespace swirlon
