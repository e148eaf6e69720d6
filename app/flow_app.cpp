// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flow_app.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTextStream>
#include <QTimer>

#include <chrono>
#include <vector>

#include "app/flow_view.h"
#include "app/frame_rate.h"
#include "app/main_frame.h"
#include "app/run_pace.h"
#include "app/texts.h"
#include "swirlon_version.h"

// The icons are compiled into a static library, whose resource registration no object refers
// to; it must be pulled in by name, and the macro works only outside any namespace.
static void registerIconResources() { Q_INIT_RESOURCE(swirlon); }

namespace swirlon {
namespace {

// Hidden option: run the calculation for the given seconds, print the run loop's frames per
// second beside the solver's alone, and exit.
const QString MeasureOption = QStringLiteral("measure-frame-rate");
const QString MeasureValueName = QStringLiteral("seconds");
// Hidden option: run for the given seconds at each pace the menu offers and print the simulated
// time per second of wall time and the processor share of each, then exit.
const QString MeasurePaceOption = QStringLiteral("measure-pace");
constexpr int MillisecondsPerSecond = 1000;
constexpr int ExitUsage = 2;
constexpr double PercentScale = 100.0;

}  // namespace

int& FlowApp::prepareDisplay(int& argc) {
    // Whole-number scale factors keep every 3x3 block of the picture the same size on screen.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    return argc;
}

FlowApp::FlowApp(int& argc, char** argv) : QApplication(prepareDisplay(argc), argv) {
    setApplicationName(texts::AppName.toString());
    setOrganizationName(texts::OrganisationName.toString());
    setApplicationVersion(QString::fromLatin1(SwirlonVersion));
    setDesktopFileName(texts::DesktopName.toString());
    registerIconResources();
}

FlowApp::~FlowApp() = default;

void FlowApp::initInstance() {
    frame = std::make_unique<CMainFrame>();
    frame->show();
}

int FlowApp::run() {
    QCommandLineParser parser;
    parser.setApplicationDescription(texts::CliDescription.toString());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(texts::CliFileArgument.toString(), texts::CliFileHelp.toString(),
                                 texts::CliFileSyntax.toString());
    QCommandLineOption measure(MeasureOption, QString(), MeasureValueName);
    measure.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(measure);
    QCommandLineOption measurePaceOption(MeasurePaceOption, QString(), MeasureValueName);
    measurePaceOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(measurePaceOption);
    parser.process(*this);

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        QTextStream(stderr) << parser.helpText();
        return ExitUsage;
    }
    bool measureValid = true;
    const double measureSeconds = parser.isSet(measure) ? parser.value(measure).toDouble(&measureValid) : 0.0;
    const double measurePaceSeconds =
        parser.isSet(measurePaceOption) ? parser.value(measurePaceOption).toDouble(&measureValid) : 0.0;
    if (!measureValid || measureSeconds < 0.0 || measurePaceSeconds < 0.0) {
        QTextStream(stderr) << parser.helpText();
        return ExitUsage;
    }

    initInstance();
    if (!files.isEmpty()) {
        // Once the window is up, so that a failure's message box has it as its owner.
        QTimer::singleShot(0, frame.get(), [this, path = files.front()] { frame->view().loadFile(path); });
    }
    if (parser.isSet(measure)) {
        QTimer::singleShot(0, frame.get(), [this, measureSeconds] {
            const auto duration =
                std::chrono::milliseconds(static_cast<long long>(measureSeconds * MillisecondsPerSecond));
            const FrameRateReport report = measureFrameRate(frame->view(), duration);
            QTextStream(stdout) << "frames: " << report.frames << "\nrun loop frames/s: "
                                << report.loopFramesPerSecond()
                                << "\nsolver alone frames/s: " << report.solverFramesPerSecond()
                                << "\nratio: " << report.loopFramesPerSecond() / report.solverFramesPerSecond()
                                << '\n';
            quit();
        });
    }
    if (parser.isSet(measurePaceOption)) {
        QTimer::singleShot(0, frame.get(), [this, measurePaceSeconds] {
            const auto duration =
                std::chrono::milliseconds(static_cast<long long>(measurePaceSeconds * MillisecondsPerSecond));
            FlowView& view = frame->view();
            std::vector<Pace> paces(PacedChoices.begin(), PacedChoices.end());
            paces.push_back(MaxPace);
            for (const Pace pace : paces) {
                view.setPace(pace);
                const PaceReport report = measurePace(view, duration);
                QTextStream out(stdout);
                out << "pace " << (pace.unlimited() ? QStringLiteral("max") : QString::number(pace.timePerSecond))
                    << ": simulated time per second " << report.timePerSecond();
                if (!pace.unlimited()) {
                    out << " (ratio " << report.timePerSecond() / pace.timePerSecond << ')';
                }
                out << ", processor " << QString::number(PercentScale * report.processorShare(), 'f', 1) << "%\n";
                out.flush();
            }
            quit();
        });
    }
    return exec();
}

}  // namespace swirlon
