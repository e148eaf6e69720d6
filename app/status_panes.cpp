// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/status_panes.h"

#include <QLabel>
#include <QStatusBar>

#include <cmath>
#include <vector>

#include "app/flow_view.h"
#include "app/run_recorder.h"
#include "app/texts.h"
#include "solver/grid.h"
#include "solver/spectra.h"

namespace swirlon {
namespace {

// Ten refreshes a second keep the clock moving smoothly and cost the run nothing to speak of.
constexpr int TickIntervalMs = 100;
// Frames per second are counted over this much of the run.
constexpr std::int64_t RateWindowNs = 1'000'000'000;
constexpr double NanosecondsPerSecond = 1e9;
constexpr int TimeDecimals = 2;
// A run within this share of its pace has reached it; the schedule rounds to whole frames.
constexpr double PaceReachedShare = 0.9;
constexpr int PaceDigits = 2;
// Room around a pane's text, so that a pane keeps its width as the numbers change.
constexpr int PaneMargin = 12;

QString join(std::span<const QString> notes) {
    QStringList shown;
    for (const QString& note : notes) {
        if (!note.isEmpty()) {
            shown << note;
        }
    }
    return shown.join(QStringLiteral("  "));
}

// The widest text a pane is sized for.
QString widestText(StatusPane pane) {
    constexpr int ManySubSteps = 1024;
    constexpr double LongTime = 99999.99;
    constexpr int HighFrameRate = 9999;
    switch (pane) {
    case StatusPane::health:
        return healthPaneText(std::array{subStepsNote(ManySubSteps), resolutionNote(1.0)});
    case StatusPane::time:
        return timePaneText(LongTime);
    case StatusPane::reynolds:
        return reynoldsPaneText(ReynoldsHigh);
    case StatusPane::frameRate:
        return frameRatePaneText(HighFrameRate, PacedChoices.back());
    }
    return {};
}

}  // namespace

QString gridNote(const Grid& grid) { return grid == Grid{} ? QString() : texts::PaneGrid.toString().arg(grid.size()); }

QString timePaneText(double time) { return texts::PaneTime.arg(QString::number(time, 'f', TimeDecimals)); }

QString reynoldsPaneText(int reynolds) { return texts::PaneReynolds.toString().arg(reynolds); }

QString frameRatePaneText(double framesPerSecond, Pace chosen) {
    const double reached = framesPerSecond * TimeStep;
    if (chosen.unlimited() || reached >= PaceReachedShare * chosen.timePerSecond) {
        return texts::PaneFrameRate.toString().arg(std::llround(framesPerSecond));
    }
    return texts::PanePaceReached.toString().arg(std::llround(framesPerSecond)).arg(reached, 0, 'g', PaceDigits);
}

QString healthPaneText(std::span<const QString> notes) { return join(notes); }

QString subStepsNote(int subSteps) { return subSteps > 1 ? texts::PaneSubSteps.toString().arg(subSteps) : QString(); }

QString resolutionNote(double edgeEnstrophyShare, double filterEnstrophyShare) {
    return isUnderResolved(edgeEnstrophyShare, filterEnstrophyShare) ? texts::PaneUnderResolved.toString() : QString();
}

StatusPanes::StatusPanes(FlowView& view, const RunRecorder& recorder, QStatusBar& bar)
    : QObject(&bar), view_(view), recorder_(recorder) {
    for (std::size_t pane = 0; pane < StatusPaneCount; ++pane) {
        auto* label = new QLabel(&bar);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widestText(static_cast<StatusPane>(pane))) +
                               PaneMargin);
        bar.insertPermanentWidget(static_cast<int>(pane), label);
        labels_[pane] = label;
    }
    ticker_.setInterval(TickIntervalMs);
    connect(&ticker_, &QTimer::timeout, this, &StatusPanes::tick);
    connect(&view, &FlowView::stateChanged, this, &StatusPanes::runStateChanged);
    connect(&recorder, &RunRecorder::seriesChanged, this, [this] {
        // A frame taken alone or a new state shows at once; a run's frames wait for the ticker.
        if (!view_.isRunning()) {
            refresh();
        }
    });
    refresh();
}

QString StatusPanes::text(StatusPane pane) const { return labels_[static_cast<std::size_t>(pane)]->text(); }

void StatusPanes::refresh() {
    const Simulation& flow = view_.simulation();
    const DiagnosticsRecord* latest = recorder_.series().latest();
    const Diagnostics values = latest != nullptr ? latest->values : Diagnostics{};
    const std::array notes{gridNote(flow.grid()), subStepsNote(values.subSteps),
                           resolutionNote(values.edgeEnstrophyShare, values.filterEnstrophyShare)};
    QLabel* health = labels_[static_cast<std::size_t>(StatusPane::health)];
    health->setText(healthPaneText(notes));
    // Shown only while there is something to say; the panes to its right keep their places.
    health->setVisible(!health->text().isEmpty());
    labels_[static_cast<std::size_t>(StatusPane::time)]->setText(timePaneText(flow.time()));
    labels_[static_cast<std::size_t>(StatusPane::reynolds)]->setText(reynoldsPaneText(flow.reynolds()));
    labels_[static_cast<std::size_t>(StatusPane::frameRate)]->setText(
        view_.isRunning() && samples_.size() > 1 ? frameRatePaneText(framesPerSecond_, view_.pace()) : QString());
}

void StatusPanes::runStateChanged() {
    if (view_.isRunning() && (!ticker_.isActive() || samplesPace_ != view_.pace())) {
        samplesPace_ = view_.pace();
        samples_.clear();
        runClock_.start();
        samples_.push_back({0, view_.framesComputed()});
        ticker_.start();
    } else if (!view_.isRunning()) {
        ticker_.stop();
    }
    refresh();
}

void StatusPanes::tick() {
    const Sample now{runClock_.nsecsElapsed(), view_.framesComputed()};
    samples_.push_back(now);
    while (samples_.size() > 2 && now.ns - samples_[1].ns >= RateWindowNs) {
        samples_.pop_front();
    }
    const Sample& oldest = samples_.front();
    framesPerSecond_ = now.ns > oldest.ns ? static_cast<double>(now.frames - oldest.frames) * NanosecondsPerSecond /
                                                static_cast<double>(now.ns - oldest.ns)
                                          : 0.0;
    refresh();
}

}  // namespace swirlon
