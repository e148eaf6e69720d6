// The main window: menu, commands and their rules, keys, status bar, focus, close rule, about box.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "app/about_dialog.h"
#include "app/command_ids.h"
#include "app/texts.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

struct MenuExpectation {
    QString title;
    std::vector<std::pair<int, QString>> items;
};

std::vector<MenuExpectation> expectedMenus() {
    return {
        {QStringLiteral("ﾌｧｲﾙ(&F)"),
         {{ID_LOAD_INITIAL_VORTICITY, QStringLiteral("初期渦度場の読み込み")},
          {ID_APP_EXIT, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)")}}},
        {QStringLiteral("計算(&C)"),
         {{ID_CALC_START, QStringLiteral("開始(&G)")},
          {ID_CALC_STOP, QStringLiteral("中断(&S)")},
          {ID_RE_100, QStringLiteral("レイノルズ数＝100")},
          {ID_RE_1000, QStringLiteral("レイノルズ数＝1000")},
          {ID_RE_10000, QStringLiteral("レイノルズ数＝10000")}}},
        {QStringLiteral("表示(&D)"),
         {{ID_VIEW_VORTICITY, QStringLiteral("渦度(&X)")}, {ID_VIEW_SPEED2, QStringLiteral("速度の２乗(&V)")}}},
        {QStringLiteral("ﾍﾙﾌﾟ(&H)"), {{ID_APP_ABOUT, QStringLiteral("test のﾊﾞｰｼﾞｮﾝ情報(&A)...")}}},
    };
}

const std::vector<int> ReynoldsItems{ID_RE_100, ID_RE_1000, ID_RE_10000};
const std::vector<int> DisplayItems{ID_VIEW_VORTICITY, ID_VIEW_SPEED2};
const std::vector<int> CheckableItems{ID_RE_100, ID_RE_1000, ID_RE_10000, ID_VIEW_VORTICITY, ID_VIEW_SPEED2};

std::vector<int> checkedAmong(CMainFrame& frame, const std::vector<int>& ids) {
    std::vector<int> checked;
    for (const int id : ids) {
        if (frame.action(id)->isChecked()) {
            checked.push_back(id);
        }
    }
    return checked;
}

bool samePsi(const PackedSpectrum& a, const PackedSpectrum& b) {
    return std::memcmp(a.data(), b.data(), sizeof(PackedSpectrum)) == 0;
}

}  // namespace

TEST(MainMenu, HasFourMenusWithTheTenItemsInOrderAndNoSeparators) {
    apptest::Window window;
    const QList<QAction*> titles = window.frame().menuBar()->actions();
    const std::vector<MenuExpectation> expected = expectedMenus();
    ASSERT_EQ(titles.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        QAction* title = titles[static_cast<qsizetype>(m)];
        EXPECT_EQ(title->text(), expected[m].title);
        const QList<QAction*> items = title->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].items.size())) << title->text().toStdString();
        for (std::size_t i = 0; i < expected[m].items.size(); ++i) {
            QAction* item = items[static_cast<qsizetype>(i)];
            EXPECT_FALSE(item->isSeparator());
            EXPECT_EQ(item, window.frame().action(expected[m].items[i].first));
            EXPECT_EQ(item->text(), expected[m].items[i].second);
        }
    }
}

TEST(MainMenu, WindowTitleIsTheApplicationNameAlone) {
    apptest::Window window;
    EXPECT_EQ(window.frame().windowTitle(), QStringLiteral("Swirlon"));
}

TEST(MainMenu, StartUpEnablesStartAndLoadButNotStop) {
    apptest::Window window;
    EXPECT_TRUE(window.frame().action(ID_CALC_START)->isEnabled());
    EXPECT_TRUE(window.frame().action(ID_LOAD_INITIAL_VORTICITY)->isEnabled());
    EXPECT_FALSE(window.frame().action(ID_CALC_STOP)->isEnabled());
    for (const int id : CheckableItems) {
        EXPECT_TRUE(window.frame().action(id)->isEnabled()) << id;
    }
}

