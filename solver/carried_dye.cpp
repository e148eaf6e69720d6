// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/carried_dye.h"

#include <algorithm>

namespace swirlon {

CarriedDye::CarriedDye(const DyeField& dye) : dye_(dye), scratch_(dye.grid()), velX_(dye.grid()), velY_(dye.grid()) {
    if (std::thread::hardware_concurrency() >= 2) {
        background_ = std::thread([this] { carryInBackground(); });
    }
}

CarriedDye::~CarriedDye() {
    if (background_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        background_.join();
    }
}

const DyeField& CarriedDye::field() const {
    waitUntilIdle();
    return dye_;
}

void CarriedDye::waitUntilIdle() const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
}

void CarriedDye::carry(const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, StepThreads* shared) {
    waitUntilIdle();
    if (shared != nullptr || !background_.joinable()) {
        advectDye(dye_, velX, velY, dt, scratch_, shared);
        return;
    }
    std::copy(velX.begin(), velX.end(), velX_.begin());
    std::copy(velY.begin(), velY.end(), velY_.begin());
    {
        const std::lock_guard lock(mutex_);
        dt_ = dt;
        pending_ = true;
    }
    changed_.notify_all();
}

void CarriedDye::carryInBackground() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (stopping_) {
            return;
        }
        lock.unlock();
        advectDye(dye_, velX_, velY_, dt_, scratch_);
        lock.lock();
        pending_ = false;
        changed_.notify_all();
    }
}

}  // namespace swirlon
