// SPDX-License-Identifier: GPL-3.0-or-later
// A redraw that may take only a share of the time. After each redraw the wait before the next
// becomes what that redraw cost divided by the share, and never less than a floor (the screen's
// refresh, or a rate smooth enough to the eye). A run at full speed then loses at most that
// share to drawing, however slow the display or the machine.
#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

#include <algorithm>

namespace swirlon {

class DrawBudget {
public:
    DrawBudget(qint64 floorNs, double share) : floorNs_(floorNs), share_(share), intervalNs_(floorNs) {}

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
    void updateInterval() { intervalNs_ = std::max(floorNs_, static_cast<qint64>(static_cast<double>(costNs_) / share_)); }

    qint64 floorNs_;
    double share_;
    qint64 intervalNs_;
    qint64 costNs_ = 0;
    QElapsedTimer sinceLast_;
};

}  // namespace swirlon
