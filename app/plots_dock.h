// SPDX-License-Identifier: GPL-3.0-or-later
// The dock of live plots beside the picture: energy and enstrophy relative to the start of the
// series, max |vorticity| and the sub-steps per frame against time, and the energy spectrum by
// shell on log-log axes with a dashed k^-3 guide. The time plots draw the run's diagnostics
// record; the spectrum is of the state the view holds. While shown, the dock redraws at most
// ten times a second, only when something new was recorded, and less often when redrawing
// would take more than a small share of the time.
#pragma once

#include <QDockWidget>
#include <QList>
#include <QPointF>
#include <QTimer>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/draw_budget.h"

class QChart;
class QLineSeries;
class QAbstractAxis;
class QLogValueAxis;
class QValueAxis;

namespace swirlon {

class FlowView;
class RunRecorder;

enum class Curve : int {
    energy = 0,
    enstrophy,
    maxVorticity,
    subSteps,
    spectrum,
    spectrumGuide,
    injection,
    dissipation,
    drag,
};
inline constexpr std::size_t CurveCount = 9;

class PlotsDock : public QDockWidget {
    Q_OBJECT

  public:
    PlotsDock(const FlowView& view, const RunRecorder& recorder, QWidget* parent = nullptr);

    // The points a curve shows now.
    // Every axis of the four charts: time and ratio, time, |ω| and sub-steps, k and E(k), time
    // and the energy budget's rates.
    std::vector<const QAbstractAxis*> axes() const;
    QList<QPointF> points(Curve curve) const;
    // Redraws every plot if something was recorded since the last time.
    void refresh();

  private:
    void redraw();
    // The refresh timer waits as long as the drawing budget asks.
    void followBudget();
    void drawTimeSeries();
    void drawSpectrum();
    QLineSeries* curve(Curve which) const { return curves_[static_cast<std::size_t>(which)]; }

    const FlowView& view_;
    const RunRecorder& recorder_;
    std::array<QLineSeries*, CurveCount> curves_{};
    QValueAxis* timeAxisTop_ = nullptr;
    QValueAxis* ratioAxis_ = nullptr;
    QValueAxis* timeAxisMiddle_ = nullptr;
    QValueAxis* vorticityAxis_ = nullptr;
    QValueAxis* subStepsAxis_ = nullptr;
    QLogValueAxis* shellAxis_ = nullptr;
    QLogValueAxis* spectrumAxis_ = nullptr;
    QValueAxis* timeAxisBottom_ = nullptr;
    QValueAxis* rateAxis_ = nullptr;
    QTimer refreshTimer_;
    DrawBudget refreshBudget_;
    int chartCount_ = 0;
    int unpaintedCharts_ = 0;
    std::uint64_t shownRevision_ = 0;
    bool shownOnce_ = false;
};

}  // namespace swirlon
