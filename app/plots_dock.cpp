// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/plots_dock.h"

#include "field_io/colour_scale.h"

#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QLegend>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "app/flow_view.h"
#include "app/run_recorder.h"
#include "app/texts.h"
#include "solver/spectra.h"

namespace swirlon {
namespace {

// At most ten redraws a second, smooth to the eye, and drawing takes at most this share of the
// time, so a run at full speed loses little to the plots.
constexpr qint64 RefreshIntervalNs = 100'000'000;
constexpr double DrawingShare = 0.015;
constexpr qint64 NanosecondsPerMillisecond = 1'000'000;
constexpr int ChartMinimumHeight = 160;
constexpr int DockMinimumWidth = 340;
// Axis labels are costly to lay out afresh, so an axis keeps its range while the curve stays
// inside it and fills at least this share of it; a new range gets room above and below.
constexpr double LoosestFill = 0.25;
constexpr double AxisPadding = 0.05;
// The time axis grows in steps of 1, 2 or 5 times a power of ten, with room to run into.
constexpr double TimeHeadroom = 1.25;
// About this many labels along a time axis.
constexpr double TimeIntervals = 4.0;
// The spectrum's axis reaches this many labels (two decades apart, so they stay legible in a
// short plot) below the first label above the peak; what lies deeper does not show in the
// picture either.
constexpr double ShellAxisBase = 10.0;
constexpr double SpectrumAxisBase = 100.0;
constexpr double SpectrumLabels = 5.0;
constexpr double SubStepsHeadroom = 1.25;
// A sub-step axis always shows 0 to at least this, so one step a frame sits well inside it,
// with at most this many whole-number intervals between its labels.
constexpr int FewestSubStepsShown = 2;
constexpr int MostSubStepIntervals = 4;
constexpr int GuideExponent = 3;

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();

    void include(double value) {
        low = std::min(low, value);
        high = std::max(high, value);
    }
    bool empty() const { return low > high; }
};

void follow(QValueAxis* axis, Range range) {
    if (range.empty()) {
        return;
    }
    const double span = range.high - range.low;
    const bool inside = range.low >= axis->min() && range.high <= axis->max();
    if (inside && (span == 0.0 || span >= LoosestFill * (axis->max() - axis->min()))) {
        return;
    }
    const double pad = span > 0.0 ? span * AxisPadding : std::max(std::abs(range.high) * AxisPadding, TimeStep);
    axis->setRange(range.low - pad, range.high + pad);
    axis->applyNiceNumbers();
}

// Labels at round times (multiples of a round interval), with as many decimals as the interval
// needs: 10.3, 10.4, ... rather than 10.3400000.
void followTime(QValueAxis* axis, double start, double end) {
    if (axis->min() == start && end <= axis->max()) {
        return;
    }
    const double span = roundStepAtLeast(std::max(end - start, TimeStep) * TimeHeadroom);
    const double interval = roundStepAtLeast(span / TimeIntervals);
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(interval))));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0.0);
    axis->setTickInterval(interval);
    axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + u'f');
    axis->setRange(start, start + span);
}

// Whole-number labels from 0 at a round interval.
void fitSubSteps(QValueAxis* axis, int most) {
    const int top = std::max(FewestSubStepsShown, static_cast<int>(std::ceil(most * SubStepsHeadroom)));
    const int interval =
        std::max(1, static_cast<int>(roundStepAtLeast(static_cast<double>(top) / MostSubStepIntervals)));
    if (axis->max() != top) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0.0);
        axis->setTickInterval(interval);
        axis->setRange(0.0, top);
    }
}

double relative(double value, double reference) { return reference > 0.0 ? value / reference : 0.0; }

QChart* newChart() {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins());
    chart->setBackgroundRoundness(0.0);
    return chart;
}

QLineSeries* addCurve(QChart* chart, QStringView name, QAbstractAxis* horizontal, QAbstractAxis* vertical) {
    auto* series = new QLineSeries;
    series->setName(name.toString());
    chart->addSeries(series);
    series->attachAxis(horizontal);
    series->attachAxis(vertical);
    return series;
}

template <typename Axis>
Axis* addAxis(QChart* chart, Qt::Alignment side, QStringView title = {}) {
    auto* axis = new Axis;
    axis->setTitleText(title.toString());
    chart->addAxis(axis, side);
    return axis;
}

// A chart paints in paint events the toolkit delivers after the series change, so its view
// tells how long each paint took.
class TimedChartView : public QChartView {
  public:
    TimedChartView(QChart* chart, QWidget* parent, std::function<void(qint64)> painted)
        : QChartView(chart, parent), painted_(std::move(painted)) {
        setMinimumHeight(ChartMinimumHeight);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QElapsedTimer paint;
        paint.start();
        QChartView::paintEvent(event);
        painted_(paint.nsecsElapsed());
    }

  private:
    std::function<void(qint64)> painted_;
};

}  // namespace

