// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStatusTipEvent>

#include <algorithm>

#include "app/commands.h"
#include "app/file_drop.h"
#include "app/flow_view.h"
#include "app/key_bindings.h"
#include "app/plots_dock.h"
#include "app/run_recorder.h"
#include "app/status_panes.h"
#include "app/texts.h"
#include "app/view_settings.h"

namespace swirlon {
namespace {

// How often the key panes follow the lock keys while idle.
constexpr int KeyPollIntervalMs = 250;
// Room around a key pane's text, so that the pane keeps its width while blank.
constexpr int KeyPaneMargin = 8;
// How long a confirmation or an explanation stays in the message pane.
constexpr int ConfirmationMs = 5000;
constexpr int InitialWidth = 800;
constexpr int InitialHeight = 600;
// Room beside the message pane's text and between two panes (the style's frame and gap).
constexpr int MessageRoom = 24;
constexpr int PaneSpacing = 8;

// The status tip of items without a prompt. Qt sends an empty tip when the highlight leaves an
// item, which the frame answers with the idle text; a highlighted item without a prompt blanks
// the pane instead, so its tip must not be empty.
const QString BlankPrompt = QStringLiteral(" ");

QString promptTip(QStringView prompt) { return prompt.isEmpty() ? BlankPrompt : prompt.toString(); }

std::optional<QString> choosePictureFile(QWidget* parent) { return askForPath(parent, PathKind::loadPicture); }

void showWarning(QWidget* parent, const QString& message) {
    QMessageBox::warning(parent, texts::AppName.toString(), message, QMessageBox::Ok);
}

constexpr std::array<QStringView, LockKeyCount> KeyPaneTexts{texts::PaneKana, texts::PaneCaps, texts::PaneNum,
                                                             texts::PaneScroll};

}  // namespace

CMainFrame::CMainFrame() : fileChooser(choosePictureFile), messageReporter(showWarning), pathChooser(askForPath) {
    setWindowTitle(texts::AppName.toString());
    flowView = new FlowView(this);
    connect(flowView, &FlowView::failed, this, &CMainFrame::report);
    setCentralWidget(flowView);
    setFocusProxy(flowView);
    createActions();
    createStatusBar();
    addRecordingPane(*statusBar(), flowView->recorder());
    addMovieRecordingPane(*statusBar(), flowView->movieRecorder());
    new FileDropLoader(*flowView, [this] { explainRefusal(); });
    connect(flowView, &FlowView::loaded, this,
            [this](const QString& path) { confirm(texts::ConfirmLoaded.toString().arg(path)); });
    connect(flowView, &FlowView::stateChanged, this, &CMainFrame::updateActions);
    runRecorder = new RunRecorder(*flowView, this);
    statusPanes = new StatusPanes(*flowView, *runRecorder, *statusBar());
    plotsDock = new PlotsDock(*flowView, *runRecorder, this);
    addDockWidget(Qt::RightDockWidgetArea, plotsDock);
    plotsDock->hide();
    // The value under the pointer, leftmost of the panes beside the message.
    pointerPane = new QLabel(statusBar());
    pointerPane->setMinimumWidth(pointerPane->fontMetrics().horizontalAdvance(
        texts::PanePointerSpeed.toString().arg(6.234).arg(6.234).arg(-1.23e-10)));
    statusBar()->insertPermanentWidget(0, pointerPane);
    connect(flowView, &FlowView::pointerValue, pointerPane, &QLabel::setText);
    setMinimumWidth(minimumStatusWidth());
    // Closing the dock by its own button moves the check mark as well.
    connect(plotsDock, &QDockWidget::visibilityChanged, this, &CMainFrame::updateActions);
    installKeyBindings(*this);
    resize(InitialWidth, InitialHeight);
    restoreViewSettings(*this);
    updateActions();
    flowView->setFocus();
}

CMainFrame::~CMainFrame() {
    saveViewSettings(*this);
    // The dock hides as the window goes, after this class's members are gone.
    plotsDock->disconnect(this);
}

void CMainFrame::createActions() {
    for (const MenuEntry& menuEntry : menuLayout()) {
        QMenu* menu = menuBar()->addMenu(menuEntry.title.toString());
        menu->menuAction()->setStatusTip(promptTip(menuEntry.prompt));
        addMenuEntries(*menu, menuEntry.entries);
    }
    for (const std::span<const int> choices : exclusiveChoices()) {
        auto* group = new QActionGroup(this);
        for (const int id : choices) {
            group->addAction(actions.at(id));
        }
    }
}

void CMainFrame::addMenuEntries(QMenu& menu, std::span<const MenuEntry> entries) {
    for (const MenuEntry& entry : entries) {
        switch (entry.kind) {
        case MenuEntry::Kind::separator:
            menu.addSeparator();
            break;
        case MenuEntry::Kind::submenu: {
            QMenu* inner = menu.addMenu(entry.title.toString());
            submenus.push_back(inner);
            inner->menuAction()->setStatusTip(promptTip(entry.prompt));
            addMenuEntries(*inner, entry.entries);
            break;
        }
        case MenuEntry::Kind::command: {
            const int id = entry.commandId;
            const CommandEntry* command = findCommand(id);
            // The key, if any, in the menu's shortcut column after a tab; the item's text stays.
            const QString key = keyLabel(id);
            auto* item = new QAction(command->text.toString() + (key.isEmpty() ? QString() : u'\t' + key), this);
            item->setStatusTip(promptTip(command->prompt));
            item->setCheckable(command->checked != nullptr);
            connect(item, &QAction::triggered, this, [this, id] { dispatchCommand(id); });
            menu.addAction(item);
            actions.emplace(id, item);
            break;
        }
        }
    }
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    for (std::size_t key = 0; key < LockKeyCount; ++key) {
        auto* pane = new QLabel(bar);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(KeyPaneTexts[key].toString()) + KeyPaneMargin);
        bar->addPermanentWidget(pane);
        keyPanes[key] = pane;
    }
    bar->showMessage(texts::Ready.toString());
    // A confirmation that has timed out gives way to the idle text.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
        if (message.isEmpty()) {
            bar->showMessage(texts::Ready.toString());
        }
    });
    refreshKeyPanes();
    if (lockKeys.available()) {
        connect(&keyPoll, &QTimer::timeout, this, [this] {
            // Key panes are idle-time work: during a run they keep their last state.
            if (!flowView->isRunning()) {
                refreshKeyPanes();
            }
        });
        keyPoll.start(KeyPollIntervalMs);
    }
}

