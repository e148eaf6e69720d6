// SPDX-License-Identifier: GPL-3.0-or-later
// Storage for the solver's fields that starts on a cache-line boundary. The vector kernels load
// and store whole 64-byte lines of eight doubles at offsets that are multiples of eight from a
// field's start; from an allocation at an arbitrary 16-byte boundary every such access would
// straddle two lines.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace swirlon {

inline constexpr std::size_t CacheLineBytes = 64;

template <typename T>
struct CacheLineAllocator {
    using value_type = T;

    CacheLineAllocator() = default;
    template <typename U>
    constexpr CacheLineAllocator(const CacheLineAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        return static_cast<T*>(::operator new (count * sizeof(T), std::align_val_t{CacheLineBytes}));
    }
    void deallocate(T* p, std::size_t) noexcept { ::operator delete (p, std::align_val_t{CacheLineBytes}); }

    template <typename U>
    bool operator==(const CacheLineAllocator<U>&) const noexcept {
        return true;
    }
};

// The values of a field, aligned to a cache line.
using AlignedValues = std::vector<double, CacheLineAllocator<double>>;

}  // namespace swirlon