PlotsDock::PlotsDock(const FlowView& view, const RunRecorder& recorder, QWidget* parent)
    : QDockWidget(texts::DockPlots.toString(), parent),
      view_(view),
      recorder_(recorder),
      refreshBudget_(RefreshIntervalNs, DrawingShare) {
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    const auto newChartView = [this, body](QChart* chart) {
        ++chartCount_;
        return new TimedChartView(chart, body, [this](qint64 paintNs) {
            // A redraw owns one paint per chart; further paints (a resize or an expose while
            // idle) must not hold back the next redraw.
            if (unpaintedCharts_ == 0) {
                return;
            }
            --unpaintedCharts_;
            refreshBudget_.charge(paintNs);
            followBudget();
        });
    };
    layout->setContentsMargins(QMargins());
    layout->setSpacing(0);

    QChart* budget = newChart();
    timeAxisTop_ = addAxis<QValueAxis>(budget, Qt::AlignBottom, texts::AxisTime);
    ratioAxis_ = addAxis<QValueAxis>(budget, Qt::AlignLeft, texts::AxisRatio);
    curves_[static_cast<std::size_t>(Curve::energy)] = addCurve(budget, texts::CurveEnergy, timeAxisTop_, ratioAxis_);
    curves_[static_cast<std::size_t>(Curve::enstrophy)] =
        addCurve(budget, texts::CurveEnstrophy, timeAxisTop_, ratioAxis_);
    layout->addWidget(newChartView(budget));

    QChart* extremes = newChart();
    timeAxisMiddle_ = addAxis<QValueAxis>(extremes, Qt::AlignBottom, texts::AxisTime);
    vorticityAxis_ = addAxis<QValueAxis>(extremes, Qt::AlignLeft, texts::AxisMaxVorticity);
    subStepsAxis_ = addAxis<QValueAxis>(extremes, Qt::AlignRight, texts::AxisSubSteps);
    subStepsAxis_->setLabelFormat(QStringLiteral("%d"));
    curves_[static_cast<std::size_t>(Curve::maxVorticity)] =
        addCurve(extremes, texts::CurveMaxVorticity, timeAxisMiddle_, vorticityAxis_);
    curves_[static_cast<std::size_t>(Curve::subSteps)] =
        addCurve(extremes, texts::CurveSubSteps, timeAxisMiddle_, subStepsAxis_);
    layout->addWidget(newChartView(extremes));

    QChart* spectrum = newChart();
    shellAxis_ = addAxis<QLogValueAxis>(spectrum, Qt::AlignBottom, texts::AxisWaveNumber);
    spectrumAxis_ = addAxis<QLogValueAxis>(spectrum, Qt::AlignLeft, texts::AxisSpectrum);
    shellAxis_->setBase(ShellAxisBase);
    shellAxis_->setLabelFormat(QStringLiteral("%g"));
    spectrumAxis_->setBase(SpectrumAxisBase);
    spectrumAxis_->setLabelFormat(QStringLiteral("%.0e"));
    shellAxis_->setRange(1.0, largestShell(Grid{}));
    curves_[static_cast<std::size_t>(Curve::spectrum)] =
        addCurve(spectrum, texts::CurveSpectrum, shellAxis_, spectrumAxis_);
    curves_[static_cast<std::size_t>(Curve::spectrumGuide)] =
        addCurve(spectrum, texts::CurveSpectrumGuide, shellAxis_, spectrumAxis_);
    QPen dashed = curve(Curve::spectrumGuide)->pen();
    dashed.setStyle(Qt::DashLine);
    curve(Curve::spectrumGuide)->setPen(dashed);
    layout->addWidget(newChartView(spectrum));

    QChart* rates = newChart();
    timeAxisBottom_ = addAxis<QValueAxis>(rates, Qt::AlignBottom, texts::AxisTime);
    rateAxis_ = addAxis<QValueAxis>(rates, Qt::AlignLeft, texts::AxisRate);
    curves_[static_cast<std::size_t>(Curve::injection)] =
        addCurve(rates, texts::CurveInjection, timeAxisBottom_, rateAxis_);
    curves_[static_cast<std::size_t>(Curve::dissipation)] =
        addCurve(rates, texts::CurveDissipation, timeAxisBottom_, rateAxis_);
    curves_[static_cast<std::size_t>(Curve::drag)] = addCurve(rates, texts::CurveDrag, timeAxisBottom_, rateAxis_);
    layout->addWidget(newChartView(rates));

    setWidget(body);
    setMinimumWidth(DockMinimumWidth);

    followBudget();
    connect(&refreshTimer_, &QTimer::timeout, this, &PlotsDock::refresh);
    // A new state clears the old curves at once, not at the next refresh.
    connect(&view, &FlowView::stateReplaced, this, [this] {
        if (isVisible()) {
            refresh();
        }
    });
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible) {
            refresh();
            refreshTimer_.start();
        } else {
            refreshTimer_.stop();
        }
    });
}

QList<QPointF> PlotsDock::points(Curve which) const { return curve(which)->points(); }

std::vector<const QAbstractAxis*> PlotsDock::axes() const {
    return {timeAxisTop_, ratioAxis_,    timeAxisMiddle_, vorticityAxis_, subStepsAxis_,
            shellAxis_,   spectrumAxis_, timeAxisBottom_, rateAxis_};
}

