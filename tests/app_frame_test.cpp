// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: menu, commands and their rules, keys, status bar, focus, close rule, about box.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "app/about_dialog.h"
#include "app/command_ids.h"
#include "app/commands.h"
#include "app/file_dialogs.h"
#include "field_io/presets.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

std::set<int> checkedItems(const CMainFrame& frame) {
    std::set<int> checked;
    for (const CommandEntry& command : commandTable()) {
        if (frame.action(command.id)->isChecked()) {
            checked.insert(command.id);
        }
    }
    return checked;
}

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

// One line of the menu bar: the path of titles down to the item ("-" for a separator; the key
// after a tab), the command it runs (0 for none) and whether it carries a check mark.
struct MenuLine {
    QString path;
    int id = 0;
    bool checkable = false;
    bool operator==(const MenuLine&) const = default;
};

void collectMenuLines(const CMainFrame& frame, const QMenu& menu, const QString& prefix, std::vector<MenuLine>& lines) {
    for (QAction* item : menu.actions()) {
        if (item->menu() != nullptr) {
            collectMenuLines(frame, *item->menu(), prefix + item->text() + u'/', lines);
            continue;
        }
        const auto command =
            std::ranges::find_if(commandTable(), [&](const CommandEntry& c) { return frame.action(c.id) == item; });
        lines.push_back({prefix + (item->isSeparator() ? QStringLiteral("-") : item->text()),
                         command == commandTable().end() ? 0 : command->id, item->isCheckable()});
    }
}

}  // namespace

