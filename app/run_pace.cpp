// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_pace.h"

#include <cmath>

#include "solver/grid.h"

namespace swirlon {
namespace {

constexpr double NanosecondsPerSecond = 1e9;
// The longest a paced run may fall behind before it stops trying to catch up.
constexpr double MaxLagSeconds = 0.25;

}  // namespace

void PaceSchedule::restart(Pace pace, std::int64_t framesDone, std::int64_t nowNs) {
    framesPerSecond_ = pace.timePerSecond / TimeStep;
    baseFrames_ = framesDone;
    baseNs_ = nowNs;
}

std::int64_t PaceSchedule::framesDue(std::int64_t nowNs) const {
    const double elapsed = static_cast<double>(nowNs - baseNs_) / NanosecondsPerSecond;
    return baseFrames_ + static_cast<std::int64_t>(std::floor(elapsed * framesPerSecond_));
}

std::int64_t PaceSchedule::dueAtNs(std::int64_t frames) const {
    const double seconds = static_cast<double>(frames - baseFrames_) / framesPerSecond_;
    return baseNs_ + static_cast<std::int64_t>(std::ceil(seconds * NanosecondsPerSecond));
}

bool PaceSchedule::forgiveLag(std::int64_t framesDone, std::int64_t nowNs) {
    if (static_cast<double>(framesDue(nowNs) - framesDone) <= framesPerSecond_ * MaxLagSeconds) {
        return false;
    }
    baseFrames_ = framesDone;
    baseNs_ = nowNs;
    return true;
}

}  // namespace swirlon
