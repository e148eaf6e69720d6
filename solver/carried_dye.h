// SPDX-License-Identifier: GPL-3.0-or-later
// The dye a run carries (solver/dye.h), with the storage and the thread that move it. When the
// step runs on one thread and the machine has a second core, each frame's dye is carried on a
// thread of its own, by a copy of that frame's velocities, while the next frame is computed:
// the dye then costs the run little more than the copy. Whoever asks for the dye waits for the
// carrying under way, so every caller sees exactly the dye of the frames done, the same bit for
// bit as when it is carried in place.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "solver/dye.h"
#include "solver/grid.h"
#include "solver/step_threads.h"

namespace swirlon {

class CarriedDye {
  public:
    explicit CarriedDye(const DyeField& dye);
    ~CarriedDye();
    CarriedDye(const CarriedDye&) = delete;
    CarriedDye& operator=(const CarriedDye&) = delete;

    // The dye of every frame carried so far (waits for the carrying under way).
    const DyeField& field() const;

    // Carries the dye for dt by the grid velocities velX, velY (on the dye's grid): its rows
    // shared among `shared` when the step has threads of its own, else in the background when
    // there is a second core, else in place.
    void carry(const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, StepThreads* shared);

  private:
    void waitUntilIdle() const;
    void carryInBackground();

    DyeField dye_;
    DyeScratch scratch_;
    // The background's copy of the velocities, and its work: pending from carry() until done.
    PackedSpectrum velX_;
    PackedSpectrum velY_;
    double dt_ = 0.0;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool pending_ = false;
    bool stopping_ = false;
    std::thread background_;
};

}  // namespace swirlon