TEST(MainMenu, EstablishedItemsComeFirstAndAddedOnesFollowBelowASeparatorOrInSubmenus) {
    apptest::Window window;
    const QString file = QStringLiteral("ﾌｧｲﾙ(&F)/");
    const QString fields = file + QStringLiteral("組み込みの初期渦度場(&B)/");
    const QString calc = QStringLiteral("計算(&C)/");
    const QString pace = calc + QStringLiteral("速さ(&P)/");
    const QString display = QStringLiteral("表示(&D)/");
    const QString zoom = display + QStringLiteral("拡大率(&Z)/");
    const std::vector<MenuLine> expected{
        {file + QStringLiteral("初期渦度場の読み込み\tCtrl+O"), ID_LOAD_INITIAL_VORTICITY},
        {file + u'-'},
        {fields + QStringLiteral("起動時の渦(&D)"), ID_FIELD_DEFAULT},
        {fields + QStringLiteral("テイラー・グリーン渦(&T)"), ID_FIELD_TAYLOR_GREEN},
        {fields + QStringLiteral("渦対(&P)"), ID_FIELD_VORTEX_PAIR},
        {fields + QStringLiteral("二重せん断層(&S)"), ID_FIELD_SHEAR_LAYER},
        {fields + QStringLiteral("ランダムな乱流(&R)"), ID_FIELD_RANDOM_TURBULENCE},
        {fields + QStringLiteral("外力で保たれる乱流(&F)"), ID_FIELD_FORCED_TURBULENCE},
        {fields + QStringLiteral("縞状の外力で崩れる流れ(&K)"), ID_FIELD_KOLMOGOROV},
        {file + QStringLiteral("状態の読み込み(&O)..."), ID_FILE_LOAD_STATE},
        {file + QStringLiteral("状態の保存(&A)...\tCtrl+S"), ID_FILE_SAVE_STATE},
        {file + QStringLiteral("グラフのデータを保存(&E)..."), ID_FILE_SAVE_PLOT_DATA},
        {file + u'-'},
        {file + QStringLiteral("画像の保存(&I)..."), ID_FILE_SAVE_PICTURE},
        {file + QStringLiteral("コマの記録(&M)..."), ID_FILE_RECORD_FRAMES, true},
        {file + u'-'},
        {file + QStringLiteral("動画の記録(&V)..."), ID_FILE_RECORD_MOVIE, true},
        {file + u'-'},
        {file + QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"), ID_APP_EXIT},
        {calc + QStringLiteral("開始(&G)\tSpace"), ID_CALC_START},
        {calc + QStringLiteral("中断(&S)\tSpace"), ID_CALC_STOP},
        {calc + QStringLiteral("レイノルズ数＝100"), ID_RE_100, true},
        {calc + QStringLiteral("レイノルズ数＝1000"), ID_RE_1000, true},
        {calc + QStringLiteral("レイノルズ数＝10000"), ID_RE_10000, true},
        {calc + u'-'},
        {calc + QStringLiteral("1コマ進める(&T)\t→"), ID_CALC_STEP},
        {calc + QStringLiteral("最初に戻す(&R)\tCtrl+R"), ID_CALC_RESET},
        {pace + QStringLiteral("毎秒 0.1"), ID_PACE_0_1, true},
        {pace + QStringLiteral("毎秒 0.5"), ID_PACE_0_5, true},
        {pace + QStringLiteral("毎秒 2"), ID_PACE_2, true},
        {pace + QStringLiteral("毎秒 10"), ID_PACE_10, true},
        {pace + QStringLiteral("最大(&M)"), ID_PACE_MAX, true},
        {calc + u'-'},
        {calc + QStringLiteral("小さな渦の減衰フィルタ(&F)"), ID_CALC_FILTER, true},
        {calc + u'-'},
        {calc + QStringLiteral("外力(&O)/なし"), ID_CALC_FORCING_NONE, true},
        {calc + QStringLiteral("外力(&O)/縞状の外力"), ID_CALC_FORCING_STRIPES, true},
        {calc + QStringLiteral("外力(&O)/ランダムな外力"), ID_CALC_FORCING_RING, true},
        {calc + QStringLiteral("大規模摩擦(&D)"), ID_CALC_DRAG, true},
        {calc + QStringLiteral("格子(&G)/64×64"), ID_CALC_GRID_64, true},
        {calc + QStringLiteral("格子(&G)/128×128"), ID_CALC_GRID_128, true},
        {calc + QStringLiteral("格子(&G)/256×256"), ID_CALC_GRID_256, true},
        {calc + QStringLiteral("格子(&G)/512×512"), ID_CALC_GRID_512, true},
        {calc + u'-'},
        {calc + QStringLiteral("マウスでかき混ぜる(&M)"), ID_CALC_STIR, true},
        {display + QStringLiteral("渦度(&X)"), ID_VIEW_VORTICITY, true},
        {display + QStringLiteral("速度の２乗(&V)"), ID_VIEW_SPEED2, true},
        {display + u'-'},
        {display + QStringLiteral("色の範囲を自動調整(&A)"), ID_VIEW_AUTO_RANGE, true},
        {display + QStringLiteral("色の凡例(&L)"), ID_VIEW_LEGEND, true},
        {zoom + QStringLiteral("2倍"), ID_ZOOM_2, true},
        {zoom + QStringLiteral("3倍"), ID_ZOOM_3, true},
        {zoom + QStringLiteral("4倍"), ID_ZOOM_4, true},
        {zoom + QStringLiteral("ウィンドウに合わせる"), ID_ZOOM_FIT, true},
        {display + QStringLiteral("グラフ(&G)"), ID_VIEW_PLOTS, true},
        {display + u'-'},
        {display + QStringLiteral("色素(&Y)"), ID_VIEW_DYE, true},
        {display + QStringLiteral("配色(&C)/標準"), ID_VIEW_COLOURS_CLASSIC, true},
        {display + QStringLiteral("配色(&C)/発散型"), ID_VIEW_COLOURS_DIVERGING, true},
        {display + QStringLiteral("配色(&C)/連続型"), ID_VIEW_COLOURS_SEQUENTIAL, true},
        {QStringLiteral("ﾍﾙﾌﾟ(&H)/test のﾊﾞｰｼﾞｮﾝ情報(&A)..."), ID_APP_ABOUT},
    };
    std::vector<MenuLine> lines;
    for (QAction* title : window.frame().menuBar()->actions()) {
        collectMenuLines(window.frame(), *title->menu(), title->text() + u'/', lines);
    }
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], expected[i]) << lines[i].path.toStdString() << " / " << expected[i].path.toStdString();
    }
    // Every command of the table has an id of its own and sits in the menu once.
    std::multiset<int> menuIds;
    std::multiset<int> tableIds;
    for (const MenuLine& line : lines) {
        menuIds.insert(line.id);
    }
    for (const CommandEntry& command : commandTable()) {
        tableIds.insert(command.id);
    }
    menuIds.erase(0);
    EXPECT_EQ(menuIds, tableIds);
}

