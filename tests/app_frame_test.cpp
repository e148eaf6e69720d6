// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <map>
#include <utility>
#include <vector>

#include "app/about_dialog.h"
#include "app/command_ids.h"
#include "app/commands.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

const std::vector<int> CheckableItems{ID_RE_100,      ID_RE_1000,         ID_RE_10000,
                                      ID_VIEW_VORTICITY, ID_VIEW_SPEED2, ID_VIEW_AUTO_RANGE, ID_VIEW_LEGEND};

std::vector<int> checkedItems(const CMainFrame& frame) {
    std::vector<int> checked;
    std::copy_if(CheckableItems.begin(), CheckableItems.end(), std::back_inserter(checked),
                 [&frame](int id) { return frame.action(id)->isChecked(); });
    return checked;
}

const std::vector<std::function<void(CMainFrame&)>> CloseRequests{
    [](CMainFrame& frame) { frame.close(); }, [](CMainFrame& frame) { frame.action(ID_APP_EXIT)->trigger(); }};

// Makes request once a run has computed one frame, hands the modal box of type T it raises to
// inspect (which must close it) and stops the run one frame after the box has gone.
template <typename T>
void expectBoxThatHoldsTheRun(apptest::Window& window, const std::function<void()>& request,
                              const std::function<void(T&)>& inspect) {
    long long framesAtOpen = -1;
    long long framesAtClose = -1;
    apptest::whenModal<T>([&](T& box) {
        framesAtOpen = window.view().framesComputed();
        QTest::qWait(apptest::ModalPollMs);
        framesAtClose = window.view().framesComputed();
        inspect(box);
    });
    apptest::atFrame(window.view(), 1, [&] {
        QMetaObject::invokeMethod(&window.frame(), request, Qt::QueuedConnection);
        apptest::atFrame(window.view(), 1, [&] { window.frame().dispatchCommand(ID_CALC_STOP); });
    });
    EXPECT_EQ(apptest::runFromStart(window.frame()), 2) << "the run goes on after the box";
    EXPECT_EQ(framesAtOpen, 1);
    EXPECT_EQ(framesAtClose, framesAtOpen) << "the box holds the calculation";
}

}  // namespace

// The established items stand at the top of each menu exactly as they were; additions follow
// below a separator (MenuSeparator in the table).
TEST(MainMenu, FourMenusHoldTheEstablishedItemsOnTopAndTheAdditionsBelowASeparator) {
    apptest::Window window;
    const std::vector<std::pair<QString, std::vector<std::pair<int, QString>>>> expected{
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
         {{ID_VIEW_VORTICITY, QStringLiteral("渦度(&X)")},
          {ID_VIEW_SPEED2, QStringLiteral("速度の２乗(&V)")},
          {MenuSeparator, QString()},
          {ID_VIEW_AUTO_RANGE, QStringLiteral("色の範囲を自動調整(&A)")},
          {ID_VIEW_LEGEND, QStringLiteral("色の凡例(&L)")}}},
        {QStringLiteral("ﾍﾙﾌﾟ(&H)"), {{ID_APP_ABOUT, QStringLiteral("test のﾊﾞｰｼﾞｮﾝ情報(&A)...")}}},
    };
    const QList<QAction*> titles = window.frame().menuBar()->actions();
    ASSERT_EQ(titles.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        const auto& [title, items] = expected[m];
        EXPECT_EQ(titles[static_cast<qsizetype>(m)]->text(), title);
        const QList<QAction*> actions = titles[static_cast<qsizetype>(m)]->menu()->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(items.size())) << title.toStdString();
        for (std::size_t i = 0; i < items.size(); ++i) {
            QAction* item = actions[static_cast<qsizetype>(i)];
            const auto& [id, text] = items[i];
            EXPECT_EQ(item->isSeparator(), id == MenuSeparator) << title.toStdString() << ' ' << i;
            if (id != MenuSeparator) {
                EXPECT_EQ(item, window.frame().action(id));
                EXPECT_EQ(item->text(), text);
                EXPECT_EQ(item->isCheckable(), std::ranges::count(CheckableItems, id) == 1) << id;
            }
        }
    }
}

TEST(MainMenu, StartsTitledSwirlonIdleWithReynolds1000AndVorticityCheckedAndTheViewFocused) {
    apptest::Window window;
    EXPECT_EQ(window.frame().windowTitle(), QStringLiteral("Swirlon"));
    apptest::expectEnabledItemsOf(window.frame(), false);
    EXPECT_EQ(checkedItems(window.frame()), (std::vector<int>{ID_RE_1000, ID_VIEW_VORTICITY}));
    EXPECT_EQ(window.view().reynoldsNumber(), ReynoldsMedium);
    EXPECT_EQ(window.view().pictureMode(), DisplayMode::vorticity);
    // The frame hands the keyboard focus on to the view.
    window.frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.frame()));
    window.frame().setFocus();
    EXPECT_EQ(QApplication::focusWidget(), &window.view());
}

