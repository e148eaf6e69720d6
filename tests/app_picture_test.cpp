// SPDX-License-Identifier: GPL-3.0-or-later
// What the view puts on screen: the 3x enlarged picture, centred over white, always of the
// newest state.
#include <QAction>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/colour_legend.h"
#include "app/command_ids.h"
#include "app/picture_zoom.h"
#include "field_io/colour_scale.h"
#include "tests/app_test_support.h"

using namespace swirlon;

namespace {

constexpr int BytesPerPixel = 3;

// Grabs the view and checks every screen pixel: grid point (row, column) of the view's picture
// as a square block of the layout's size, row 0 at the bottom, placed at the view's origin;
// white elsewhere, except in the legend's columns when it is shown.
void expectPictureOnScreen(FlowView& view) {
    const QImage screen = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), view.size());
    const PictureBuffer& picture = view.picture();
    const QPoint origin = view.pictureOrigin();
    const int block = view.layout().block;
    const int side = DefaultGridSize * block;
    int mismatches = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            const int px = x - origin.x();
            const int py = y - origin.y();
            QRgb expected = qRgb(255, 255, 255);
            if (px >= 0 && px < side && py >= 0 && py < side) {
                const int row = DefaultGridSize - 1 - py / block;
                const std::size_t at = (static_cast<std::size_t>(row) * DefaultGridSize + px / block) * BytesPerPixel;
                expected = qRgb(picture[at + 2], picture[at + 1], picture[at]);
            } else if (view.legendShown() && px >= side) {
                continue;
            }
            mismatches += screen.pixel(x, y) == expected ? 0 : 1;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

QRgb qtColour(Rgb colour) { return qRgb(colour.red, colour.green, colour.blue); }

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

// Sizes worked out by hand. A fractional scale factor still gives whole device pixels per grid
// point (3 x 1.5 rounds to 5); the window-filling choice counts device pixels (900 / 128 = 7)
// and leaves the legend its room; a whole factor puts the picture where a logical layout would.
TEST(PictureLayout, BlocksAreWholeDevicePixelsCentredWithTheLegend) {
    struct Case {
        QSize client;
        double ratio;
        PictureZoom zoom;
        int legend;
        int block;
        QPoint origin;
    };
    const Case cases[] = {
        {{800, 600}, 1.0, PictureZoom::times3, 0, 3, {208, 108}},
        {{801, 600}, 2.0, PictureZoom::times3, 0, 6, {416, 216}},
        {{800, 600}, 1.0, PictureZoom::times2, 0, 2, {272, 172}},
        {{800, 600}, 1.0, PictureZoom::times4, 100, 4, {94, 44}},
        {{800, 600}, 1.5, PictureZoom::times3, 0, 5, {279, 129}},
        {{800, 600}, 1.5, PictureZoom::fitWindow, 0, 7, {152, 2}},
        {{800, 600}, 1.0, PictureZoom::fitWindow, 100, 4, {94, 44}},
        {{100, 100}, 1.0, PictureZoom::fitWindow, 0, 1, {-14, -14}},
    };
    for (const Case& c : cases) {
        const PictureLayout layout = layoutPicture(c.client, c.ratio, c.zoom, c.legend);
        EXPECT_EQ(layout.block, c.block) << c.client.width() << " at " << c.ratio;
        EXPECT_EQ(layout.origin, c.origin) << c.client.width() << " at " << c.ratio;
    }
}

