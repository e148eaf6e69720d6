// SPDX-License-Identifier: GPL-3.0-or-later
// The hand on the flow in the window: drags over the picture stir and paint, idle or running;
// the dye the flow carries, shown and saved as swirlon-batch draws it.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <vector>

#include "app/command_ids.h"
#include "app/texts.h"
#include "tests/app_test_support.h"
#include "tests/bmp_files.h"
#include "tools/batch_run.h"

using namespace swirlon;

namespace {

void sendMouse(FlowView& view, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(type, QPointF(at), view.mapToGlobal(QPointF(at)), button, held, modifiers);
    QApplication::sendEvent(&view, &event);
}

// Press, moves in steps of `step` screen pixels to `to`, release.
void drag(FlowView& view, QPoint from, QPoint to, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {}) {
    sendMouse(view, QEvent::MouseButtonPress, from, button, button, modifiers);
    constexpr int Steps = 4;
    for (int step = 1; step <= Steps; ++step) {
        sendMouse(view, QEvent::MouseMove, from + (to - from) * step / Steps, Qt::NoButton, button, modifiers);
    }
    sendMouse(view, QEvent::MouseButtonRelease, to, button, Qt::NoButton, modifiers);
}

std::unique_ptr<PackedSpectrum> copyOfPsi(const FlowView& view) {
    return std::make_unique<PackedSpectrum>(view.simulation().psi());
}

// Vorticity at the grid point under a point of the view.
double vorticityUnder(FlowView& view, QPoint at) {
    const QRect picture = view.pictureRect();
    const int size = view.simulation().grid().size();
    const int column = (at.x() - picture.left()) * size / picture.width();
    const int row = size - 1 - (at.y() - picture.top()) * size / picture.height();
    return view.simulation().gridVorticity()[view.simulation().grid().entryIndex(row, column)];
}

std::vector<char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

// Idle, a left drag pushes the flow and the picture shows it at once; a right drag paints
// positive vorticity along its path and Shift+right negative; a click alone changes nothing,
// nor does a drag with the menu's check mark off. The message pane explains the buttons over
// the picture and the wheel changes the radius it names.
TEST(Stirring, DragsOverThePictureStirAndPaintWhileIdleAndNothingElseChangesTheState) {
    apptest::Window window;
    FlowView& view = window.view();
    CMainFrame& frame = window.frame();
    const QPoint centre = view.pictureRect().center();
    const QPoint across = centre + QPoint(view.pictureRect().width() / 8, 0);

    QTest::mouseMove(&view, centre);
    EXPECT_EQ(frame.messagePaneText(), texts::StirHint.toString().arg(DefaultStrokeRadius));
    QWheelEvent notch(QPointF(centre), view.mapToGlobal(QPointF(centre)), {}, QPoint(0, 120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &notch);
    EXPECT_EQ(view.strokeRadius(), DefaultStrokeRadius + 1.0);
    EXPECT_EQ(frame.messagePaneText(), texts::StirHint.toString().arg(DefaultStrokeRadius + 1.0));

    const auto start = copyOfPsi(view);
    sendMouse(view, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton, {});
    sendMouse(view, QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton, {});
    EXPECT_TRUE(apptest::samePsi(*start, view.simulation().psi()));

    drag(view, centre, across, Qt::LeftButton);
    EXPECT_FALSE(apptest::samePsi(*start, view.simulation().psi()));
    EXPECT_TRUE(view.redrawPending());
    QCoreApplication::processEvents();
    EXPECT_EQ(view.picture(), *apptest::rendered(view.simulation(), DisplayMode::vorticity));

    const QPoint lower = centre + QPoint(0, view.pictureRect().height() / 4);
    const QPoint lowerAcross = lower + QPoint(view.pictureRect().width() / 8, 0);
    const QPoint midway = (lower + lowerAcross) / 2;
    for (const Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers{}, Qt::KeyboardModifiers{Qt::ShiftModifier}}) {
        const double before = vorticityUnder(view, midway);
        drag(view, lower, lowerAcross, Qt::RightButton, modifiers);
        const double added = vorticityUnder(view, midway) - before;
        EXPECT_GT(modifiers == Qt::ShiftModifier ? -added : added, 0.5 * PaintVorticity);
    }

    frame.action(ID_CALC_STIR)->trigger();
    EXPECT_FALSE(view.stirringOn());
    const auto unstirred = copyOfPsi(view);
    drag(view, across, centre, Qt::LeftButton);
    drag(view, across, centre, Qt::RightButton);
    EXPECT_TRUE(apptest::samePsi(*unstirred, view.simulation().psi()));
    QTest::mouseMove(&view, across);
    EXPECT_EQ(frame.messagePaneText(), texts::Ready.toString());

    frame.action(ID_CALC_STIR)->trigger();
    frame.action(ID_CALC_RESET)->trigger();
    EXPECT_TRUE(apptest::samePsi(*start, view.simulation().psi()));
}

// During a run a drag changes the state between two frames, and the run goes on from it.
TEST(Stirring, ADragDuringARunChangesTheStateTheNextFrameStartsFrom) {
    apptest::Window window;
    FlowView& view = window.view();
    bool changed = false;
    apptest::atFrame(view, 2, [&] {
        const auto before = copyOfPsi(view);
        const QPoint centre = view.pictureRect().center();
        drag(view, centre, centre + QPoint(40, 20), Qt::LeftButton);
        changed = !apptest::samePsi(*before, view.simulation().psi());
        window.frame().dispatchCommand(ID_CALC_STOP);
    });
    apptest::runFromStart(window.frame());
    EXPECT_TRUE(changed);
    EXPECT_TRUE(view.simulation().lastOutcome().finite);
}

// After a loaded picture, 色素 shows the picture's own colours; the flow carries them frame by
// frame, the saved picture is swirlon-batch's --picture dye frame of the same run, and going
// back to the vorticity drops the dye.
TEST(Dye, TheDyeChoiceShowsThePicturesColoursCarriedAsTheBatchToolDrawsThem) {
    apptest::Window window;
    FlowView& view = window.view();
    swirlon::testing::TempDir dir;
    swirlon::testing::BmpPicture square(32, 32, {.blue = 200, .green = 40, .red = 0});
    for (int row = 8; row < 20; ++row) {
        for (int column = 10; column < 20; ++column) {
            square.at(row, column) = {.blue = 30, .green = 220, .red = 250};
        }
    }
    const std::string bmpPath = dir.write("square.bmp", swirlon::testing::encodeBmp(square));
    ASSERT_TRUE(view.loadFile(QString::fromStdString(bmpPath)));
    window.frame().action(ID_VIEW_DYE)->trigger();
    ASSERT_NE(view.simulation().dye(), nullptr);
    view.currentPicture();
    const PictureBuffer loaded = view.picture();
    EXPECT_EQ(loaded[PictureRedByte], 0);
    EXPECT_EQ(loaded[PictureBlueByte], 200);

    constexpr int Frames = 3;
    for (int frame = 0; frame < Frames; ++frame) {
        window.frame().dispatchCommand(ID_CALC_STEP);
    }
    view.currentPicture();
    EXPECT_NE(view.picture(), loaded);
    PictureBuffer carried;
    renderDyeImage(*view.simulation().dye(), carried);
    EXPECT_EQ(view.picture(), carried);

    const std::string shown = dir.pathOf("shown.png");
    window.frame().setPathChooser([&](QWidget*, PathKind) { return std::optional(QString::fromStdString(shown)); });
    window.frame().action(ID_FILE_SAVE_PICTURE)->trigger();
    batch::BatchOptions batchRun;
    batchRun.inputKind = batch::InputKind::file;
    batchRun.input = bmpPath;
    batchRun.picture = DisplayMode::dye;
    batchRun.steps = Frames;
    batchRun.quiet = true;
    batchRun.framesFolder = dir.pathOf("frames");
    std::ostringstream errors;
    ASSERT_EQ(batch::runBatch(batchRun, errors, false), batch::ExitSuccess) << errors.str();
    EXPECT_EQ(readAll(shown), readAll(dir.pathOf("frames/frame-000003.png")));

    // The dye's colours stand for no value: the legend's room beside them stays blank.
    window.frame().action(ID_VIEW_LEGEND)->trigger();
    const QImage screen = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int pictureRight = view.pictureOrigin().x() + view.simulation().grid().size() * view.layout().block;
    ASSERT_LT(pictureRight, screen.width());
    int marked = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = pictureRight; x < screen.width(); ++x) {
            marked += screen.pixel(x, y) == qRgb(255, 255, 255) ? 0 : 1;
        }
    }
    EXPECT_EQ(marked, 0);

    window.frame().action(ID_VIEW_VORTICITY)->trigger();
    EXPECT_EQ(view.simulation().dye(), nullptr);
}