TEST(MainMenu, StartUpChecksReynolds1000AndVorticity) {
    apptest::Window window;
    EXPECT_EQ(checkedAmong(window.frame(), ReynoldsItems), std::vector<int>{ID_RE_1000});
    EXPECT_EQ(checkedAmong(window.frame(), DisplayItems), std::vector<int>{ID_VIEW_VORTICITY});
    EXPECT_EQ(window.view().reynoldsNumber(), ReynoldsMedium);
    EXPECT_EQ(window.view().pictureMode(), DisplayMode::vorticity);
}

TEST(MainMenu, OnlyTheReynoldsAndDisplayItemsCarryCheckMarks) {
    apptest::Window window;
    for (const MenuExpectation& menu : expectedMenus()) {
        for (const auto& [id, text] : menu.items) {
            const bool checkable = std::find(CheckableItems.begin(), CheckableItems.end(), id) != CheckableItems.end();
            EXPECT_EQ(window.frame().action(id)->isCheckable(), checkable) << text.toStdString();
        }
    }
}

TEST(MainMenu, ReynoldsItemsSetTheNumberAndMoveTheOneCheckMark) {
    apptest::Window window;
    const std::vector<std::pair<int, int>> choices{{ID_RE_100, ReynoldsLow}, {ID_RE_10000, ReynoldsHigh},
                                                   {ID_RE_10000, ReynoldsHigh}, {ID_RE_1000, ReynoldsMedium}};
    for (const auto& [id, reynolds] : choices) {
        window.frame().action(id)->trigger();
        EXPECT_EQ(window.view().reynoldsNumber(), reynolds);
        EXPECT_EQ(checkedAmong(window.frame(), ReynoldsItems), std::vector<int>{id});
    }
}

TEST(MainMenu, DisplayItemsSetTheModeAndMoveTheOneCheckMark) {
    apptest::Window window;
    window.frame().action(ID_VIEW_SPEED2)->trigger();
    EXPECT_EQ(window.view().pictureMode(), DisplayMode::speed);
    EXPECT_EQ(checkedAmong(window.frame(), DisplayItems), std::vector<int>{ID_VIEW_SPEED2});
    window.frame().action(ID_VIEW_SPEED2)->trigger();
    EXPECT_EQ(checkedAmong(window.frame(), DisplayItems), std::vector<int>{ID_VIEW_SPEED2});
    window.frame().action(ID_VIEW_VORTICITY)->trigger();
    EXPECT_EQ(window.view().pictureMode(), DisplayMode::vorticity);
    EXPECT_EQ(checkedAmong(window.frame(), DisplayItems), std::vector<int>{ID_VIEW_VORTICITY});
}

TEST(CommandRouting, AnIdOutsideTheTableIsNotACommand) {
    apptest::Window window;
    constexpr int CopyCommandId = 57634;
    EXPECT_FALSE(window.frame().dispatchCommand(CopyCommandId));
}

TEST(CommandRouting, StopWhileIdleIsDroppedAndLeavesNoPendingStop) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    EXPECT_TRUE(window.frame().dispatchCommand(ID_CALC_STOP));
    EXPECT_FALSE(window.view().isRunning());
    // A stop remembered from the idle state would end the next run before its first frame.
    apptest::atFrame(window.view(), 1, [&] { window.frame().dispatchCommand(ID_CALC_STOP); });
    EXPECT_EQ(apptest::runFromStart(window.frame()), 1);
}