// Through the menu: the fitted range colours the picture and the legend's bar runs through the
// colours of that range, top value at the picture's top; the legend and a larger zoom leave the
// picture whole.
TEST(ViewPicture, AutoRangeLegendAndZoomChangeThePictureAsChosen) {
    apptest::Window window;
    FlowView& view = window.view();
    window.frame().action(ID_VIEW_AUTO_RANGE)->trigger();
    window.frame().action(ID_VIEW_LEGEND)->trigger();
    view.setZoom(PictureZoom::fitWindow);
    expectPictureOnScreen(view);
    const ColourScale fitted =
        fittedScale(DisplayMode::vorticity, picturePeak(view.simulation(), DisplayMode::vorticity));
    EXPECT_EQ(view.colourScale().gain, fitted.gain);
    PictureBuffer expected;
    renderPicture(view.simulation(), DisplayMode::vorticity, expected, fitted.gain);
    EXPECT_EQ(view.picture(), expected);
    const QRect picture = view.pictureRect();
    EXPECT_GE(view.layout().block, 4);
    EXPECT_LE(picture.right() + legendWidth(view.fontMetrics()), view.width());

    const QImage screen = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The bar's first column: past the white ground and the grey outline.
    const int middle = picture.center().y();
    int barColumn = picture.right() + 1;
    while (barColumn < screen.width() && (screen.pixel(barColumn, middle) == qRgb(255, 255, 255) ||
                                          screen.pixel(barColumn, middle) == qRgb(128, 128, 128))) {
        ++barColumn;
    }
    const ValueRange range = colourRange(fitted);
    int mismatches = 0;
    for (int y = picture.top(); y <= picture.bottom(); ++y) {
        const double value = range.high - (y - picture.top() + 0.5) / picture.height() * (range.high - range.low);
        mismatches += screen.pixel(barColumn, y) == qtColour(colourOfValue(fitted, value)) ? 0 : 1;
    }
    EXPECT_EQ(mismatches, 0);
    // Each tick sits where the bar has its value's colour: positive (red) ticks above, negative
    // (blue) ones below, never mirrored.
    const std::vector<LegendTick> ticks = legendTickPlaces(QRectF(picture), fitted, QFontMetricsF(view.font()));
    ASSERT_GE(ticks.size(), 3u);
    for (const LegendTick& tick : ticks) {
        const QRgb atTick =
            screen.pixel(barColumn, std::clamp(static_cast<int>(tick.y), picture.top(), picture.bottom()));
        if (tick.value != 0.0) {
            EXPECT_EQ(qRed(atTick) > qBlue(atTick), tick.value > 0.0) << tick.value;
        }
    }
}

// Through the 配色 submenu: each map paints the picture and the legend's bar in its own colours,
// in either display mode, and the classic map gives back the established picture.
TEST(ViewPicture, TheChosenColourMapPaintsThePictureAndTheLegend) {
    apptest::Window window;
    FlowView& view = window.view();
    window.frame().action(ID_VIEW_LEGEND)->trigger();
    struct Choice {
        int id;
        ColourMap map;
    };
    for (const DisplayMode mode : {DisplayMode::speed, DisplayMode::vorticity}) {
        view.setDisplayMode(mode);
        for (const Choice choice : {Choice{ID_VIEW_COLOURS_DIVERGING, ColourMap::diverging},
                                    Choice{ID_VIEW_COLOURS_SEQUENTIAL, ColourMap::sequential},
                                    Choice{ID_VIEW_COLOURS_CLASSIC, ColourMap::classic}}) {
            window.frame().action(choice.id)->trigger();
            EXPECT_EQ(view.colourMap(), choice.map);
            expectPictureOnScreen(view);
            PictureBuffer expected;
            renderPicture(view.simulation(), fixedScale(mode, choice.map), expected);
            EXPECT_EQ(view.picture(), expected) << colourMapName(choice.map);
            if (choice.map == ColourMap::classic) {
                PictureBuffer established;
                renderPicture(view.simulation(), mode, established);
                EXPECT_EQ(view.picture(), established);
            }
            // The bar's top row: the colour just below the range's top.
            const QImage screen = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect picture = view.pictureRect();
            const int middle = picture.center().y();
            int barColumn = picture.right() + 1;
            while (barColumn < screen.width() && (screen.pixel(barColumn, middle) == qRgb(255, 255, 255) ||
                                                  screen.pixel(barColumn, middle) == qRgb(128, 128, 128))) {
                ++barColumn;
            }
            const ColourScale scale = view.colourScale();
            const ValueRange range = colourRange(scale);
            const double top = range.high - 0.5 / picture.height() * (range.high - range.low);
            EXPECT_EQ(screen.pixel(barColumn, picture.top()), qtColour(colourOfValue(scale, top)))
                << colourMapName(choice.map);
        }
    }
}
