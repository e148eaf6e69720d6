// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/measure_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
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

// Times, during a run at full speed, how long a left drag's move takes from being posted to the
// window to the paint that shows its stroke: the move waits for the frame under way, the
// stroke edits the state and asks for a paint, which draws the state with it.
class StrokeLatencyProbe : public QObject {
  public:
    StrokeLatencyProbe(FlowView& view, int samples) : view_(view), samples_(samples) {
        view.installEventFilter(this);
        clock_.start();
    }

    // Posts the next move unless one is still on its way.
    void postMove() {
        if (posted_) {
            return;
        }
        // Back and forth, so the pushes cancel and none is left out for speed.
        constexpr int StrokePixels = 12;
        forth_ = !forth_;
        const QPointF at = QPointF(view_.pictureRect().center()) + QPointF(forth_ ? StrokePixels : 0, 0);
        posted_ = true;
        delivered_ = false;
        postedAtNs_ = clock_.nsecsElapsed();
        QCoreApplication::postEvent(&view_, new QMouseEvent(QEvent::MouseMove, at, view_.mapToGlobal(at), Qt::NoButton,
                                                            Qt::LeftButton, Qt::NoModifier));
    }

    std::vector<double> milliseconds() const { return latencies_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove && posted_) {
            delivered_ = true;
        } else if (event->type() == QEvent::Paint && delivered_) {
            latencies_.push_back(static_cast<double>(clock_.nsecsElapsed() - postedAtNs_) / 1e6);
            posted_ = false;
            delivered_ = false;
            if (static_cast<int>(latencies_.size()) >= samples_) {
                view_.requestStop();
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    FlowView& view_;
    int samples_;
    QElapsedTimer clock_;
    qint64 postedAtNs_ = 0;
    bool posted_ = false;
    bool delivered_ = false;
    bool forth_ = false;
    std::vector<double> latencies_;
};

// At each grid, with the vorticity and with the dye shown: the median and the largest latency.
void printStrokeLatency(FlowView& view, int samples) {
    constexpr int MoveIntervalMs = 20;
    view.setPace(MaxPace);
    for (const int size : SupportedGridSizes) {
        view.setGrid(Grid(size));
        for (const DisplayMode mode : {DisplayMode::vorticity, DisplayMode::dye}) {
            view.setDisplayMode(mode);
            view.resetToStart();
            const QPointF centre(view.pictureRect().center());
            QMouseEvent press(QEvent::MouseButtonPress, centre, view.mapToGlobal(centre), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&view, &press);
            StrokeLatencyProbe probe(view, samples);
            QTimer mover;
            QObject::connect(&mover, &QTimer::timeout, &probe, [&probe] { probe.postMove(); });
            mover.start(MoveIntervalMs);
            view.runCalculation();
            mover.stop();
            QMouseEvent release(QEvent::MouseButtonRelease, centre, view.mapToGlobal(centre), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&view, &release);
            std::vector<double> ms = probe.milliseconds();
            std::sort(ms.begin(), ms.end());
            QTextStream(stdout) << "grid " << size << (mode == DisplayMode::dye ? " dye" : " vorticity")
                                << ": stroke to picture median " << (ms.empty() ? 0.0 : ms[ms.size() / 2])
                                << " ms, largest " << (ms.empty() ? 0.0 : ms.back()) << " ms over " << ms.size()
                                << " moves" << Qt::endl;
        }
    }
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
      strokeLatency_(option(QStringLiteral("measure-stroke-latency"),
                            QStringLiteral("At each grid, the time from a drag's move to the picture showing it."),
                            QStringLiteral("moves"))),
      withPlots_(option(QStringLiteral("with-plots"), QStringLiteral("Measure with the plots dock shown."))),
      withDye_(option(QStringLiteral("with-dye"), QStringLiteral("Measure with the dye shown."))),
      grid_(option(QStringLiteral("grid"),
                   QStringLiteral("Move the run to the N x N grid (64, 128, 256 or 512) first."), GridValue)),
      movie_(option(QStringLiteral("record-movie"), QStringLiteral("Measure while a movie of the window is recorded."),
                    QStringLiteral("file"))) {
    for (const QCommandLineOption* option :
         {&frameRate_, &pace_, &memory_, &strokeLatency_, &withPlots_, &withDye_, &grid_, &movie_}) {
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
    bool wholeMoves = true;
    return (!parser.isSet(memory_) || (parser.value(memory_).toLongLong(&whole) > 0 && whole)) &&
           (!parser.isSet(strokeLatency_) || (parser.value(strokeLatency_).toInt(&wholeMoves) > 0 && wholeMoves));
}

void MeasureOptions::schedule(const QCommandLineParser& parser, CMainFrame& frame, QCoreApplication& app) const {
    if (!parser.isSet(frameRate_) && !parser.isSet(pace_) && !parser.isSet(memory_) && !parser.isSet(strokeLatency_)) {
        return;
    }
    const int strokeMoves = parser.isSet(strokeLatency_) ? parser.value(strokeLatency_).toInt() : 0;
    const bool withPlots = parser.isSet(withPlots_);
    const bool withDye = parser.isSet(withDye_);
    const QString frameRate = parser.isSet(frameRate_) ? parser.value(frameRate_) : QString();
    const QString pace = parser.isSet(pace_) ? parser.value(pace_) : QString();
    const long long memoryFrames = parser.isSet(memory_) ? parser.value(memory_).toLongLong() : 0;
    const int grid = parser.isSet(grid_) ? gridCommand(parser.value(grid_).toInt()) : 0;
    const QString movie = parser.isSet(movie_) ? parser.value(movie_) : QString();
    QTimer::singleShot(0, &frame,
                       [&frame, &app, withPlots, withDye, frameRate, pace, memoryFrames, strokeMoves, grid, movie] {
                           if (grid != 0) {
                               frame.action(grid)->trigger();
                               QCoreApplication::processEvents();
                           }
                           if (withPlots) {
                               frame.plots().show();
                               QCoreApplication::processEvents();
                           }
                           if (withDye) {
                               frame.action(ID_VIEW_DYE)->trigger();
                           }
                           MovieRecorder& recorder = frame.view().movieRecorder();
                           if (!movie.isEmpty()) {
                               if (auto error = recorder.start(movie, frame.view().currentPicture().size())) {
                                   QTextStream(stderr) << "cannot record " << movie << '\n';
                                   app.exit(1);
                                   return;
                               }
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
                           if (strokeMoves > 0) {
                               printStrokeLatency(frame.view(), strokeMoves);
                           }
                           if (recorder.active()) {
                               const long long taken = recorder.framesTaken();
                               const long long skipped = recorder.framesSkipped();
                               const bool finished = !recorder.stop();
                               QTextStream(stdout) << "movie frames taken: " << taken << ", skipped: " << skipped
                                                   << (finished ? "" : " (the movie failed)") << '\n';
                           }
                           app.quit();
                       });
}

}  // namespace swirlon
