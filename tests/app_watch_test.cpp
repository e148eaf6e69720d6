// SPDX-License-Identifier: GPL-3.0-or-later
// Watching a run: single frames, reset, pace, the built-in fields, the status panes and the
// keys, through the real widgets.
#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>

#include "app/command_ids.h"
#include "app/run_pace.h"
#include "app/status_panes.h"
#include "field_io/presets.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

constexpr std::int64_t Second = 1'000'000'000;

void expectClock(const FlowView& view, std::int64_t frames) {
    EXPECT_EQ(view.simulation().framesDone(), frames);
    EXPECT_EQ(view.simulation().time(), static_cast<double>(frames) * TimeStep);
}

}  // namespace

TEST(PaceSchedule, FramesFallDueAtFloorOfElapsedTimesPaceOverTheStepAndAWaitEndsOnTheDueFrame) {
    struct Row {
        double pace;
        std::int64_t framesAtRestart;
        std::int64_t elapsedNs;
        std::int64_t due;
    };
    for (const Row& row : {Row{0.1, 0, 0, 0}, Row{0.1, 0, Second / 10 - 1, 0}, Row{0.1, 0, Second / 10, 1},
                           Row{0.5, 7, Second, 57}, Row{2.0, 0, 5 * Second / 2, 500}, Row{10.0, 3, Second, 1003}}) {
        PaceSchedule schedule;
        constexpr std::int64_t RestartNs = 123'456'789;
        schedule.restart(Pace{row.pace}, row.framesAtRestart, RestartNs);
        EXPECT_EQ(schedule.framesDue(RestartNs + row.elapsedNs), row.due) << row.pace << ' ' << row.elapsedNs;
        for (std::int64_t frames = row.framesAtRestart + 1; frames < row.framesAtRestart + 5; ++frames) {
            const std::int64_t at = schedule.dueAtNs(frames);
            EXPECT_EQ(schedule.framesDue(at), frames) << row.pace;
            EXPECT_EQ(schedule.framesDue(at - 1), frames - 1) << row.pace;
        }
    }
    // A quarter of a second behind is caught up; more than that starts the count afresh.
    PaceSchedule schedule;
    schedule.restart(Pace{2.0}, 0, 0);
    EXPECT_FALSE(schedule.forgiveLag(0, Second / 4));
    EXPECT_TRUE(schedule.forgiveLag(0, Second / 4 + Second / 100));
    EXPECT_EQ(schedule.framesDue(Second / 4 + Second / 100), 0);
    // A run that has gone on a while and is then held up goes on from where it stood, the next
    // frame one frame's time after the hold-up, not frozen until the old schedule catches up.
    constexpr std::int64_t FramesDone = 2000;
    constexpr std::int64_t HeldUntil = 20 * Second;
    schedule.restart(Pace{2.0}, 0, 0);
    ASSERT_TRUE(schedule.forgiveLag(FramesDone, HeldUntil));
    EXPECT_EQ(schedule.framesDue(HeldUntil), FramesDone);
    EXPECT_EQ(schedule.dueAtNs(FramesDone + 1), HeldUntil + Second / 200);
}

TEST(WatchCommands, OneFrameAdvancesTheClockBy001AndEqualsAFrameOfAFullSpeedOrAPacedRun) {
    apptest::Window stepped;
    apptest::Window full;
    apptest::Window paced;
    for (std::int64_t frames = 1; frames <= 3; ++frames) {
        stepped.frame().action(ID_CALC_STEP)->trigger();
        expectClock(stepped.view(), frames);
    }
    paced.frame().action(ID_PACE_2)->trigger();
    for (apptest::Window* run : {&full, &paced}) {
        EXPECT_EQ(apptest::runFrames(run->frame(), 3), 3);
        EXPECT_TRUE(apptest::samePsi(stepped.view().simulation().psi(), run->view().simulation().psi()));
    }
}

