// SPDX-License-Identifier: GPL-3.0-or-later
// How fast a run goes, and which frames a paced run owes at a given moment of wall time.
#pragma once

#include <array>
#include <cstdint>

namespace swirlon {

// Units of simulated time per second of wall time; zero (the start-up choice) means as fast as
// the machine goes.
struct Pace {
    double timePerSecond = 0.0;

    bool unlimited() const { return !(timePerSecond > 0.0); }
    friend bool operator==(Pace, Pace) = default;
};

inline constexpr Pace MaxPace{};
// The paces offered besides MaxPace, slowest first.
inline constexpr std::array PacedChoices{Pace{0.1}, Pace{0.5}, Pace{2.0}, Pace{10.0}};

// Frame n after a restart falls due once n * TimeStep / pace seconds of wall time have passed
// since the restart: the frames due at a moment are floor(elapsed * pace / TimeStep), counted
// on from the frames done at the restart. Times are nanoseconds on any steady clock.
class PaceSchedule {
  public:
    // Counting starts at nowNs with framesDone frames already done; pace must not be unlimited.
    void restart(Pace pace, std::int64_t framesDone, std::int64_t nowNs);

    // Frames that should be done by nowNs.
    std::int64_t framesDue(std::int64_t nowNs) const;
    // The moment at which the total of frames done should reach frames.
    std::int64_t dueAtNs(std::int64_t frames) const;

    // A run held up for longer than a short lag (a modal box, a machine too slow for the pace)
    // would otherwise rush through the frames it missed; counting starts afresh instead.
    // Returns true when it did.
    bool forgiveLag(std::int64_t framesDone, std::int64_t nowNs);

  private:
    double framesPerSecond_ = 1.0;
    std::int64_t baseFrames_ = 0;
    std::int64_t baseNs_ = 0;
};

}  // namespace swirlon
