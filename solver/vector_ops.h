// SPDX-License-Identifier: GPL-3.0-or-later
// What the vector kernels are written over: a vector type of Lanes doubles with IEEE arithmetic
// lane by lane (VectorOps), and OneLane, the plain double as a vector of one lane. A source file
// that compiles kernels for an instruction set defines SWIRLON_SIMD (its target attribute) and
// its vector type before including the kernel headers; elsewhere SWIRLON_SIMD is empty.
//
// The kernel headers keep everything in an anonymous namespace: every instruction set gets its
// own copy, and no function compiled for a wide instruction set can stand in for a narrower one
// at link time.
#pragma once

#include <bit>
#include <cmath>
#include <concepts>
#include <cstdint>

#ifndef SWIRLON_SIMD
#define SWIRLON_SIMD
#endif

namespace swirlon {
namespace {

// What the kernels need of a vector type: Vec holds Lanes doubles, the arithmetic is IEEE
// double arithmetic lane by lane, reverse turns the lane order round, transpose transposes
// Lanes vectors in place, and masks hold all bits set or all clear in each lane (bitAnd keeps
// a value's lanes, select takes a's lanes where the mask is set and b's elsewhere).
template <typename V>
concept VectorOps = requires(typename V::Vec a, typename V::Vec* block, double* p, double x) {
    requires std::same_as<decltype(V::Lanes), const int>;
    { V::load(p) } -> std::same_as<typename V::Vec>;
    V::store(p, a);
    { V::set1(x) } -> std::same_as<typename V::Vec>;
    { V::zero() } -> std::same_as<typename V::Vec>;
    { V::add(a, a) } -> std::same_as<typename V::Vec>;
    { V::sub(a, a) } -> std::same_as<typename V::Vec>;
    { V::mul(a, a) } -> std::same_as<typename V::Vec>;
    { V::div(a, a) } -> std::same_as<typename V::Vec>;
    { V::reverse(a) } -> std::same_as<typename V::Vec>;
    { V::bitAnd(a, a) } -> std::same_as<typename V::Vec>;
    { V::select(a, a, a) } -> std::same_as<typename V::Vec>;
    V::transpose(block);
};

// One double as a vector of one lane: for the lone entries the vector passes leave over.
struct OneLane {
    using Vec = double;
    static constexpr int Lanes = 1;
    static Vec load(const double* p) { return *p; }
    static void store(double* p, Vec v) { *p = v; }
    static Vec set1(double x) { return x; }
    static Vec zero() { return 0.0; }
    static Vec add(Vec a, Vec b) { return a + b; }
    static Vec sub(Vec a, Vec b) { return a - b; }
    static Vec mul(Vec a, Vec b) { return a * b; }
    static Vec div(Vec a, Vec b) { return a / b; }
    static Vec reverse(Vec v) { return v; }
    static Vec bitAnd(Vec a, Vec mask) {
        return std::bit_cast<double>(std::bit_cast<std::uint64_t>(a) & std::bit_cast<std::uint64_t>(mask));
    }
    static Vec select(Vec mask, Vec a, Vec b) { return std::bit_cast<std::uint64_t>(mask) != 0 ? a : b; }
    static void transpose(Vec*) {}
    static Vec min(Vec a, Vec b) { return a < b ? a : b; }
    static Vec max(Vec a, Vec b) { return a > b ? a : b; }
    static Vec floor(Vec x) { return std::floor(x); }
};

}  // namespace
}  // namespace swirlon
