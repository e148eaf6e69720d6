// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: start-up, the command line and the main window's lifetime.
#pragma once

#include <QApplication>

#include <memory>

namespace swirlon {

class CMainFrame;

class FlowApp : public QApplication {
    Q_OBJECT

  public:
    FlowApp(int& argc, char** argv);
    ~FlowApp() override;

    // Reads the command line, creates and shows the main window and runs the event loop until
    // the window is closed. Returns the process exit code.
    int run();

    // Creates the main window and shows it; nothing is read from or written to any settings.
    void initInstance();
    CMainFrame* mainFrame() const { return frame.get(); }

  private:
    // Qt reads the scaling policy only before the application object exists.
    static int& prepareDisplay(int& argc);

    std::unique_ptr<CMainFrame> frame;
};

}  // namespace swirlon
