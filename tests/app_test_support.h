// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the GUI tests: a shown main window guarded by a watchdog, ways to act at a
// given frame of a run or on a modal box, and exact comparisons of states and pictures.
#pragma once

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/command_ids.h"
#include "app/flow_view.h"
#include "app/main_frame.h"
#include "field_io/picture.h"
#include "solver/grid.h"
#include "solver/simulation.h"

namespace apptest {

// A run in a test never needs more than this; past it the watchdog steps in.
inline constexpr int WatchdogMs = 30000;
// How often a test looks for a modal box it expects.
inline constexpr int ModalPollMs = 10;

// A main window of its own per test, shown and exposed. A test that has not finished within
// WatchdogMs fails, and every loop it can reach (modal boxes, the run) is unwound.
class Window {
  public:
    // Settings kept by earlier windows of the test apply only when asked for.
    enum class Settings { fresh, kept };
    explicit Window(Settings kept = Settings::fresh);
    ~Window();
    swirlon::CMainFrame& frame() { return *mainFrame; }
    swirlon::FlowView& view() { return mainFrame->view(); }

  private:
    std::unique_ptr<swirlon::CMainFrame> mainFrame;
    QTimer watchdog;
};

// Commands that replace, advance or save the state (Start, Load, a single frame, reset, the
// built-in fields, the plot data, the state files) are offered only while idle, Stop only during a run, the rest
// always.
void expectEnabledItemsOf(const swirlon::CMainFrame& frame, bool running);

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

// Triggers the Start action and returns, once something has stopped the run, the frames computed.
long long runFromStart(swirlon::CMainFrame& frame);
// The same with a Stop queued once the run has computed the given number of frames.
long long runFrames(swirlon::CMainFrame& frame, long long frames);

// Bitwise, so that a restored not-a-number compares equal to itself.
bool samePsi(const swirlon::PackedSpectrum& a, const swirlon::PackedSpectrum& b);

// The picture of the simulation's state in the given mode.
std::unique_ptr<swirlon::PictureBuffer> rendered(const swirlon::Simulation& simulation, swirlon::DisplayMode mode);

}  // namespace apptest