// The keys of the classic accelerator table (copy, paste, cut, undo, next pane) do nothing: no
// item carries a shortcut and their command ids are no commands.
TEST(MainMenu, StartsTitledSwirlonIdleWithReynolds1000AndVorticityCheckedTheViewFocusedAndEditKeysInert) {
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
    for (QAction* action : window.frame().findChildren<QAction*>()) {
        EXPECT_TRUE(action->shortcuts().isEmpty()) << action->text().toStdString();
    }

    EXPECT_EQ(window.frame().windowTitle(), QStringLiteral("Swirlon"));
    EXPECT_TRUE(window.frame().isVisible());
    apptest::expectEnabledItemsOf(window.frame(), false);
    EXPECT_EQ(checkedItems(window.frame()),
              (std::set<int>{ID_RE_1000, ID_VIEW_VORTICITY, ID_PACE_MAX, ID_ZOOM_3, ID_CALC_FORCING_NONE,
                             ID_CALC_GRID_128, ID_VIEW_COLOURS_CLASSIC, ID_CALC_STIR}));
    EXPECT_EQ(window.view().reynoldsNumber(), ReynoldsMedium);
    EXPECT_EQ(window.view().pictureMode(), DisplayMode::vorticity);
    EXPECT_EQ(window.view().framesComputed(), 0);
    EXPECT_TRUE(apptest::samePsi(*before, window.view().simulation().psi()));
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
    const std::map<int, double> paceOf{
        {ID_PACE_0_1, 0.1}, {ID_PACE_0_5, 0.5}, {ID_PACE_2, 2.0}, {ID_PACE_10, 10.0}, {ID_PACE_MAX, 0.0}};
    const std::map<int, ForcingKind> forcingOf{{ID_CALC_FORCING_NONE, ForcingKind::none},
                                               {ID_CALC_FORCING_STRIPES, ForcingKind::stripes},
                                               {ID_CALC_FORCING_RING, ForcingKind::ring}};
    int reynoldsItem = ID_RE_1000;
    int displayItem = ID_VIEW_VORTICITY;
    int paceItem = ID_PACE_MAX;
    int forcingItem = ID_CALC_FORCING_NONE;
    for (const int id : {ID_RE_100, ID_PACE_2, ID_CALC_FORCING_RING, ID_RE_10000, ID_RE_10000, ID_PACE_0_1,
                         ID_VIEW_SPEED2, ID_CALC_FORCING_STRIPES, ID_VIEW_SPEED2, ID_PACE_10, ID_PACE_MAX, ID_RE_1000,
                         ID_CALC_FORCING_NONE, ID_PACE_0_5, ID_VIEW_VORTICITY}) {
        window.frame().action(id)->trigger();
        (reynoldsOf.contains(id)  ? reynoldsItem
         : paceOf.contains(id)    ? paceItem
         : forcingOf.contains(id) ? forcingItem
                                  : displayItem) = id;
        EXPECT_EQ(checkedItems(window.frame()),
                  (std::set<int>{reynoldsItem, displayItem, paceItem, forcingItem, ID_ZOOM_3, ID_CALC_GRID_128,
                                 ID_VIEW_COLOURS_CLASSIC, ID_CALC_STIR}))
            << id;
        EXPECT_EQ(window.view().simulation().physics().forcing, forcingOf.at(forcingItem)) << id;
        EXPECT_EQ(window.view().reynoldsNumber(), reynoldsOf.at(reynoldsItem)) << id;
        EXPECT_EQ(window.view().pictureMode(),
                  displayItem == ID_VIEW_SPEED2 ? DisplayMode::speed : DisplayMode::vorticity);
        EXPECT_EQ(window.view().pace().timePerSecond, paceOf.at(paceItem)) << id;
    }
    // Each group's items share one exclusive group, so they show as exclusive choices.
    for (const std::span<const int> choices : exclusiveChoices()) {
        const QActionGroup* group = window.frame().action(choices.front())->actionGroup();
        ASSERT_NE(group, nullptr);
        EXPECT_TRUE(group->isExclusive());
        EXPECT_EQ(group->actions().size(), static_cast<qsizetype>(choices.size()));
    }
}

