// The calculation loop inside the Start command: stopping and resuming, commands that arrive in
// its drain, and a run that diverges.
#include <QAction>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "app/command_ids.h"
#include "app/texts.h"
#include "field_io/picture.h"
#include "solver/stable_frame.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

// Bitwise, so that a restored not-a-number compares equal to itself.
bool samePsi(const PackedSpectrum& a, const PackedSpectrum& b) {
    return std::memcmp(a.data(), b.data(), sizeof(PackedSpectrum)) == 0;
}

// Advances a copy of bank frame by frame at the given Reynolds numbers, one entry per frame.
std::unique_ptr<FieldBank> advancedCopy(const FieldBank& bank, std::initializer_list<int> reynoldsPerFrame) {
    auto copy = std::make_unique<FieldBank>(bank);
    auto rollback = std::make_unique<PackedSpectrum>();
    for (const int reynolds : reynoldsPerFrame) {
        advanceFrame(*copy, reynolds, *rollback);
    }
    return copy;
}

}  // namespace

TEST(RunLoop, StopEndsTheRunAndStartContinuesFromTheStateReached) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    const auto expected = advancedCopy(window.view().bank(), {ReynoldsMedium, ReynoldsMedium, ReynoldsMedium});

    apptest::atFrame(window.view(), 2, [&] { apptest::queueCommand(window.frame(), ID_CALC_STOP); });
    EXPECT_EQ(apptest::runFromStart(window.frame()), 2);
    EXPECT_FALSE(window.view().isRunning());

    apptest::atFrame(window.view(), 1, [&] { window.frame().action(ID_CALC_STOP)->trigger(); });
    EXPECT_EQ(apptest::runFromStart(window.frame()), 1);
    EXPECT_TRUE(samePsi(window.view().bank()[Slot::psi], (*expected)[Slot::psi]));
}

TEST(RunLoop, WhileRunningStartAndLoadAreDisabledAndStopEnabled) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    CMainFrame& frame = window.frame();
    bool checked = false;
    apptest::atFrame(window.view(), 1, [&] {
        checked = true;
        EXPECT_FALSE(frame.action(ID_CALC_START)->isEnabled());
        EXPECT_FALSE(frame.action(ID_LOAD_INITIAL_VORTICITY)->isEnabled());
        EXPECT_TRUE(frame.action(ID_CALC_STOP)->isEnabled());
        for (const int id : {ID_RE_100, ID_RE_1000, ID_RE_10000, ID_VIEW_VORTICITY, ID_VIEW_SPEED2, ID_APP_ABOUT,
                             ID_APP_EXIT}) {
            EXPECT_TRUE(frame.action(id)->isEnabled()) << id;
        }
        frame.action(ID_CALC_STOP)->trigger();
    });
    apptest::runFromStart(frame);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(frame.action(ID_CALC_START)->isEnabled());
    EXPECT_TRUE(frame.action(ID_LOAD_INITIAL_VORTICITY)->isEnabled());
    EXPECT_FALSE(frame.action(ID_CALC_STOP)->isEnabled());
}

TEST(RunLoop, StartOrLoadArrivingInTheSameDrainAfterStopIsDropped) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    int chooserCalls = 0;
    window.view().setFileChooser([&](QWidget*) {
        ++chooserCalls;
        return std::optional<QString>();
    });
    int runsStarted = 0;
    QObject::connect(&window.view(), &FlowView::stateChanged, &window.view(), [&] {
        runsStarted += window.view().isRunning() ? 1 : 0;
    });
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
    apptest::Watchdog watchdog(window.view());
    const auto expected =
        advancedCopy(window.view().bank(), {ReynoldsMedium, ReynoldsMedium, ReynoldsLow, ReynoldsLow});
    apptest::atFrame(window.view(), 2, [&] {
        apptest::queueCommand(window.frame(), ID_RE_100);
        apptest::atFrame(window.view(), 2, [&] { apptest::queueCommand(window.frame(), ID_CALC_STOP); });
    });
    EXPECT_EQ(apptest::runFromStart(window.frame()), 4);
    EXPECT_EQ(window.view().reynoldsNumber(), ReynoldsLow);
    EXPECT_TRUE(window.frame().action(ID_RE_100)->isChecked());
    EXPECT_TRUE(samePsi(window.view().bank()[Slot::psi], (*expected)[Slot::psi]));
}

TEST(RunLoop, DisplaySwitchedDuringARunShowsTheNewQuantityOfTheLatestFrame) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    apptest::atFrame(window.view(), 1, [&] {
        apptest::queueCommand(window.frame(), ID_VIEW_SPEED2);
        apptest::atFrame(window.view(), 1, [&] { apptest::queueCommand(window.frame(), ID_CALC_STOP); });
    });
    apptest::runFromStart(window.frame());
    EXPECT_EQ(window.view().pictureMode(), DisplayMode::speed);
    window.view().grab();
    EXPECT_FALSE(window.view().redrawPending());
    auto picture = std::make_unique<PictureBuffer>();
    renderSpeedImage(window.view().bank(), *picture);
    EXPECT_EQ(window.view().picture(), *picture);
}

TEST(RunLoop, ADivergingRunStopsWithItsMessageAndPutsTheStateBack) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    QStringList messages;
    window.view().setMessageReporter([&](QWidget*, const QString& message) {
        EXPECT_FALSE(window.view().isRunning()) << "the run has ended before the message";
        messages << message;
    });
    // One not-a-number band coefficient spreads to the whole state within the first frame.
    constexpr int LowModeIndex = 1;
    window.view().bank()[Slot::psi][LowModeIndex] = std::numeric_limits<double>::quiet_NaN();
    const auto before = apptest::copyPsi(window.view().bank());
    EXPECT_EQ(apptest::runFromStart(window.frame()), 0);
    EXPECT_FALSE(window.view().isRunning());
    EXPECT_EQ(messages, QStringList{texts::RunDiverged.toString()});
    EXPECT_TRUE(samePsi(*before, window.view().bank()[Slot::psi]));
    EXPECT_TRUE(window.frame().action(ID_CALC_START)->isEnabled());
}
