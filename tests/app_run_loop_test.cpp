// SPDX-License-Identifier: GPL-3.0-or-later
// The calculation loop inside the Start command: stopping and resuming, commands that arrive in
// its drain, and a run that diverges.
#include <QAction>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <optional>

#include "app/command_ids.h"
#include "app/texts.h"
#include "solver/simulation.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

// psi after advancing a copy of the state frame by frame at the given Reynolds numbers, one
// entry per frame.
std::unique_ptr<PackedSpectrum> advancedCopy(const Simulation& simulation,
                                             std::initializer_list<int> reynoldsPerFrame) {
    Simulation copy(simulation.reynolds());
    copy.setState(simulation.psi());
    for (const int reynolds : reynoldsPerFrame) {
        copy.setReynolds(reynolds);
        copy.advanceFrame();
    }
    return std::make_unique<PackedSpectrum>(copy.psi());
}

}  // namespace

TEST(RunLoop, StopEndsTheRunAndStartContinuesFromTheStateReached) {
    apptest::Window window;
    CMainFrame& frame = window.frame();
    const auto expected = advancedCopy(window.view().simulation(), {ReynoldsMedium, ReynoldsMedium, ReynoldsMedium});
    // A stop remembered from the idle state would end the next run early; the view itself
    // must refuse it, whatever the menu's rules let through.
    window.view().requestStop();
    EXPECT_EQ(apptest::runFrames(frame, 2), 2);

    apptest::atFrame(window.view(), 1, [&] {
        apptest::expectEnabledItemsOf(frame, true);
        frame.action(ID_CALC_STOP)->trigger();
    });
    EXPECT_EQ(apptest::runFromStart(frame), 1);
    EXPECT_FALSE(window.view().isRunning());
    apptest::expectEnabledItemsOf(frame, false);
    EXPECT_TRUE(apptest::samePsi(window.view().simulation().psi(), *expected));
}

TEST(RunLoop, StartOrLoadArrivingInTheSameDrainAfterStopIsDropped) {
    apptest::Window window;
    int chooserCalls = 0;
    window.frame().setFileChooser([&](QWidget*) {
        ++chooserCalls;
        return std::optional<QString>();
    });
    int runsStarted = 0;
    QObject::connect(&window.view(), &FlowView::stateChanged, &window.view(),
                     [&] { runsStarted += window.view().isRunning() ? 1 : 0; });
    apptest::atFrame(window.view(), 1, [&] {
        apptest::queueCommand(window.frame(), ID_CALC_STOP);
        apptest::queueCommand(window.frame(), ID_CALC_START);
        apptest::queueCommand(window.frame(), ID_LOAD_INITIAL_VORTICITY);
    });
    EXPECT_EQ(apptest::runFromStart(window.frame()), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(runsStarted, 1);
    EXPECT_EQ(chooserCalls, 0);
    EXPECT_FALSE(window.view().isRunning());
    EXPECT_EQ(window.view().framesComputed(), 1);
}

TEST(RunLoop, ReynoldsChangedDuringARunAppliesFromTheNextFrame) {
    apptest::Window window;
    const auto expected =
        advancedCopy(window.view().simulation(), {ReynoldsMedium, ReynoldsMedium, ReynoldsLow, ReynoldsLow});
    apptest::atFrame(window.view(), 2, [&] {
        apptest::queueCommand(window.frame(), ID_RE_100);
        apptest::atFrame(window.view(), 2, [&] { apptest::queueCommand(window.frame(), ID_CALC_STOP); });
    });
    EXPECT_EQ(apptest::runFromStart(window.frame()), 4);
    EXPECT_EQ(window.view().reynoldsNumber(), ReynoldsLow);
    EXPECT_TRUE(window.frame().action(ID_RE_100)->isChecked());
    EXPECT_TRUE(apptest::samePsi(window.view().simulation().psi(), *expected));
}

TEST(RunLoop, ADivergingRunStopsWithItsMessageAndPutsTheStateBack) {
    apptest::Window window;
    QStringList messages;
    window.frame().setMessageReporter([&](QWidget*, const QString& message) {
        EXPECT_FALSE(window.view().isRunning()) << "the run has ended before the message";
        messages << message;
    });
    // One not-a-number band coefficient spreads to the whole state within the first frame.
    constexpr int LowModeIndex = 1;
    const auto before = std::make_unique<PackedSpectrum>(window.view().simulation().psi());
    (*before)[LowModeIndex] = std::numeric_limits<double>::quiet_NaN();
    window.view().simulation().setState(*before);
    EXPECT_EQ(apptest::runFromStart(window.frame()), 0);
    EXPECT_FALSE(window.view().isRunning());
    EXPECT_EQ(messages, QStringList{texts::RunDiverged.toString()});
    EXPECT_TRUE(apptest::samePsi(*before, window.view().simulation().psi()));
    EXPECT_TRUE(window.frame().action(ID_CALC_START)->isEnabled());
}