// The view's settings come back at the next start; the physics starts afresh every time.
TEST(ViewSettings, ZoomLegendColourRangePacePlotsFolderAndPlaceAreKeptButNotThePhysics) {
    QRect placed;
    {
        apptest::Window first;
        CMainFrame& frame = first.frame();
        for (const int id : {ID_ZOOM_4, ID_VIEW_LEGEND, ID_VIEW_AUTO_RANGE, ID_PACE_0_5, ID_VIEW_PLOTS, ID_RE_100,
                             ID_CALC_FILTER, ID_VIEW_SPEED2, ID_FIELD_VORTEX_PAIR}) {
            frame.action(id)->trigger();
        }
        setLastDialogFolder(QStringLiteral("/tmp/kept-folder"));
        frame.resize(900, 700);
        placed = frame.geometry();
    }
    setLastDialogFolder(QString());
    apptest::Window second(apptest::Window::Settings::kept);
    EXPECT_EQ(checkedItems(second.frame()),
              (std::set<int>{ID_ZOOM_4, ID_VIEW_LEGEND, ID_VIEW_AUTO_RANGE, ID_PACE_0_5, ID_VIEW_PLOTS, ID_RE_1000,
                             ID_VIEW_VORTICITY, ID_CALC_FORCING_NONE, ID_CALC_GRID_128, ID_VIEW_COLOURS_CLASSIC,
                             ID_CALC_STIR}));
    EXPECT_EQ(lastDialogFolder(), QStringLiteral("/tmp/kept-folder"));
    EXPECT_EQ(second.frame().size(), placed.size());
    auto start = std::make_unique<PackedSpectrum>(Grid{});
    loadDefaultField(*start);
    EXPECT_TRUE(apptest::samePsi(second.view().simulation().psi(), *start));
    // Each test starts from the start-up choices.
    apptest::Window third;
    EXPECT_EQ(checkedItems(third.frame()),
              (std::set<int>{ID_RE_1000, ID_VIEW_VORTICITY, ID_PACE_MAX, ID_ZOOM_3, ID_CALC_FORCING_NONE,
                             ID_CALC_GRID_128, ID_VIEW_COLOURS_CLASSIC, ID_CALC_STIR}));
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

TEST(StatusBar, ReadyWhenNothingIsHighlightedPromptsForAboutExitAndAddedItemsBlankForTheRest) {
    apptest::Window window;
    CMainFrame& frame = window.frame();
    const QString ready = QStringLiteral("ﾚﾃﾞｨ");
    EXPECT_EQ(frame.messagePaneText(), ready);
    const std::map<int, QString> prompts{{ID_APP_ABOUT, QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示")},
                                         {ID_APP_EXIT, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示")}};
    // The established items of the program's own have no prompt; every added one has its own.
    constexpr int LastEstablishedId = ID_VIEW_SPEED2;
    QSet<QString> addedPrompts;
    qsizetype added = 0;
    for (const CommandEntry& command : commandTable()) {
        const int id = command.id;
        frame.action(id)->showStatusText(&frame);
        if (prompts.contains(id)) {
            EXPECT_EQ(frame.messagePaneText(), prompts.at(id)) << id;
        } else if (id <= LastEstablishedId) {
            EXPECT_TRUE(frame.messagePaneText().trimmed().isEmpty()) << id;
        } else {
            EXPECT_FALSE(frame.messagePaneText().trimmed().isEmpty()) << id;
            addedPrompts.insert(frame.messagePaneText());
            ++added;
        }
    }
    EXPECT_EQ(addedPrompts.size(), added) << "each added item has a prompt of its own";
    for (QAction* title : frame.menuBar()->actions()) {
        title->showStatusText(&frame);
        EXPECT_TRUE(frame.messagePaneText().trimmed().isEmpty()) << title->text().toStdString();
    }
    QStatusTipEvent cleared{QString()};
    QApplication::sendEvent(&frame, &cleared);
    EXPECT_EQ(frame.messagePaneText(), ready);

    // The value under the pointer: the grid point's place and the value the picture shows.
    FlowView& view = window.view();
    const QRect picture = view.pictureRect();
    const QPoint lowerLeft = picture.bottomLeft() + QPoint(1, -1);
    QTest::mouseMove(&view, lowerLeft);
    const QString expected =
        QStringLiteral("x = 0.000, y = 0.000, 渦度 = %1").arg(view.simulation().gridVorticity()[0], 0, 'g', 3);
    EXPECT_EQ(frame.pointerPaneText(), expected);
    EXPECT_EQ(view.valueAt(picture.topLeft() - QPoint(2, 2)), QString());
    frame.action(ID_VIEW_SPEED2)->trigger();
    EXPECT_TRUE(view.valueAt(lowerLeft).startsWith(QStringLiteral("x = 0.000, y = 0.000, 速度の２乗 = ")));

    // A key whose commands wait for the run says so; at the narrowest width no pane overprints.
    apptest::atFrame(view, 1, [&] {
        QTest::keyClick(&view, Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(frame.messagePaneText(), QStringLiteral("計算中は使えません。中断してから選んでください"));
        frame.dispatchCommand(ID_CALC_STOP);
    });
    apptest::runFromStart(frame);
    frame.resize(frame.minimumWidth(), frame.height());
    QCoreApplication::processEvents();
    std::vector<QRect> panes;
    for (const QLabel* pane : frame.statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (pane->isVisible()) {
            EXPECT_GE(pane->width(), pane->minimumWidth());
            for (const QRect& other : panes) {
                EXPECT_FALSE(other.intersects(pane->geometry()));
            }
            panes.push_back(pane->geometry());
        }
    }
}

TEST(CloseRule, CloseAndExitAreRefusedWithAWarningBoxDuringARunAndCloseAtOnceWhenIdle) {
    for (const auto& request : std::initializer_list<std::function<void(CMainFrame&)>>{
             [](CMainFrame& frame) { frame.close(); },
             [](CMainFrame& frame) { frame.action(ID_APP_EXIT)->trigger(); }}) {
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
