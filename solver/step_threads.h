// SPDX-License-Identifier: GPL-3.0-or-later
// The threads a step's passes share: the calling thread and helper threads that each take one
// part of a pass's independent lines. Results do not depend on the count, since every line is
// computed by exactly one thread with the same arithmetic as on one thread.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

#include "solver/grid.h"

namespace swirlon {

// More threads than a row or column pass has line groups to share would only wait.
inline constexpr int MaxStepThreads = 8;
// The smallest grid whose step gains from a second thread: measured, two threads against one
// take 1.4x the time at 64 points, the same at 128, and 0.64x and 0.58x at 256 and 512.
inline constexpr int SmallestThreadedGridSize = 256;

// The threads a step on this grid runs best on here: two from SmallestThreadedGridSize up when
// the machine has two cores, else one.
int defaultStepThreads(const Grid& grid);

class StepThreads {
  public:
    // count in 1..MaxStepThreads; count - 1 helper threads are started, sleeping until asked.
    explicit StepThreads(int count);
    ~StepThreads();
    StepThreads(const StepThreads&) = delete;
    StepThreads& operator=(const StepThreads&) = delete;

    int count() const { return count_; }

    // Calls work(part) for every part 0..count()-1 at once, part 0 on the calling thread, and
    // returns when every part is done. Allocates nothing.
    template <typename Work>
    void run(Work&& work) {
        runErased([](void* context, int part) { (*static_cast<Work*>(context))(part); }, &work);
    }

  private:
    void runErased(void (*call)(void*, int), void* context);
    void helperLoop(int part);

    int count_;
    std::vector<std::thread> helpers_;
    void (*call_)(void*, int) = nullptr;
    void* context_ = nullptr;
    // Bumped once per run (and once more to stop); helpers wake on a change and then read the
    // stop flag. The caller waits for pending to reach zero, so no helper misses a run.
    std::atomic<unsigned> generation_{0};
    std::atomic<int> pending_{0};
    std::atomic<bool> stopping_{false};
};

// What a step needs to run its passes on several threads: the threads, and storage for the
// packed intermediate rows that a single thread keeps inside the fields it overwrites (on
// several threads one part's grid rows would overwrite another part's packed rows).
class ParallelStep {
  public:
    // The packed storage fits any vector width: a packed row is shorter than a grid row.
    static constexpr int PackedFields = 5;

    ParallelStep(int threads, const Grid& grid)
        : threads_(threads),
          packed_(static_cast<std::size_t>(PackedFields) * static_cast<std::size_t>(grid.points())),
          points_(grid.points()) {}

    StepThreads& threads() { return threads_; }
    // Packed rows of field 0..PackedFields-1 (the four derivatives, then the advection term).
    double* packed(int field) { return packed_.data() + static_cast<std::size_t>(field) * points_; }

  private:
    StepThreads threads_;
    AlignedValues packed_;
    std::size_t points_;
};

}  // namespace swirlon
