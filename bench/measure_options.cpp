// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/measure_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <chrono>
#include <iterator>
#include <vector>

#include "app/command_ids.h"
#include "app/flow_view.h"
#include "app/main_frame.h"
#include "app/plots_dock.h"
#include "app/run_pace.h"
#include "bench/frame_rate.h"
#include "solver/grid.h"

namespace swirlon {
namespace {

const QString SecondsValue = QStringLiteral("seconds");
const QString FramesValue = QStringLiteral("frames");
const QString GridValue = QStringLiteral("N");

// The 格子 menu's command of each supported grid size, in the order of SupportedGridSizes.
constexpr int GridCommands[] = {ID_CALC_GRID_64, ID_CALC_GRID_128, ID_CALC_GRID_256, ID_CALC_GRID_512};
static_assert(std::size(GridCommands) == SupportedGridSizes.size());

// The command choosing the grid of that size, or 0 for a size no grid has.
int gridCommand(int size) {
    for (std::size_t i = 0; i < SupportedGridSizes.size(); ++i) {
        if (SupportedGridSizes[i] == size) {
            return GridCommands[i];
        }
    }
    return 0;
}
constexpr double MillisecondsPerSecond = 1000.0;
constexpr double PercentScale = 100.0;
constexpr long long FirstMemoryCheckpoint = 1000;
constexpr long long CheckpointFactor = 10;

QCommandLineOption option(const QString& name, const QString& help, const QString& valueName = {}) {
    return QCommandLineOption(name, help, valueName);
}

std::chrono::milliseconds millisecondsOf(const QString& seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds.toDouble() * MillisecondsPerSecond));
}

void printFrameRate(FlowView& view, std::chrono::milliseconds duration) {
    const FrameRateReport report = measureFrameRate(view, duration);
    QTextStream(stdout) << "frames: " << report.frames << "\nrun loop frames/s: " << report.loopFramesPerSecond()
                        << "\npictures/s: " << report.picturesPerSecond()
                        << "\nsolver alone frames/s: " << report.solverFramesPerSecond()
                        << "\nratio: " << report.loopFramesPerSecond() / report.solverFramesPerSecond()
                        << "\nratio, median of " << report.roundRatios.size() << " rounds: " << report.medianRatio()
                        << '\n';
}

void printPaces(FlowView& view, std::chrono::milliseconds duration) {
    std::vector<Pace> paces(PacedChoices.begin(), PacedChoices.end());
    paces.push_back(MaxPace);
    for (const Pace pace : paces) {
        view.setPace(pace);
        const PaceReport report = measurePace(view, duration);
        QTextStream out(stdout);
        out << "pace " << (pace.unlimited() ? QStringLiteral("max") : QString::number(pace.timePerSecond))
            << ": frames/s " << report.framesPerSecond() << ", pictures/s " << report.picturesPerSecond()
            << ", simulated time per second " << report.timePerSecond();
        if (!pace.unlimited()) {
            out << " (ratio " << report.timePerSecond() / pace.timePerSecond << ')';
        }
        out << ", processor " << QString::number(PercentScale * report.processorShare(), 'f', 1) << "%\n";
    }
    view.setPace(MaxPace);
}

void printMemory(FlowView& view, long long frames) {
    std::vector<long long> checkpoints;
    for (long long at = FirstMemoryCheckpoint; at < frames; at *= CheckpointFactor) {
        checkpoints.push_back(at);
    }
    checkpoints.push_back(frames);
    QTextStream(stdout) << "frames 0: resident " << residentKilobytes() << " kB" << Qt::endl;
    measureMemory(view, checkpoints, [](const MemoryReport& report) {
        QTextStream(stdout) << "frames " << report.frames << ": resident " << report.residentKilobytes << " kB after "
                            << report.seconds << " s" << Qt::endl;
    });
}

}  // namespace

MeasureOptions::MeasureOptions(QCommandLineParser& parser)
    : frameRate_(option(QStringLiteral("measure-frame-rate"),
                        QStringLiteral("The run loop's frames/s and pictures/s beside the solver's alone."),
                        SecondsValue)),
      pace_(option(QStringLiteral("measure-pace"),
                   QStringLiteral("Each pace of the menu: frames/s, pictures/s, simulated time/s, processor."),
                   SecondsValue)),
      memory_(option(QStringLiteral("measure-memory"),
                     QStringLiteral("Resident memory as a run passes 10^3, 10^4, ... frames."), FramesValue)),
      withPlots_(option(QStringLiteral("with-plots"), QStringLiteral("Measure with the plots dock shown."))),
      grid_(option(QStringLiteral("grid"),
                   QStringLiteral("Move the run to the N x N grid (64, 128, 256 or 512) first."), GridValue)) {
    for (const QCommandLineOption* option : {&frameRate_, &pace_, &memory_, &withPlots_, &grid_}) {
        parser.addOption(*option);
    }
}

bool MeasureOptions::valid(const QCommandLineParser& parser) const {
    for (const QCommandLineOption* option : {&frameRate_, &pace_}) {
        bool number = true;
        if (parser.isSet(*option) && (parser.value(*option).toDouble(&number) < 0.0 || !number)) {
            return false;
        }
    }
    if (parser.isSet(grid_) && gridCommand(parser.value(grid_).toInt()) == 0) {
        return false;
    }
    bool whole = true;
    return !parser.isSet(memory_) || (parser.value(memory_).toLongLong(&whole) > 0 && whole);
}

void MeasureOptions::schedule(const QCommandLineParser& parser, CMainFrame& frame, QCoreApplication& app) const {
    if (!parser.isSet(frameRate_) && !parser.isSet(pace_) && !parser.isSet(memory_)) {
        return;
    }
    const bool withPlots = parser.isSet(withPlots_);
    const QString frameRate = parser.isSet(frameRate_) ? parser.value(frameRate_) : QString();
    const QString pace = parser.isSet(pace_) ? parser.value(pace_) : QString();
    const long long memoryFrames = parser.isSet(memory_) ? parser.value(memory_).toLongLong() : 0;
    const int grid = parser.isSet(grid_) ? gridCommand(parser.value(grid_).toInt()) : 0;
    QTimer::singleShot(0, &frame, [&frame, &app, withPlots, frameRate, pace, memoryFrames, grid] {
        if (grid != 0) {
            frame.action(grid)->trigger();
            QCoreApplication::processEvents();
        }
        if (withPlots) {
            frame.plots().show();
            QCoreApplication::processEvents();
        }
        if (!frameRate.isEmpty()) {
            printFrameRate(frame.view(), millisecondsOf(frameRate));
        }
        if (!pace.isEmpty()) {
            printPaces(frame.view(), millisecondsOf(pace));
        }
        if (memoryFrames > 0) {
            printMemory(frame.view(), memoryFrames);
        }
        app.quit();
    });
}

}  // namespace swirlon