TEST(WatchCommands, TheBuiltInFieldsMenuOffersEveryPresetOnceAndChoosingOneStartsTheClockAgain) {
    apptest::Window window;
    auto* fields = qobject_cast<QMenu*>(window.frame().action(ID_FIELD_DEFAULT)->associatedObjects().value(0));
    ASSERT_NE(fields, nullptr);
    std::set<std::string> offered;
    for (QAction* item : fields->actions()) {
        window.frame().action(ID_CALC_STEP)->trigger();
        item->trigger();
        expectClock(window.view(), 0);
        for (const Preset& preset : presets()) {
            const auto psi = std::make_unique<PackedSpectrum>(Grid{});
            ASSERT_TRUE(loadPreset(preset.name, *psi));
            if (apptest::samePsi(*psi, window.view().simulation().psi())) {
                EXPECT_TRUE(offered.emplace(preset.name).second) << preset.name << " offered twice";
            }
        }
    }
    EXPECT_EQ(offered.size(), presets().size());
}

TEST(Pace, AChangeDuringARunAppliesAtOnceBothWays) {
    // To the slowest pace: no further frame falls due before the stop 50 ms later.
    {
        apptest::Window window;
        apptest::atFrame(window.view(), 2, [&] {
            apptest::queueCommand(window.frame(), ID_PACE_0_1);
            QTimer::singleShot(50, &window.view(), [&] { window.frame().dispatchCommand(ID_CALC_STOP); });
        });
        EXPECT_EQ(apptest::runFromStart(window.frame()), 2);
    }
    // From the slowest pace to full speed: 30 more frames arrive long before the slow pace
    // would have reached them (3 s).
    {
        apptest::Window window;
        window.frame().action(ID_PACE_0_1)->trigger();
        apptest::atFrame(window.view(), 1, [&] {
            apptest::queueCommand(window.frame(), ID_PACE_MAX);
            apptest::atFrame(window.view(), 30, [&] { apptest::queueCommand(window.frame(), ID_CALC_STOP); });
            QTimer::singleShot(2000, &window.view(), [&] { window.view().requestStop(); });
        });
        EXPECT_EQ(apptest::runFromStart(window.frame()), 31);
    }
}

// Paces up to 2 draw every frame they compute, so the picture and a recording hold them all;
// at full speed a picture is put on screen at least every 40 ms whatever drawing costs. Counted
// against the frames computed rather than timed, so a loaded machine cannot fail it.
TEST(Pictures, APaceUpTo2PresentsEveryFrameAndFullSpeedPresentsAtLeast25ASecond) {
    for (const int pace : {ID_PACE_0_5, ID_PACE_2}) {
        apptest::Window window;
        window.frame().action(pace)->trigger();
        const long long before = window.view().framesPresented();
        EXPECT_EQ(apptest::runFrames(window.frame(), 12), 12);
        EXPECT_EQ(window.view().framesPresented() - before, 12) << pace;
    }
    apptest::Window window;
    FlowView& view = window.view();
    constexpr qint64 LongestGapMs = 40;
    QElapsedTimer sincePresented;
    sincePresented.start();
    long long presented = view.framesPresented();
    long long late = 0;
    QObject::connect(&view, &FlowView::frameComputed, &view, [&](long long) {
        if (view.framesPresented() != presented) {
            presented = view.framesPresented();
            sincePresented.restart();
        } else if (sincePresented.elapsed() > LongestGapMs) {
            ++late;
        }
    });
    const long long before = view.framesPresented();
    const long long frames = apptest::runFrames(window.frame(), 400);
    EXPECT_EQ(late, 0);
    EXPECT_GT(view.framesPresented() - before, 0);
    EXPECT_LT(view.framesPresented() - before, frames) << "at full speed not every frame is drawn";
}