TEST(MainMenu, ChoiceItemsSetTheViewAndMoveTheOneCheckMarkOfTheirGroup) {
    apptest::Window window;
    const std::map<int, int> reynoldsOf{
        {ID_RE_100, ReynoldsLow}, {ID_RE_1000, ReynoldsMedium}, {ID_RE_10000, ReynoldsHigh}};
    int reynoldsItem = ID_RE_1000;
    int displayItem = ID_VIEW_VORTICITY;
    for (const int id :
         {ID_RE_100, ID_RE_10000, ID_RE_10000, ID_VIEW_SPEED2, ID_VIEW_SPEED2, ID_RE_1000, ID_VIEW_VORTICITY}) {
        window.frame().action(id)->trigger();
        (reynoldsOf.contains(id) ? reynoldsItem : displayItem) = id;
        EXPECT_EQ(checkedItems(window.frame()), (std::vector<int>{reynoldsItem, displayItem})) << id;
        EXPECT_EQ(window.view().reynoldsNumber(), reynoldsOf.at(reynoldsItem)) << id;
        EXPECT_EQ(window.view().pictureMode(),
                  displayItem == ID_VIEW_SPEED2 ? DisplayMode::speed : DisplayMode::vorticity);
    }
}

// The menu's guard on its own, with a counting handler: the view's commands guard themselves
// as well, which would hide a dispatch that ran a command its rule disables.
TEST(MainMenu, ACommandRunsOnlyWhenItsEnableRuleAllowsIt) {
    apptest::Window window;
    static int handled;
    for (const auto& [id, runs] : {std::pair{ID_CALC_STOP, false}, {ID_CALC_START, true}, {ID_APP_ABOUT, true}}) {
        CommandEntry entry = *findCommand(id);
        entry.handler = [](CMainFrame&) { ++handled; };
        handled = 0;
        EXPECT_EQ(runIfEnabled(entry, window.frame()), runs) << id;
        EXPECT_EQ(handled, runs ? 1 : 0) << id;
    }
}

TEST(AcceleratorKeys, TheTablesKeysChangeNothingAndItsCommandIdsAreNotCommands) {
    apptest::Window window;
    const auto before = std::make_unique<PackedSpectrum>(window.view().simulation().psi());
    const QList<QKeyCombination> keys{Qt::ControlModifier | Qt::Key_C, Qt::ControlModifier | Qt::Key_Insert,
                                      Qt::ControlModifier | Qt::Key_V, Qt::ShiftModifier | Qt::Key_Insert,
                                      Qt::ControlModifier | Qt::Key_X, Qt::ShiftModifier | Qt::Key_Delete,
                                      Qt::ControlModifier | Qt::Key_Z, Qt::AltModifier | Qt::Key_Backspace,
                                      Qt::NoModifier | Qt::Key_F6,     Qt::ShiftModifier | Qt::Key_F6};
    for (const QKeyCombination key : keys) {
        QTest::keyClick(&window.view(), key.key(), key.keyboardModifiers());
        QTest::keyClick(&window.frame(), key.key(), key.keyboardModifiers());
    }
    QCoreApplication::processEvents();
    constexpr int CopyCommandId = 57634;
    EXPECT_FALSE(window.frame().dispatchCommand(CopyCommandId));
    EXPECT_FALSE(window.view().isRunning());
    EXPECT_EQ(window.view().framesComputed(), 0);
    EXPECT_EQ(window.view().reynoldsNumber(), ReynoldsMedium);
    EXPECT_EQ(window.view().pictureMode(), DisplayMode::vorticity);
    EXPECT_TRUE(apptest::samePsi(*before, window.view().simulation().psi()));
    EXPECT_TRUE(window.frame().isVisible());
    for (QAction* action : window.frame().findChildren<QAction*>()) {
        EXPECT_TRUE(action->shortcuts().isEmpty()) << action->text().toStdString();
    }
}

TEST(StatusBar, ReadyWhenNothingIsHighlightedPromptsForAboutAndExitBlankForTheRest) {
    apptest::Window window;
    CMainFrame& frame = window.frame();
    const QString ready = QStringLiteral("ﾚﾃﾞｨ");
    EXPECT_EQ(frame.messagePaneText(), ready);
    const std::map<int, QString> prompts{{ID_APP_ABOUT, QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示")},
                                         {ID_APP_EXIT, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示")}};
    for (const int id : apptest::AllCommands) {
        frame.action(id)->showStatusText(&frame);
        const QString prompt = prompts.contains(id) ? prompts.at(id) : QString();
        EXPECT_EQ(prompt.isEmpty() ? frame.messagePaneText().trimmed() : frame.messagePaneText(), prompt) << id;
    }
    for (QAction* title : frame.menuBar()->actions()) {
        title->showStatusText(&frame);
        EXPECT_TRUE(frame.messagePaneText().trimmed().isEmpty()) << title->text().toStdString();
    }
    QStatusTipEvent cleared{QString()};
    QApplication::sendEvent(&frame, &cleared);
    EXPECT_EQ(frame.messagePaneText(), ready);
}

TEST(CloseRule, CloseAndExitAreRefusedWithAWarningBoxDuringARunAndCloseAtOnceWhenIdle) {
    for (const auto& request : CloseRequests) {
        apptest::Window window;
        expectBoxThatHoldsTheRun<QMessageBox>(
            window, [&] { request(window.frame()); },
            [](QMessageBox& box) {
                EXPECT_EQ(box.text(), QStringLiteral("計算中です"));
                EXPECT_EQ(box.windowTitle(), QStringLiteral("Swirlon"));
                EXPECT_EQ(box.icon(), QMessageBox::Warning);
                EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
                box.button(QMessageBox::Ok)->click();
            });
        EXPECT_TRUE(window.frame().isVisible());
        request(window.frame());
        EXPECT_FALSE(window.frame().isVisible());
    }
}

TEST(AboutBox, ShowsCaptionVersionIconAndOneDefaultOkAndHoldsARun) {
    apptest::Window window;
    expectBoxThatHoldsTheRun<AboutDialog>(
        window, [&] { window.frame().action(ID_APP_ABOUT)->trigger(); },
        [](AboutDialog& box) {
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
}
