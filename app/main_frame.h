// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the menu, the status bar and the close rule around the simulation view.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <array>
#include <map>
#include <span>

#include "app/lock_keys.h"

class QAction;
class QLabel;
class QMenu;

namespace swirlon {

class FlowView;
class PlotsDock;
class RunRecorder;
class StatusPanes;
struct MenuEntry;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    CMainFrame();
    ~CMainFrame() override;

    FlowView& view() { return *flowView; }
    const FlowView& view() const { return *flowView; }
    QAction* action(int commandId) const;

    // Runs the command's handler if its enable rule allows it at this moment and drops it
    // otherwise. Returns false for an id that names no command.
    bool dispatchCommand(int commandId);
    // Sets every action's enabled and checked state from the view's fields.
    void updateActions();

    QString messagePaneText() const;
    QString keyPaneText(LockKey key) const;
    // Reads the lock keys into the key panes (the idle poll does this a few times a second).
    void refreshKeyPanes();
    const StatusPanes& panes() const { return *statusPanes; }
    RunRecorder& recorder() { return *runRecorder; }
    PlotsDock& plots() { return *plotsDock; }
    const PlotsDock& plots() const { return *plotsDock; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void addMenuEntries(QMenu& menu, std::span<const MenuEntry> entries);
    void createStatusBar();

    FlowView* flowView = nullptr;
    std::map<int, QAction*> actions;
    std::array<QLabel*, LockKeyCount> keyPanes{};
    LockKeyIndicators lockKeys;
    QTimer keyPoll;
    RunRecorder* runRecorder = nullptr;
    StatusPanes* statusPanes = nullptr;
    PlotsDock* plotsDock = nullptr;
};

}  // namespace swirlon
