// Shared pieces of the GUI tests: the application object, a shown main window, a watchdog that
// turns a hang into a failure, and ways to act at a given frame of a run or on a modal box.
#pragma once

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/flow_view.h"
#include "app/main_frame.h"
#include "solver/grid.h"

namespace apptest {

// A run in a test never needs more than this; past it the watchdog steps in.
inline constexpr int WatchdogMs = 30000;
// How often a test looks for a modal box it expects.
inline constexpr int ModalPollMs = 10;

// A main window of its own per test, shown and exposed.
class Window {
public:
    Window();
    ~Window();
    swirlon::CMainFrame& frame() { return *mainFrame; }
    swirlon::FlowView& view() { return mainFrame->view(); }

private:
    std::unique_ptr<swirlon::CMainFrame> mainFrame;
};

// Fails the test and unwinds every loop it can reach (modal boxes, the run) if the test has
// not finished within WatchdogMs.
class Watchdog {
public:
    explicit Watchdog(swirlon::FlowView& view);
    ~Watchdog();

private:
    QTimer timer;
};

// Calls action once, right after the run loop has computed the given number of further frames.
void atFrame(swirlon::FlowView& view, long long frames, std::function<void()> action);

// Puts a command into the event queue, as a menu click during a run arrives in the drain.
void queueCommand(swirlon::CMainFrame& frame, int commandId);

// Polls for a modal widget of type T and hands it to inspect once; inspect must close it.
template <typename T>
void whenModal(std::function<void(T&)> inspect) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, inspect] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            inspect(*modal);
        }
    });
    poll->start(ModalPollMs);
}

// Runs the calculation from the Start command until something stops it; returns the frames drawn.
long long runFromStart(swirlon::CMainFrame& frame);

// Bitwise copy of the psi slot, for comparing states exactly.
std::unique_ptr<swirlon::PackedSpectrum> copyPsi(const swirlon::FieldBank& bank);

}  // namespace apptest
