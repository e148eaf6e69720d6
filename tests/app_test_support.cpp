#include "tests/app_test_support.h"

#include <QDialog>
#include <QTest>

#include "app/command_ids.h"
#include "app/flow_app.h"

namespace apptest {
namespace {

// Qt needs its application object for every widget; one per test program, made before the
// first test and gone after the last.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app = std::make_unique<swirlon::FlowApp>(argc, argv); }
    void TearDown() override { app.reset(); }

private:
    int argc = 1;
    char programName[10] = "app_tests";
    char* argv[2] = {programName, nullptr};
    std::unique_ptr<swirlon::FlowApp> app;
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

Window::Window() : mainFrame(std::make_unique<swirlon::CMainFrame>()) {
    mainFrame->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(mainFrame.get()));
}

Window::~Window() = default;

Watchdog::Watchdog(swirlon::FlowView& view) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &view, [&view] {
        ADD_FAILURE() << "the test did not finish in time";
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            } else {
                modal->close();
            }
            QCoreApplication::processEvents();
        }
        view.requestStop();
    });
    timer.start(WatchdogMs);
}

Watchdog::~Watchdog() = default;

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
    frame.dispatchCommand(swirlon::ID_CALC_START);
    return frame.view().framesComputed() - before;
}

std::unique_ptr<swirlon::PackedSpectrum> copyPsi(const swirlon::FieldBank& bank) {
    return std::make_unique<swirlon::PackedSpectrum>(bank[swirlon::Slot::psi]);
}

}  // namespace apptest
