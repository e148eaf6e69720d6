// What the view puts on screen: the 3x enlarged picture, centred over white, always of the
// newest state.
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "app/command_ids.h"
#include "app/flow_view.h"
#include "field_io/picture.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;
constexpr int NarrowWidth = 100;
constexpr int NarrowHeight = 300;
constexpr int BytesPerPixel = 3;

// The view alone at an exact client size, shown, as the pixel checks need it.
class ShownView {
public:
    ShownView(int width, int height) {
        view.resize(width, height);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    FlowView view;
};

QRgb picturePixel(const PictureBuffer& picture, int row, int column) {
    const std::size_t at = (static_cast<std::size_t>(row) * GridSize + column) * BytesPerPixel;
    return qRgb(picture[at + 2], picture[at + 1], picture[at]);
}

QImage grabbed(FlowView& view) { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Every screen pixel of the view against the picture enlarged by stretchPicture, placed at the
// view's origin, and white elsewhere.
void expectPictureOnScreen(FlowView& view, const QImage& screen) {
    auto stretched = std::make_unique<StretchedPicture>();
    stretchPicture(view.picture(), *stretched);
    const QPoint origin = view.pictureOrigin();
    int mismatches = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            const int px = x - origin.x();
            const int py = y - origin.y();
            QRgb expected = qRgb(255, 255, 255);
            if (px >= 0 && px < PictureSide && py >= 0 && py < PictureSide) {
                const std::size_t at = (static_cast<std::size_t>(py) * PictureSide + px) * BytesPerPixel;
                expected = qRgb((*stretched)[at], (*stretched)[at + 1], (*stretched)[at + 2]);
            }
            if (screen.pixel(x, y) != expected) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace

TEST(ViewPicture, OriginCentresThePictureIn800By600) {
    ShownView shown(ScreenWidth, ScreenHeight);
    EXPECT_EQ(shown.view.pictureOrigin(), QPoint(208, 108));
}

TEST(ViewPicture, NarrowWindowGetsANegativeOriginTruncatedTowardZero) {
    ShownView shown(NarrowWidth, NarrowHeight);
    EXPECT_EQ(shown.view.pictureOrigin(), QPoint((NarrowWidth - PictureSide) / 2, (NarrowHeight - PictureSide) / 2));
    EXPECT_EQ(shown.view.pictureOrigin(), QPoint(-142, -42));
}

TEST(ViewPicture, EachGridPointIsA3By3BlockWithRowZeroAtTheBottomOverWhite) {
    ShownView shown(ScreenWidth, ScreenHeight);
    const QImage screen = grabbed(shown.view);
    ASSERT_EQ(screen.size(), QSize(ScreenWidth, ScreenHeight));
    auto expected = std::make_unique<PictureBuffer>();
    renderPicture(shown.view.bank(), DisplayMode::vorticity, *expected);
    EXPECT_EQ(shown.view.picture(), *expected);
    expectPictureOnScreen(shown.view, screen);
}

TEST(ViewPicture, BottomLeftBlockShowsGridPointZeroZero) {
    ShownView shown(ScreenWidth, ScreenHeight);
    const QImage screen = grabbed(shown.view);
    const QPoint origin = shown.view.pictureOrigin();
    const QRgb corner = picturePixel(shown.view.picture(), 0, 0);
    for (int dy = 0; dy < PictureScale; ++dy) {
        for (int dx = 0; dx < PictureScale; ++dx) {
            EXPECT_EQ(screen.pixel(origin.x() + dx, origin.y() + PictureSide - 1 - dy), corner);
        }
    }
}

TEST(ViewPicture, NarrowWindowShowsTheMiddleOfThePicture) {
    ShownView shown(NarrowWidth, NarrowHeight);
    expectPictureOnScreen(shown.view, grabbed(shown.view));
}

TEST(ViewPicture, DisplaySwitchWhileIdleRepaintsFromTheCurrentState) {
    apptest::Window window;
    window.frame().dispatchCommand(ID_VIEW_SPEED2);
    EXPECT_TRUE(window.view().redrawPending());
    const QImage screen = grabbed(window.view());
    EXPECT_FALSE(window.view().redrawPending());
    auto expected = std::make_unique<PictureBuffer>();
    renderSpeedImage(window.view().bank(), *expected);
    EXPECT_EQ(window.view().picture(), *expected);
    expectPictureOnScreen(window.view(), screen);
}

TEST(ViewPicture, ReynoldsChoiceAloneRedrawsNothing) {
    apptest::Window window;
    grabbed(window.view());
    window.frame().dispatchCommand(ID_RE_10000);
    EXPECT_FALSE(window.view().redrawPending());
}

TEST(ViewPicture, RepaintAfterARunShowsTheLastFrameNotAnOlderPicture) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    grabbed(window.view());
    apptest::atFrame(window.view(), 2, [&] { apptest::queueCommand(window.frame(), ID_CALC_STOP); });
    apptest::runFromStart(window.frame());
    auto latest = std::make_unique<PictureBuffer>();
    renderPicture(window.view().bank(), DisplayMode::vorticity, *latest);
    const QImage screen = grabbed(window.view());
    EXPECT_EQ(window.view().picture(), *latest);
    expectPictureOnScreen(window.view(), screen);
}