TEST(StatusPanes, TimeReynoldsFrameRateDuringARunAndHealthNotesOnlyForSubStepsOrAnUnresolvedFlow) {
    // The frame-rate pane says the pace reached when it falls short of the chosen one.
    const std::tuple<double, Pace, const char16_t*> rates[]{{310.4, MaxPace, u"310 コマ/秒"},
                                                            {19.0, Pace{0.2}, u"19 コマ/秒"},
                                                            {731.0, Pace{10.0}, u"731 コマ/秒 (実際は毎秒 7.3)"},
                                                            {40.0, Pace{0.5}, u"40 コマ/秒 (実際は毎秒 0.4)"}};
    for (const auto& [framesPerSecond, pace, text] : rates) {
        EXPECT_EQ(frameRatePaneText(framesPerSecond, pace), QString::fromUtf16(text));
    }

    apptest::Window window;
    const StatusPanes& panes = window.frame().panes();
    EXPECT_EQ(panes.text(StatusPane::time), QStringLiteral("t = 0.00"));
    EXPECT_EQ(panes.text(StatusPane::reynolds), QStringLiteral("Re = 1000"));
    EXPECT_EQ(panes.text(StatusPane::frameRate), QString());
    EXPECT_EQ(panes.text(StatusPane::health), QString());
    window.frame().action(ID_RE_100)->trigger();
    EXPECT_EQ(panes.text(StatusPane::reynolds), QStringLiteral("Re = 100"));

    QString rateDuringRun;
    QTimer::singleShot(400, &window.view(), [&] {
        rateDuringRun = panes.text(StatusPane::frameRate);
        window.frame().dispatchCommand(ID_CALC_STOP);
    });
    apptest::runFromStart(window.frame());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[1-9][0-9]* コマ/秒$")).match(rateDuringRun).hasMatch())
        << rateDuringRun.toStdString();
    EXPECT_EQ(panes.text(StatusPane::frameRate), QString()) << "shown only during a run";
    EXPECT_EQ(panes.text(StatusPane::health), QString()) << "the start-up field takes one sub-step a frame";
    EXPECT_EQ(panes.text(StatusPane::time), timePaneText(window.view().simulation().time()));

    // A Taylor-Green field with velocities of 12: stability number 0.42 * 12 plus the viscous
    // part, between 4 and 6, so each frame takes three sub-steps.
    auto fast = std::make_unique<PackedSpectrum>(Grid{});
    ASSERT_TRUE(loadPreset("taylor-green", *fast));
    for (double& entry : *fast) {
        entry *= 12.0;
    }
    window.view().simulation().setState(*fast, 123456);
    window.frame().action(ID_CALC_STEP)->trigger();
    EXPECT_EQ(panes.text(StatusPane::health), QStringLiteral("サブステップ 3"));
    EXPECT_EQ(panes.text(StatusPane::time), QStringLiteral("t = 1234.57"));
    window.frame().action(ID_CALC_RESET)->trigger();
    EXPECT_EQ(panes.text(StatusPane::health), QString());

    // Enstrophy at the band edge (a mode at |k| = 40) is more than the grid resolves.
    fast->fill(0.0);
    (*fast)[Grid{}.entryIndex(0, 40)] = 1e-4;
    window.view().simulation().setState(*fast);
    window.frame().action(ID_CALC_STEP)->trigger();
    EXPECT_EQ(panes.text(StatusPane::health), QStringLiteral("解像度不足"));
}

TEST(Keys, SpaceStartsAndStopsRightTakesOneFrameCtrlRResetsAndCtrlOLoads) {
    apptest::Window window;
    FlowView& view = window.view();
    int chooserCalls = 0;
    window.frame().setFileChooser([&](QWidget*) {
        ++chooserCalls;
        return std::optional<QString>();
    });
    apptest::atFrame(view, 3, [&] { QTest::keyClick(&view, Qt::Key_Space); });
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(view.isRunning());
    expectClock(view, 3);
    QTest::keyClick(&view, Qt::Key_Right);
    expectClock(view, 4);
    QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
    expectClock(view, 0);
    QTest::keyClick(&view, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(chooserCalls, 1);
}
