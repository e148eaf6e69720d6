// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/app_test_support.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include "app/commands.h"
#include "app/flow_app.h"

namespace apptest {
namespace {

// Qt needs its application object for every widget; one per test program, made before the
// first test and gone after the last.
class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        // The window keeps its view settings; the tests keep theirs away from the user's.
        QStandardPaths::setTestModeEnabled(true);
        for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            QSettings::setPath(format, QSettings::UserScope, settingsFolder.path());
        }
        app = std::make_unique<swirlon::FlowApp>(argc, argv);
    }
    void TearDown() override { app.reset(); }

  private:
    int argc = 1;
    char programName[10] = "app_tests";
    char* argv[2] = {programName, nullptr};
    QTemporaryDir settingsFolder;
    std::unique_ptr<swirlon::FlowApp> app;
};

std::unique_ptr<swirlon::CMainFrame> makeFrame(Window::Settings kept) {
    if (kept == Window::Settings::fresh) {
        QSettings().clear();
    }
    return std::make_unique<swirlon::CMainFrame>();
}

[[maybe_unused]] ::testing::Environment* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

Window::Window(Settings kept) : mainFrame(makeFrame(kept)) {
    mainFrame->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(mainFrame.get()));
    swirlon::FlowView& flowView = view();
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &flowView, [&flowView] {
        ADD_FAILURE() << "the test did not finish in time";
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            } else {
                modal->close();
            }
            QCoreApplication::processEvents();
        }
        flowView.requestStop();
    });
    watchdog.start(WatchdogMs);
}

Window::~Window() = default;

void expectEnabledItemsOf(const swirlon::CMainFrame& frame, bool running) {
    for (const swirlon::CommandEntry& command : swirlon::commandTable()) {
        const int id = command.id;
        const bool idleOnly = id == swirlon::ID_CALC_START || id == swirlon::ID_LOAD_INITIAL_VORTICITY ||
                              id == swirlon::ID_CALC_STEP || id == swirlon::ID_CALC_RESET ||
                              id == swirlon::ID_FILE_SAVE_PLOT_DATA || id == swirlon::ID_FILE_LOAD_STATE ||
                              id == swirlon::ID_FILE_SAVE_STATE ||
                              (id >= swirlon::ID_FIELD_DEFAULT && id <= swirlon::ID_FIELD_KOLMOGOROV) ||
                              (id >= swirlon::ID_CALC_GRID_64 && id <= swirlon::ID_CALC_GRID_512);
        const bool runOnly = id == swirlon::ID_CALC_STOP;
        EXPECT_EQ(frame.action(id)->isEnabled(), running ? !idleOnly : !runOnly)
            << id << (running ? " running" : " idle");
    }
    // A submenu all of whose items are disabled is disabled itself.
    const QAction* fields = frame.action(swirlon::ID_FIELD_DEFAULT);
    const auto* fieldsMenu = qobject_cast<const QMenu*>(fields->associatedObjects().value(0));
    ASSERT_NE(fieldsMenu, nullptr);
    EXPECT_EQ(fieldsMenu->isEnabled(), !running);
    const auto* paceMenu = qobject_cast<const QMenu*>(frame.action(swirlon::ID_PACE_2)->associatedObjects().value(0));
    ASSERT_NE(paceMenu, nullptr);
    EXPECT_TRUE(paceMenu->isEnabled());
}

void atFrame(swirlon::FlowView& view, long long frames, std::function<void()> action) {
    const long long target = view.framesComputed() + frames;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(&view, &swirlon::FlowView::frameComputed, &view,
                                   [connection, target, action](long long frameNumber) {
                                       if (frameNumber == target) {
                                           QObject::disconnect(*connection);
                                           action();
                                       }
                                   });
}

void queueCommand(swirlon::CMainFrame& frame, int commandId) {
    QMetaObject::invokeMethod(
        &frame, [&frame, commandId] { frame.dispatchCommand(commandId); }, Qt::QueuedConnection);
}

long long runFromStart(swirlon::CMainFrame& frame) {
    const long long before = frame.view().framesComputed();
    frame.action(swirlon::ID_CALC_START)->trigger();
    return frame.view().framesComputed() - before;
}

long long runFrames(swirlon::CMainFrame& frame, long long frames) {
    atFrame(frame.view(), frames, [&frame] { queueCommand(frame, swirlon::ID_CALC_STOP); });
    return runFromStart(frame);
}

bool samePsi(const swirlon::PackedSpectrum& a, const swirlon::PackedSpectrum& b) {
    return a.grid() == b.grid() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

std::unique_ptr<swirlon::PictureBuffer> rendered(const swirlon::Simulation& simulation, swirlon::DisplayMode mode) {
    auto picture = std::make_unique<swirlon::PictureBuffer>();
    swirlon::renderPicture(simulation, mode, *picture);
    return picture;
}

}  // namespace apptest
