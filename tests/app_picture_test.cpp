// SPDX-License-Identifier: GPL-3.0-or-later
// What the view puts on screen: the 3x enlarged picture, centred over white, always of the
// newest state.
#include <QAction>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "app/command_ids.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

constexpr int BytesPerPixel = 3;

// Grabs the view and checks every screen pixel: grid point (row, column) of the view's picture
// as a PictureScale-square block, row 0 at the bottom, placed at the view's origin; white
// elsewhere.
void expectPictureOnScreen(FlowView& view) {
    const QImage screen = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), view.size());
    const PictureBuffer& picture = view.picture();
    const QPoint origin = view.pictureOrigin();
    int mismatches = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            const int px = x - origin.x();
            const int py = y - origin.y();
            QRgb expected = qRgb(255, 255, 255);
            if (px >= 0 && px < PictureSide && py >= 0 && py < PictureSide) {
                const int row = GridSize - 1 - py / PictureScale;
                const std::size_t at = (static_cast<std::size_t>(row) * GridSize + px / PictureScale) * BytesPerPixel;
                expected = qRgb(picture[at + 2], picture[at + 1], picture[at]);
            }
            mismatches += screen.pixel(x, y) == expected ? 0 : 1;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace

TEST(ViewPicture, TheStatesPictureIsCentredOverWhiteAndCutToANarrowWindow) {
    // Half of a negative odd excess truncates toward zero.
    const std::vector<std::pair<QSize, QPoint>> cases{{{800, 600}, {208, 108}}, {{101, 301}, {-141, -41}}};
    for (const auto& [size, origin] : cases) {
        FlowView view;
        view.resize(size);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        EXPECT_EQ(view.pictureOrigin(), origin);
        expectPictureOnScreen(view);
        EXPECT_EQ(view.picture(), *apptest::rendered(view.simulation(), DisplayMode::vorticity));
    }
}

TEST(ViewPicture, DisplaySwitchWhileIdleRepaintsFromTheCurrentStateAndAReynoldsChoiceDoesNot) {
    apptest::Window window;
    window.view().grab();
    window.frame().action(ID_RE_10000)->trigger();
    EXPECT_FALSE(window.view().redrawPending());
    window.frame().action(ID_VIEW_SPEED2)->trigger();
    EXPECT_TRUE(window.view().redrawPending());
    expectPictureOnScreen(window.view());
    EXPECT_FALSE(window.view().redrawPending());
    EXPECT_EQ(window.view().picture(), *apptest::rendered(window.view().simulation(), DisplayMode::speed));
}

TEST(ViewPicture, AfterARunTheScreenShowsTheLastFrameInTheModeChosenDuringIt) {
    for (const DisplayMode mode : {DisplayMode::vorticity, DisplayMode::speed}) {
        apptest::Window window;
        window.view().grab();
        apptest::atFrame(window.view(), 1, [&] {
            if (mode == DisplayMode::speed) {
                apptest::queueCommand(window.frame(), ID_VIEW_SPEED2);
            }
            apptest::atFrame(window.view(), 1, [&] { apptest::queueCommand(window.frame(), ID_CALC_STOP); });
        });
        EXPECT_EQ(apptest::runFromStart(window.frame()), 2);
        EXPECT_EQ(window.view().pictureMode(), mode);
        // The window repaints by itself, even when the last frame was computed but not drawn.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.view().redrawPending(); }));
        const auto latest = apptest::rendered(window.view().simulation(), mode);
        expectPictureOnScreen(window.view());
        EXPECT_EQ(window.view().picture(), *latest);
    }
}
