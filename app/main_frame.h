// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the menu, the status bar and the close rule around the simulation view.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "app/file_dialogs.h"
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

    // Asks the user for a file to load; std::nullopt when the user cancels.
    using FileChooser = std::function<std::optional<QString>(QWidget* parent)>;
    // Shows a failure to the user and returns once it has been acknowledged.
    using MessageReporter = std::function<void(QWidget* parent, const QString& message)>;
    // Asks the user for a path of a kind other than the load command's; std::nullopt on cancel.
    using PathChooser = std::function<std::optional<QString>(QWidget* parent, PathKind kind)>;

    FlowView& view() { return *flowView; }
    const FlowView& view() const { return *flowView; }
    QAction* action(int commandId) const;

    // Runs the command's handler if its enable rule allows it at this moment and drops it
    // otherwise. Returns false for an id that names no command.
    bool dispatchCommand(int commandId);
    // Sets every action's enabled and checked state from the view's fields, and enables a
    // submenu only while one of its items is.
    void updateActions();
    // Says in the message pane that the command asked for waits for the run to end.
    void explainRefusal();
    // Says in the message pane that something asked for was done (a save, a load).
    void confirm(const QString& message);

    // The window's dialogs: Qt's file dialogs and a warning box unless replaced.
    void setFileChooser(FileChooser chooser) { fileChooser = std::move(chooser); }
    void setMessageReporter(MessageReporter reporter) { messageReporter = std::move(reporter); }
    void setPathChooser(PathChooser chooser) { pathChooser = std::move(chooser); }
    std::optional<QString> choosePath(PathKind kind) { return pathChooser(this, kind); }
    // Shows a failure to the user through the message reporter.
    void report(const QString& message);
    // Idle only: asks for a picture and loads it as the initial vorticity.
    void loadInitialVorticity();

    QString messagePaneText() const;
    QString pointerPaneText() const;
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
    // The narrowest window whose status bar holds every pane without overprinting.
    int minimumStatusWidth() const;

    FlowView* flowView = nullptr;
    std::map<int, QAction*> actions;
    std::vector<QMenu*> submenus;
    // The value of the field under the pointer, while it is over the picture.
    QLabel* pointerPane = nullptr;
    std::array<QLabel*, LockKeyCount> keyPanes{};
    LockKeyIndicators lockKeys;
    QTimer keyPoll;
    RunRecorder* runRecorder = nullptr;
    StatusPanes* statusPanes = nullptr;
    PlotsDock* plotsDock = nullptr;
    FileChooser fileChooser;
    MessageReporter messageReporter;
    PathChooser pathChooser;
};

}  // namespace swirlon
