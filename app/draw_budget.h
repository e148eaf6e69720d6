// SPDX-License-Identifier: GPL-3.0-or-later
// A redraw that may take only a share of the time. After each redraw the wait before the next
// becomes what that redraw cost divided by the share, never less than a floor (the screen's
// refresh) and never more than a ceiling (the longest wait that still looks like motion). A run
// at full speed then loses at most that share to drawing unless a redraw costs more than the
// share of the ceiling, in which case the ceiling keeps the picture moving.
#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

#include <algorithm>
#include <limits>

namespace swirlon {

class DrawBudget {
  public:
    DrawBudget(qint64 floorNs, double share, qint64 ceilingNs = std::numeric_limits<qint64>::max())
        : floorNs_(floorNs), share_(share), ceilingNs_(ceilingNs), intervalNs_(floorNs) {}

    // A new floor counts from the next redraw on.
    void setFloor(qint64 floorNs) { floorNs_ = floorNs; }

    // The next redraw is due at once, whatever the last one cost.
    void restart() { sinceLast_.invalidate(); }

    bool due() const { return !sinceLast_.isValid() || sinceLast_.nsecsElapsed() >= intervalNs_; }

    qint64 intervalNs() const { return intervalNs_; }

    // Runs one redraw and sets the wait before the next, counted from this one's start.
    template <typename Redraw>
    void draw(Redraw&& redraw) {
        sinceLast_.start();
        redraw();
        costNs_ = sinceLast_.nsecsElapsed();
        updateInterval();
    }

    // Work the last redraw left for later, such as paint events the toolkit delivers after it,
    // counts towards that redraw's cost.
    void charge(qint64 laterNs) {
        costNs_ += laterNs;
        updateInterval();
    }

  private:
    void updateInterval() {
        const auto byCost = static_cast<qint64>(static_cast<double>(costNs_) / share_);
        intervalNs_ = std::max(floorNs_, std::min(ceilingNs_, byCost));
    }

    qint64 floorNs_;
    double share_;
    qint64 ceilingNs_;
    qint64 intervalNs_;
    qint64 costNs_ = 0;
    QElapsedTimer sinceLast_;
};

}  // namespace swirlon