TEST(AcceleratorKeys, TheTablesKeysChangeNothing) {
    apptest::Window window;
    const auto psiBefore = apptest::copyPsi(window.view().bank());
    const QList<QKeyCombination> keys{
        QKeyCombination(Qt::ControlModifier, Qt::Key_C),     QKeyCombination(Qt::ControlModifier, Qt::Key_Insert),
        QKeyCombination(Qt::ControlModifier, Qt::Key_V),     QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert),
        QKeyCombination(Qt::ControlModifier, Qt::Key_X),     QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete),
        QKeyCombination(Qt::ControlModifier, Qt::Key_Z),     QKeyCombination(Qt::AltModifier, Qt::Key_Backspace),
        QKeyCombination(Qt::NoModifier, Qt::Key_F6),         QKeyCombination(Qt::ShiftModifier, Qt::Key_F6)};
    for (const QKeyCombination key : keys) {
        QTest::keyClick(&window.view(), key.key(), key.keyboardModifiers());
        QTest::keyClick(&window.frame(), key.key(), key.keyboardModifiers());
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.view().isRunning());
    EXPECT_EQ(window.view().framesComputed(), 0);
    EXPECT_EQ(window.view().reynoldsNumber(), ReynoldsMedium);
    EXPECT_EQ(window.view().pictureMode(), DisplayMode::vorticity);
    EXPECT_TRUE(samePsi(*psiBefore, window.view().bank()[Slot::psi]));
    EXPECT_TRUE(window.frame().isVisible());
    for (QAction* action : window.frame().findChildren<QAction*>()) {
        EXPECT_TRUE(action->shortcuts().isEmpty()) << action->text().toStdString();
    }
}

TEST(StatusBar, ShowsReadyWhenNothingIsHighlighted) {
    apptest::Window window;
    EXPECT_EQ(window.frame().messagePaneText(), texts::Ready.toString());
}