void PlotsDock::refresh() {
    if (shownOnce_ && recorder_.series().revision() == shownRevision_) {
        return;
    }
    shownOnce_ = true;
    shownRevision_ = recorder_.series().revision();
    // The charts paint later; their views charge the paint to this redraw.
    refreshBudget_.draw([this] { redraw(); });
    unpaintedCharts_ = chartCount_;
    followBudget();
}

void PlotsDock::followBudget() {
    refreshTimer_.setInterval(static_cast<int>(refreshBudget_.intervalNs() / NanosecondsPerMillisecond));
}

void PlotsDock::redraw() {
    drawTimeSeries();
    drawSpectrum();
}

void PlotsDock::drawTimeSeries() {
    const std::span<const DiagnosticsRecord> records = recorder_.series().records();
    const std::size_t count = records.size();
    QList<QPointF> energy;
    QList<QPointF> enstrophy;
    QList<QPointF> maxVorticity;
    QList<QPointF> subSteps;
    QList<QPointF> injection;
    QList<QPointF> dissipation;
    QList<QPointF> drag;
    for (QList<QPointF>* list : {&energy, &enstrophy, &maxVorticity, &subSteps, &injection, &dissipation, &drag}) {
        list->reserve(static_cast<qsizetype>(count));
    }
    Range time;
    Range ratio;
    Range vorticity;
    Range rate;
    int mostSubSteps = 0;
    for (const DiagnosticsRecord& record : records) {
        const Diagnostics& start = records.front().values;
        const Diagnostics& values = record.values;
        energy.append({record.time, relative(values.energy, start.energy)});
        enstrophy.append({record.time, relative(values.enstrophy, start.enstrophy)});
        maxVorticity.append({record.time, values.maxVorticity});
        // A state just set has taken no frame yet, so no sub-steps to show.
        if (values.subSteps > 0) {
            subSteps.append({record.time, static_cast<double>(values.subSteps)});
        }
        time.include(record.time);
        ratio.include(energy.back().y());
        ratio.include(enstrophy.back().y());
        vorticity.include(values.maxVorticity);
        // The budget: what forcing puts in against what viscosity and drag take out.
        injection.append({record.time, values.injectionRate});
        dissipation.append({record.time, values.viscousDissipation + values.hyperviscousDissipation});
        drag.append({record.time, values.dragDissipation});
        for (const QList<QPointF>* budget : {&injection, &dissipation, &drag}) {
            rate.include(budget->back().y());
        }
        mostSubSteps = std::max(mostSubSteps, values.subSteps);
    }
    curve(Curve::energy)->replace(energy);
    curve(Curve::enstrophy)->replace(enstrophy);
    curve(Curve::maxVorticity)->replace(maxVorticity);
    curve(Curve::subSteps)->replace(subSteps);
    curve(Curve::injection)->replace(injection);
    curve(Curve::dissipation)->replace(dissipation);
    curve(Curve::drag)->replace(drag);
    if (!time.empty()) {
        followTime(timeAxisTop_, time.low, time.high);
        followTime(timeAxisMiddle_, time.low, time.high);
        followTime(timeAxisBottom_, time.low, time.high);
    }
    follow(rateAxis_, rate);
    follow(ratioAxis_, ratio);
    follow(vorticityAxis_, vorticity);
    fitSubSteps(subStepsAxis_, mostSubSteps);
}

void PlotsDock::drawSpectrum() {
    const ShellSpectra spectra = shellSpectra(view_.simulation().psi());
    QList<QPointF> shells;
    Range energies;
    int peakShell = 1;
    const int lastShell = largestShell(view_.simulation().grid());
    if (shellAxis_->max() != lastShell) {
        shellAxis_->setRange(1.0, lastShell);
    }
    for (int k = 1; k <= lastShell; ++k) {
        const double energy = spectra.energy[static_cast<std::size_t>(k)];
        // A log axis shows positive values only.
        if (energy > 0.0 && std::isfinite(energy)) {
            shells.append({static_cast<double>(k), energy});
            if (energy > energies.high) {
                peakShell = k;
            }
            energies.include(energy);
        }
    }
    curve(Curve::spectrum)->replace(shells);
    QList<QPointF> guide;
    if (!energies.empty()) {
        // A power law is a straight line on log-log axes: two points, from the peak outwards.
        const double drop = std::pow(static_cast<double>(peakShell) / lastShell, GuideExponent);
        guide = {{static_cast<double>(peakShell), energies.high},
                 {static_cast<double>(lastShell), energies.high * drop}};
        const double top = std::pow(SpectrumAxisBase, std::ceil(std::log(energies.high) / std::log(SpectrumAxisBase)));
        if (spectrumAxis_->max() != top) {
            spectrumAxis_->setRange(top / std::pow(SpectrumAxisBase, SpectrumLabels), top);
        }
    }
    curve(Curve::spectrumGuide)->replace(guide);
}

}  // namespace swirlon
