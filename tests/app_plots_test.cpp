// SPDX-License-Identifier: GPL-3.0-or-later
// The run's diagnostics record and its plots: one source for the series, the dock and the CSV
// export, a bounded series, a fresh series for every new state.
#include <QAction>
#include <QDockWidget>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/diagnostics_series.h"
#include "app/draw_budget.h"
#include "app/plots_dock.h"
#include "app/run_recorder.h"
#include "field_io/presets.h"
#include "session/session.h"
#include "solver/spectra.h"
#include "tests/app_test_support.h"
#include "tests/bmp_files.h"
#include "tools/batch_run.h"

using namespace swirlon;
namespace bmp = swirlon::testing;

namespace {

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool sameRecord(const DiagnosticsRecord& a, const DiagnosticsRecord& b) {
    return diagnosticsCsvRow(a) == diagnosticsCsvRow(b);
}

}  // namespace

TEST(DrawBudget, PaintingDeliveredAfterARedrawLengthensTheWaitBeforeTheNextUpToTheCeiling) {
    constexpr qint64 FloorNs = 100'000'000;
    constexpr double Share = 0.02;
    constexpr qint64 LaterPaintNs = 4'000'000;
    constexpr qint64 CeilingNs = 300'000'000;
    // Without a ceiling the wait follows the cost; with one, a costly redraw waits no longer.
    for (const qint64 ceiling : {std::numeric_limits<qint64>::max(), CeilingNs}) {
        DrawBudget budget(FloorNs, Share, ceiling);
        budget.draw([] {});
        ASSERT_FALSE(budget.due());
        budget.charge(LaterPaintNs);
        budget.charge(LaterPaintNs);
        // The empty redraw itself costs a few microseconds, which count too.
        const auto byCost = static_cast<qint64>(2 * LaterPaintNs / Share);
        EXPECT_GE(budget.intervalNs(), std::min(ceiling, byCost));
        EXPECT_LE(budget.intervalNs(), ceiling);
        budget.restart();
        EXPECT_TRUE(budget.due());
    }
}

TEST(DiagnosticsSeries, StaysWithinItsCapacityKeepsItsStartAndTheNewestHalfWholeOverAMillionFrames) {
    for (const std::size_t capacity : {std::size_t{4}, std::size_t{16}, DiagnosticsSeries::DefaultCapacity}) {
        DiagnosticsSeries series(capacity);
        constexpr std::int64_t Frames = 1'000'000;
        for (std::int64_t frame = 0; frame <= Frames; ++frame) {
            series.append({.frame = frame, .time = static_cast<double>(frame) * TimeStep, .values = {}});
        }
        const auto records = series.records();
        ASSERT_LE(records.size(), capacity);
        ASSERT_GE(records.size(), capacity / 2);
        EXPECT_EQ(records.front().frame, 0);
        EXPECT_EQ(records.back().frame, Frames);
        for (std::size_t i = 1; i < records.size(); ++i) {
            EXPECT_LT(records[i - 1].frame, records[i].frame) << capacity;
            if (i + capacity / 2 >= records.size()) {
                EXPECT_EQ(records[i].frame, records[i - 1].frame + 1) << "recent frames keep their detail";
            }
        }
        const std::uint64_t before = series.revision();
        series.clear();
        EXPECT_TRUE(series.records().empty());
        EXPECT_NE(series.revision(), before);
    }
}

TEST(PlotsDock, TheSeriesHoldsTheDiagnosticsOfTheStatesReachedAndTheDockDrawsThem) {
    apptest::Window window;
    window.frame().action(ID_VIEW_PLOTS)->trigger();
    apptest::runFrames(window.frame(), 40);
    window.frame().action(ID_CALC_STEP)->trigger();
    const auto records = window.frame().recorder().series().records();
    ASSERT_GE(records.size(), 3u) << "the start, the frame the run stopped on, the single frame";
    EXPECT_EQ(records.front().frame, 0);
    EXPECT_EQ(records.back().frame, 41);

    // The same frames replayed on their own give the same values, bit for bit.
    Simulation replay(ReynoldsMedium);
    auto start = std::make_unique<PackedSpectrum>(Grid{});
    loadDefaultField(*start);
    replay.setState(*start);
    for (const DiagnosticsRecord& record : records) {
        while (replay.framesDone() < record.frame) {
            replay.advanceFrame();
        }
        EXPECT_TRUE(sameRecord(record, recordDiagnostics(replay))) << record.frame;
    }

    PlotsDock& dock = window.frame().plots();
    dock.refresh();
    const QList<QPointF> energy = dock.points(Curve::energy);
    const QList<QPointF> vorticity = dock.points(Curve::maxVorticity);
    const QList<QPointF> dissipation = dock.points(Curve::dissipation);
    ASSERT_EQ(energy.size(), static_cast<qsizetype>(records.size()));
    ASSERT_EQ(dissipation.size(), static_cast<qsizetype>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto at = static_cast<qsizetype>(i);
        const Diagnostics& values = records[i].values;
        EXPECT_EQ(energy[at], QPointF(records[i].time, values.energy / records[0].values.energy));
        EXPECT_EQ(vorticity[at].y(), values.maxVorticity);
        EXPECT_EQ(dissipation[at].y(), values.viscousDissipation + values.hyperviscousDissipation);
        EXPECT_GT(dissipation[at].y(), 0.0);
    }
    const ShellSpectra spectra = shellSpectra(window.view().simulation().psi());
    const QList<QPointF> spectrum = dock.points(Curve::spectrum);
    ASSERT_EQ(spectrum.size(), largestShell(Grid{}));
    for (const QPointF& point : spectrum) {
        EXPECT_EQ(point.y(), spectra.energy[static_cast<std::size_t>(point.x())]);
    }
    const QList<QPointF> guide = dock.points(Curve::spectrumGuide);
    ASSERT_EQ(guide.size(), 2);
    EXPECT_NEAR(std::log(guide[1].y() / guide[0].y()) / std::log(guide[1].x() / guide[0].x()), -3.0, 1e-12);

    // Every axis names its quantity; a run from t = 10.34 labels its time axes at round times.
    bmp::TempDir dir;
    Session later(ReynoldsMedium);
    later.simulation().setState(later.simulation().psi(), 1034);
    ASSERT_EQ(later.saveState(dir.pathOf("later.npz")), std::nullopt);
    ASSERT_TRUE(window.view().loadState(QString::fromStdString(dir.pathOf("later.npz"))));
    apptest::runFrames(window.frame(), 3);
    dock.refresh();
    for (const QAbstractAxis* axis : dock.axes()) {
        EXPECT_FALSE(axis->titleText().isEmpty());
        if (const auto* time = qobject_cast<const QValueAxis*>(axis); time != nullptr && time->titleText() == u"t") {
            EXPECT_EQ(time->tickType(), QValueAxis::TicksDynamic);
            EXPECT_EQ(time->tickAnchor(), 0.0);
            EXPECT_EQ(time->labelFormat(), QStringLiteral("%.2f"));
        }
    }
}