TEST(StatusBar, AboutAndExitShowThePromptBeforeTheLineBreak) {
    apptest::Window window;
    window.frame().action(ID_APP_ABOUT)->showStatusText(&window.frame());
    EXPECT_EQ(window.frame().messagePaneText(), QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示"));
    window.frame().action(ID_APP_EXIT)->showStatusText(&window.frame());
    EXPECT_EQ(window.frame().messagePaneText(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示"));
}

TEST(StatusBar, ItemsWithoutAPromptAndMenuTitlesBlankThePane) {
    apptest::Window window;
    for (const int id : {ID_LOAD_INITIAL_VORTICITY, ID_CALC_START, ID_CALC_STOP, ID_RE_100, ID_RE_1000, ID_RE_10000,
                         ID_VIEW_VORTICITY, ID_VIEW_SPEED2}) {
        window.frame().action(id)->showStatusText(&window.frame());
        EXPECT_TRUE(window.frame().messagePaneText().trimmed().isEmpty()) << id;
    }
    for (QAction* title : window.frame().menuBar()->actions()) {
        title->showStatusText(&window.frame());
        EXPECT_TRUE(window.frame().messagePaneText().trimmed().isEmpty()) << title->text().toStdString();
    }
}

TEST(StatusBar, LeavingAnItemBringsBackReady) {
    apptest::Window window;
    window.frame().action(ID_APP_ABOUT)->showStatusText(&window.frame());
    QStatusTipEvent cleared{QString()};
    QApplication::sendEvent(&window.frame(), &cleared);
    EXPECT_EQ(window.frame().messagePaneText(), texts::Ready.toString());
}

TEST(StatusBar, KeyPanesStayBlankWithoutAnX11Keyboard) {
    apptest::Window window;
    window.frame().refreshKeyPanes();
    for (const LockKey key : {LockKey::kana, LockKey::caps, LockKey::num, LockKey::scroll}) {
        EXPECT_TRUE(window.frame().keyPaneText(key).isEmpty());
    }
}

TEST(Focus, TheFrameHandsTheKeyboardFocusToTheView) {
    apptest::Window window;
    window.frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.frame()));
    window.frame().setFocus();
    EXPECT_EQ(QApplication::focusWidget(), &window.view());
}

TEST(CloseRule, ClosingWhileIdleClosesAtOnce) {
    apptest::Window window;
    EXPECT_TRUE(window.frame().close());
    EXPECT_FALSE(window.frame().isVisible());
}

TEST(CloseRule, ExitWhileIdleClosesAtOnce) {
    apptest::Window window;
    window.frame().action(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(window.frame().isVisible());
}

namespace {

// Asks the frame to close during a run by the given means, answers the warning and lets the
// run go on for a frame before stopping it.
void expectCloseRefusedDuringRun(apptest::Window& window, const std::function<void()>& requestClose) {
    apptest::Watchdog watchdog(window.view());
    bool boxSeen = false;
    long long framesWhileBoxUp = -1;
    long long framesAtBox = -1;
    apptest::whenModal<QMessageBox>([&](QMessageBox& box) {
        boxSeen = true;
        EXPECT_EQ(box.text(), QStringLiteral("計算中です"));
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Swirlon"));
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        framesAtBox = window.view().framesComputed();
        QTest::qWait(apptest::ModalPollMs);
        framesWhileBoxUp = window.view().framesComputed();
        box.button(QMessageBox::Ok)->click();
    });
    apptest::atFrame(window.view(), 1, [&] {
        QMetaObject::invokeMethod(&window.frame(), requestClose, Qt::QueuedConnection);
        apptest::atFrame(window.view(), 1, [&] { window.frame().dispatchCommand(ID_CALC_STOP); });
    });
    const long long frames = apptest::runFromStart(window.frame());
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(framesWhileBoxUp, framesAtBox) << "the box holds the calculation";
    EXPECT_EQ(frames, 2) << "the run goes on after OK";
    EXPECT_TRUE(window.frame().isVisible());
}

}  // namespace

TEST(CloseRule, CloseRequestDuringARunIsRefusedWithAWarning) {
    apptest::Window window;
    expectCloseRefusedDuringRun(window, [&] { window.frame().close(); });
}

TEST(CloseRule, ExitDuringARunIsRefusedWithAWarning) {
    apptest::Window window;
    expectCloseRefusedDuringRun(window, [&] { window.frame().dispatchCommand(ID_APP_EXIT); });
}

TEST(AboutBox, ShowsCaptionVersionLineAndADefaultOkButton) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    bool seen = false;
    apptest::whenModal<AboutDialog>([&](AboutDialog& box) {
        seen = true;
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Swirlonのﾊﾞｰｼﾞｮﾝ情報"));
        QStringList lines;
        bool hasIcon = false;
        for (QLabel* label : box.findChildren<QLabel*>()) {
            lines << label->text();
            hasIcon = hasIcon || !label->pixmap().isNull();
        }
        EXPECT_TRUE(lines.contains(QStringLiteral("Swirlon Version 1.0")));
        EXPECT_TRUE(hasIcon);
        const QList<QPushButton*> buttons = box.findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 1);
        EXPECT_EQ(buttons.front()->text(), QStringLiteral("OK"));
        EXPECT_TRUE(buttons.front()->isDefault());
        buttons.front()->click();
    });
    window.frame().dispatchCommand(ID_APP_ABOUT);
    EXPECT_TRUE(seen);
}

TEST(AboutBox, OpenedDuringARunHoldsTheCalculation) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    long long framesAtOpen = -1;
    long long framesBeforeClose = -1;
    apptest::whenModal<AboutDialog>([&](AboutDialog& box) {
        framesAtOpen = window.view().framesComputed();
        QTest::qWait(apptest::ModalPollMs);
        framesBeforeClose = window.view().framesComputed();
        box.accept();
    });
    apptest::atFrame(window.view(), 1, [&] {
        apptest::queueCommand(window.frame(), ID_APP_ABOUT);
        apptest::atFrame(window.view(), 1, [&] { window.frame().dispatchCommand(ID_CALC_STOP); });
    });
    EXPECT_EQ(apptest::runFromStart(window.frame()), 2);
    EXPECT_EQ(framesAtOpen, framesBeforeClose);
}
