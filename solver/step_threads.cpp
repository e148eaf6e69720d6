// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/step_threads.h"

#include <chrono>

namespace swirlon {
namespace {

// Passes follow each other within tens of microseconds inside a step: a helper first polls
// for this long before it sleeps, so it is awake for the next pass but idle between frames.
constexpr auto SpinBeforeSleep = std::chrono::microseconds(200);

// Polls until value differs from seen, then sleeps on it; returns the new value.
template <typename T>
T awaitChange(const std::atomic<T>& value, T seen) {
    const auto until = std::chrono::steady_clock::now() + SpinBeforeSleep;
    while (std::chrono::steady_clock::now() < until) {
        const T now = value.load(std::memory_order_acquire);
        if (now != seen) {
            return now;
        }
    }
    value.wait(seen, std::memory_order_acquire);
    return value.load(std::memory_order_acquire);
}

}  // namespace

int defaultStepThreads(const Grid& grid) {
    const bool twoCores = std::thread::hardware_concurrency() >= 2;
    return grid.size() >= SmallestThreadedGridSize && twoCores ? 2 : 1;
}

StepThreads::StepThreads(int count) : count_(count < 1 ? 1 : (count > MaxStepThreads ? MaxStepThreads : count)) {
    helpers_.reserve(static_cast<std::size_t>(count_ - 1));
    for (int part = 1; part < count_; ++part) {
        helpers_.emplace_back([this, part] { helperLoop(part); });
    }
}

StepThreads::~StepThreads() {
    stopping_.store(true, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    generation_.notify_all();
    for (std::thread& helper : helpers_) {
        helper.join();
    }
}

void StepThreads::runErased(void (*call)(void*, int), void* context) {
    if (count_ == 1) {
        call(context, 0);
        return;
    }
    call_ = call;
    context_ = context;
    pending_.store(count_ - 1, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    generation_.notify_all();
    call(context, 0);
    for (int left = pending_.load(std::memory_order_acquire); left != 0;
         left = pending_.load(std::memory_order_acquire)) {
        awaitChange(pending_, left);
    }
}

void StepThreads::helperLoop(int part) {
    // The count at construction, not a fresh load: a run may start before this thread does.
    unsigned seen = 0;
    while (true) {
        seen = awaitChange(generation_, seen);
        if (stopping_.load(std::memory_order_acquire)) {
            return;
        }
        call_(context_, part);
        if (pending_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            pending_.notify_one();
        }
    }
}

}  // namespace swirlon
