// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's panes beside the prompt and the lock keys: the simulated time, the Reynolds
// number in use, frames per second during a run, and the numerical health of the last frame
// recorded (from the run's diagnostics record, so its values are measured once).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <QTimer>
#include "solver/grid.h"

#include <array>
#include <cstdint>
#include <deque>
#include <span>

#include "app/run_pace.h"

class QLabel;
class QStatusBar;

namespace swirlon {

class FlowView;
class RunRecorder;

enum class StatusPane : int { health = 0, time, reynolds, frameRate };
inline constexpr std::size_t StatusPaneCount = 4;

QString timePaneText(double time);
QString reynoldsPaneText(int reynolds);
// With a pace chosen that the run does not reach, the pane also says the pace reached.
QString frameRatePaneText(double framesPerSecond, Pace chosen = MaxPace);
// Notes on the last frame worth a look, each empty when all is well; the pane shows those that
// are not, side by side.
QString healthPaneText(std::span<const QString> notes);
// Empty for a frame of one step.
QString subStepsNote(int subSteps);
// Empty while the grid resolves the flow (solver/spectra.h).
QString resolutionNote(double edgeEnstrophyShare, double filterEnstrophyShare = 0.0);
// The grid, when it is not the default one.
QString gridNote(const Grid& grid);

class StatusPanes : public QObject {
    Q_OBJECT

  public:
    // Puts the panes onto bar, to the left of any permanent panes it already has, and follows
    // the view from then on.
    StatusPanes(FlowView& view, const RunRecorder& recorder, QStatusBar& bar);

    QString text(StatusPane pane) const;
    // Sets every pane from the view now.
    void refresh();

  private:
    // During a run the panes follow on a timer: a pane set at every frame would cost the run
    // more than it shows.
    void runStateChanged();
    void tick();

    struct Sample {
        std::int64_t ns;
        long long frames;
    };

    FlowView& view_;
    const RunRecorder& recorder_;
    std::array<QLabel*, StatusPaneCount> labels_{};
    QTimer ticker_;
    QElapsedTimer runClock_;
    // Frame counts of the last second of the run, oldest first, for frames per second.
    std::deque<Sample> samples_;
    double framesPerSecond_ = 0.0;
    // The pace the samples were taken at; a new pace starts the count afresh.
    Pace samplesPace_;
};

}  // namespace swirlon