TEST(PlotsDock, ALoadABuiltInFieldOrAResetStartsTheSeriesAfreshFromTheNewState) {
    bmp::TempDir dir;
    const QString path = QString::fromStdString(dir.write("flat.bmp", bmp::encodeBmp(bmp::BmpPicture(8, 8))));
    const std::vector<std::function<void(apptest::Window&)>> replacements{
        [](apptest::Window& window) { window.frame().action(ID_CALC_RESET)->trigger(); },
        [](apptest::Window& window) { window.frame().action(ID_FIELD_SHEAR_LAYER)->trigger(); },
        [&](apptest::Window& window) {
            window.frame().setFileChooser([&](QWidget*) { return std::optional(path); });
            window.frame().action(ID_LOAD_INITIAL_VORTICITY)->trigger();
        },
    };
    for (const auto& replace : replacements) {
        apptest::Window window;
        window.frame().action(ID_VIEW_PLOTS)->trigger();
        apptest::runFrames(window.frame(), 5);
        ASSERT_GT(window.frame().recorder().series().records().size(), 1u);
        replace(window);
        const auto records = window.frame().recorder().series().records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_TRUE(sameRecord(records.front(), recordDiagnostics(window.view().simulation())));
        // At once, not at the dock's next refresh.
        EXPECT_EQ(window.frame().plots().points(Curve::energy).size(), 1);
    }
}

TEST(PlotsDock, TheDockFollowsItsMenuCheckMarkAndItsOwnCloseButton) {
    apptest::Window window;
    QAction* item = window.frame().action(ID_VIEW_PLOTS);
    PlotsDock& dock = window.frame().plots();
    EXPECT_FALSE(dock.isVisible());
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(dock.isVisible());
    EXPECT_TRUE(item->isChecked());
    dock.close();
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    item->trigger();
    EXPECT_FALSE(dock.isVisible());
}

TEST(PlotData, TheExportHoldsTheBatchToolsRowsOfTheSameFramesAndAFailedSaveIsReported) {
    bmp::TempDir dir;
    apptest::Window window;
    constexpr long long Frames = 30;
    apptest::runFrames(window.frame(), Frames);
    const std::string exported = dir.pathOf("window.csv");
    window.frame().setPathChooser([&](QWidget*, PathKind) { return std::optional(QString::fromStdString(exported)); });
    window.frame().action(ID_FILE_SAVE_PLOT_DATA)->trigger();

    batch::BatchOptions options;
    options.steps = Frames;
    options.diagnosticsPath = dir.pathOf("batch.csv");
    options.quiet = true;
    std::ostringstream errors;
    ASSERT_EQ(batch::runBatch(options, errors, false), batch::ExitSuccess) << errors.str();

    const std::vector<std::string> fromWindow = linesOf(exported);
    const std::vector<std::string> fromBatch = linesOf(options.diagnosticsPath);
    ASSERT_EQ(fromBatch.size(), static_cast<std::size_t>(Frames) + 2);
    ASSERT_EQ(fromWindow.size(), window.frame().recorder().series().records().size() + 1);
    EXPECT_EQ(fromWindow.front(), fromBatch.front());
    for (std::size_t i = 1; i < fromWindow.size(); ++i) {
        const long long step = std::stoll(fromWindow[i]);
        EXPECT_EQ(fromWindow[i], fromBatch[static_cast<std::size_t>(step) + 1]);
    }
    EXPECT_EQ(std::stoll(fromWindow.back()), Frames);

    QStringList messages;
    window.frame().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
    const std::string unwritable = dir.pathOf("missing-folder/plots.csv");
    window.frame().setPathChooser(
        [&](QWidget*, PathKind) { return std::optional(QString::fromStdString(unwritable)); });
    window.frame().action(ID_FILE_SAVE_PLOT_DATA)->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().contains(QString::fromStdString(unwritable)));
    EXPECT_FALSE(std::ifstream(unwritable).good());
}
