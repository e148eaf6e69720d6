// SPDX-License-Identifier: GPL-3.0-or-later
// Loading an initial field from the File menu: the file chooser, the loader's verdict and what
// the window shows afterwards.
#include <QAction>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

#include "app/command_ids.h"
#include "app/file_error_text.h"
#include "field_io/bmp_loader.h"
#include "tests/app_test_support.h"
#include "tests/bmp_files.h"

using namespace swirlon;
namespace bmp = swirlon::testing;

namespace {

constexpr int PictureWidth = 64;
constexpr int PictureHeight = 48;
constexpr int EightBitsPerPixel = 8;

// Red (positive vorticity) on the left half, blue (negative) on the right: a shear flow.
std::vector<std::uint8_t> halvesPicture() {
    bmp::BmpPicture picture(PictureWidth, PictureHeight, {.blue = 200, .green = 40, .red = 0});
    for (int row = 0; row < PictureHeight; ++row) {
        for (int column = 0; column < PictureWidth / 2; ++column) {
            picture.at(row, column) = {.blue = 0, .green = 60, .red = 255};
        }
    }
    return bmp::encodeBmp(picture);
}

}  // namespace

TEST(LoadCommand, ALoadedFileBecomesTheStateFilteredWhenTheFilterIsOnAndTheSpeedPictureShowsItsVelocityAtOnce) {
    apptest::Window window;
    EXPECT_EQ(apptest::runFrames(window.frame(), 1), 1);
    bmp::TempDir dir;
    const std::string path = dir.write("halves.bmp", halvesPicture());
    window.frame().setFileChooser([&](QWidget*) { return std::optional(QString::fromStdString(path)); });
    QStringList messages;
    window.frame().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
    window.view().grab();
    ASSERT_FALSE(window.view().redrawPending());
    window.frame().action(ID_LOAD_INITIAL_VORTICITY)->trigger();

    auto vorticity = std::make_unique<PackedSpectrum>(Grid{});
    ASSERT_EQ(loadVorticityBmp(path, *vorticity), std::nullopt);
    Simulation expected(ReynoldsMedium);
    expected.setStateFromVorticity(*vorticity);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(apptest::samePsi(window.view().simulation().psi(), expected.psi()));
    EXPECT_TRUE(window.view().redrawPending());
    // Not the velocity of the frame computed before the load.
    window.frame().action(ID_VIEW_SPEED2)->trigger();
    window.view().grab();
    EXPECT_EQ(window.view().picture(), *apptest::rendered(expected, DisplayMode::speed));

    // With the small-scale filter checked, frames are filtered and the next load comes in
    // filtered once.
    window.frame().action(ID_CALC_FILTER)->trigger();
    EXPECT_TRUE(window.view().simulation().frameSettings().filter);
    window.frame().action(ID_LOAD_INITIAL_VORTICITY)->trigger();
    expected.setFrameSettings({.filter = true});
    expected.setStateFromVorticity(*vorticity);
    EXPECT_TRUE(apptest::samePsi(window.view().simulation().psi(), expected.psi()));
}

TEST(LoadCommand, CancelOrARefusedFileChangesNothingAndOnlyTheRefusalIsReportedAsAWarning) {
    bmp::TempDir dir;
    std::vector<std::uint8_t> bytes = halvesPicture();
    bmp::putLe16(bytes, bmp::BmpOffsetOfBitCount, EightBitsPerPixel);
    const std::string refused = dir.write("eight_bit.bmp", bytes);
    auto scratch = std::make_unique<PackedSpectrum>(Grid{});
    const std::optional<FileError> refusal = loadVorticityBmp(refused, *scratch);
    ASSERT_TRUE(refusal.has_value());
    enum class Case { cancel, refusedToTheReporter, refusedToTheRealBox };
    for (const Case c : {Case::cancel, Case::refusedToTheReporter, Case::refusedToTheRealBox}) {
        apptest::Window window;
        const std::optional<QString> chosen =
            c == Case::cancel ? std::nullopt : std::optional(QString::fromStdString(refused));
        window.frame().setFileChooser([chosen](QWidget*) { return chosen; });
        QStringList messages;
        if (c == Case::refusedToTheRealBox) {
            apptest::whenModal<QMessageBox>([&](QMessageBox& box) {
                messages << box.text();
                EXPECT_EQ(box.windowTitle(), QStringLiteral("Swirlon"));
                EXPECT_EQ(box.icon(), QMessageBox::Warning);
                EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
                box.button(QMessageBox::Ok)->click();
            });
        } else {
            window.frame().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
        }
        window.view().grab();
        const auto before = std::make_unique<PackedSpectrum>(window.view().simulation().psi());
        window.frame().action(ID_LOAD_INITIAL_VORTICITY)->trigger();
        EXPECT_EQ(messages, c == Case::cancel ? QStringList() : QStringList{fileErrorText(*refusal)});
        EXPECT_TRUE(apptest::samePsi(window.view().simulation().psi(), *before));
        EXPECT_FALSE(window.view().redrawPending());
        if (c != Case::cancel) {
            EXPECT_EQ(window.view().lastInfoHeader()[bmp::BmpOffsetOfBitCount - bmp::BmpFileHeaderSize],
                      EightBitsPerPixel);
        }
    }
}