QAction* CMainFrame::action(int commandId) const {
    const auto found = actions.find(commandId);
    return found == actions.end() ? nullptr : found->second;
}

bool CMainFrame::dispatchCommand(int commandId) {
    const CommandEntry* command = findCommand(commandId);
    if (command == nullptr) {
        return false;
    }
    // The rule is evaluated again at the moment the command arrives: a command queued before a
    // state change (Start after Stop in the same drain) must not slip through.
    runIfEnabled(*command, *this);
    updateActions();
    return true;
}

void CMainFrame::updateActions() {
    for (const CommandEntry& command : commandTable()) {
        QAction* item = actions.at(command.id);
        item->setEnabled(commandEnabled(command, *this));
        if (command.checked != nullptr) {
            item->setChecked(command.checked(*this));
        }
    }
    // Innermost submenus come last, so an outer one sees its inner ones' state.
    for (auto inner = submenus.rbegin(); inner != submenus.rend(); ++inner) {
        const QList<QAction*> items = (*inner)->actions();
        (*inner)->setEnabled(
            std::ranges::any_of(items, [](const QAction* a) { return !a->isSeparator() && a->isEnabled(); }));
    }
}

int CMainFrame::minimumStatusWidth() const {
    // Every pane at its own width, even one hidden now (the health pane, the recording pane),
    // and the idle text: narrower, and the panes would overprint each other.
    int width = statusBar()->fontMetrics().horizontalAdvance(texts::Ready.toString()) + MessageRoom;
    for (const QLabel* pane : statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        width += std::max(pane->minimumWidth(), pane->sizeHint().width()) + PaneSpacing;
    }
    return width;
}

void CMainFrame::explainRefusal() {
    if (flowView->isRunning()) {
        statusBar()->showMessage(texts::NotDuringRun.toString(), ConfirmationMs);
    }
}

void CMainFrame::confirm(const QString& message) { statusBar()->showMessage(message, ConfirmationMs); }

void CMainFrame::report(const QString& message) {
    if (messageReporter) {
        messageReporter(this, message);
    }
}

void CMainFrame::loadInitialVorticity() {
    if (flowView->isRunning()) {
        return;
    }
    if (const std::optional<QString> path = fileChooser(this)) {
        flowView->loadFile(*path);
    }
}

QString CMainFrame::messagePaneText() const { return statusBar()->currentMessage(); }

QString CMainFrame::pointerPaneText() const { return pointerPane->text(); }

QString CMainFrame::keyPaneText(LockKey key) const { return keyPanes[static_cast<std::size_t>(key)]->text(); }

void CMainFrame::refreshKeyPanes() {
    const std::array<bool, LockKeyCount> on = lockKeys.read();
    for (std::size_t key = 0; key < LockKeyCount; ++key) {
        keyPanes[key]->setText(on[key] ? KeyPaneTexts[key].toString() : QString());
    }
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        statusBar()->showMessage(tip.isEmpty() ? texts::Ready.toString() : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (flowView->isRunning()) {
        event->ignore();
        QMessageBox::warning(this, texts::AppName.toString(), texts::CloseWhileRunning.toString(), QMessageBox::Ok);
        return;
    }
    event->accept();
}

}  // namespace swirlon
