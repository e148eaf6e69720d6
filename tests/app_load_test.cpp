// Loading an initial field from the File menu: the file chooser, the loader's verdict and what
// the window shows afterwards.
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "app/command_ids.h"
#include "app/texts.h"
#include "field_io/bmp_loader.h"
#include "field_io/picture.h"
#include "solver/time_step.h"
#include "tests/app_test_support.h"
#include "tests/bmp_files.h"

using namespace swirlon;

namespace {

constexpr int PictureWidth = 64;
constexpr int PictureHeight = 48;
constexpr int EightBitsPerPixel = 8;

bool sameSlot(const PackedSpectrum& a, const PackedSpectrum& b) {
    return std::memcmp(a.data(), b.data(), sizeof(PackedSpectrum)) == 0;
}

// A picture with a red disc on blue, so the loaded field has both signs and a flow.
std::vector<std::uint8_t> discPicture() {
    swirlon::testing::BmpPicture picture(PictureWidth, PictureHeight, {.blue = 200, .green = 40, .red = 0});
    const int radius = PictureHeight / 4;
    for (int row = 0; row < PictureHeight; ++row) {
        for (int column = 0; column < PictureWidth; ++column) {
            const int dx = column - PictureWidth / 2;
            const int dy = row - PictureHeight / 2;
            if (dx * dx + dy * dy < radius * radius) {
                picture.at(row, column) = {.blue = 0, .green = 60, .red = 255};
            }
        }
    }
    return swirlon::testing::encodeBmp(picture);
}

void chooseAlways(FlowView& view, const std::string& path) {
    view.setFileChooser([path](QWidget*) { return std::optional<QString>(QString::fromStdString(path)); });
}

}  // namespace

TEST(LoadCommand, ALoadedFileBecomesTheStateAndThePictureIsRedrawn) {
    apptest::Window window;
    swirlon::testing::TempDir dir;
    const std::string path = dir.write("disc.bmp", discPicture());
    chooseAlways(window.view(), path);
    QStringList messages;
    window.view().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
    window.view().grab();
    ASSERT_FALSE(window.view().redrawPending());

    window.frame().dispatchCommand(ID_LOAD_INITIAL_VORTICITY);

    auto expected = std::make_unique<FieldBank>();
    ASSERT_EQ(loadVorticityBmp(path, *expected), std::nullopt);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(sameSlot(window.view().bank()[Slot::psi], (*expected)[Slot::psi]));
    EXPECT_TRUE(window.view().redrawPending());
}

TEST(LoadCommand, RightAfterALoadTheSpeedPictureShowsTheLoadedFieldsVelocity) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    apptest::atFrame(window.view(), 1, [&] { apptest::queueCommand(window.frame(), ID_CALC_STOP); });
    apptest::runFromStart(window.frame());
    swirlon::testing::TempDir dir;
    chooseAlways(window.view(), dir.write("disc.bmp", discPicture()));
    window.frame().dispatchCommand(ID_LOAD_INITIAL_VORTICITY);
    window.frame().dispatchCommand(ID_VIEW_SPEED2);
    window.view().grab();

    auto loaded = std::make_unique<FieldBank>(window.view().bank());
    beginStep(*loaded);
    auto expected = std::make_unique<PictureBuffer>();
    renderSpeedImage(*loaded, *expected);
    EXPECT_EQ(window.view().picture(), *expected);
}

TEST(LoadCommand, CancellingTheChooserChangesNothingAndShowsNothing) {
    apptest::Window window;
    window.view().setFileChooser([](QWidget*) { return std::optional<QString>(); });
    QStringList messages;
    window.view().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
    window.view().grab();
    const auto before = std::make_unique<FieldBank>(window.view().bank());
    window.frame().dispatchCommand(ID_LOAD_INITIAL_VORTICITY);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(sameSlot(window.view().bank()[Slot::psi], (*before)[Slot::psi]));
    EXPECT_FALSE(window.view().redrawPending());
}

TEST(LoadCommand, ARefusedFileShowsTheLoadersMessageAndChangesNothing) {
    apptest::Window window;
    swirlon::testing::TempDir dir;
    std::vector<std::uint8_t> bytes = discPicture();
    swirlon::testing::putLe16(bytes, swirlon::testing::BmpOffsetOfBitCount, EightBitsPerPixel);
    const std::string path = dir.write("eight_bit.bmp", bytes);
    chooseAlways(window.view(), path);
    QStringList messages;
    window.view().setMessageReporter([&](QWidget*, const QString& message) { messages << message; });
    window.view().grab();
    const auto before = std::make_unique<FieldBank>(window.view().bank());

    window.frame().dispatchCommand(ID_LOAD_INITIAL_VORTICITY);

    auto scratch = std::make_unique<FieldBank>();
    const std::optional<std::string> refusal = loadVorticityBmp(path, *scratch);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(messages, QStringList{QString::fromStdString(*refusal)});
    EXPECT_TRUE(sameSlot(window.view().bank()[Slot::psi], (*before)[Slot::psi]));
    EXPECT_FALSE(window.view().redrawPending());
    EXPECT_EQ(window.view().lastInfoHeader()[swirlon::testing::BmpOffsetOfBitCount -
                                             swirlon::testing::BmpFileHeaderSize],
              EightBitsPerPixel);
}

TEST(LoadCommand, AFailureIsShownInAWarningBoxTitledWithTheApplicationName) {
    apptest::Window window;
    apptest::Watchdog watchdog(window.view());
    swirlon::testing::TempDir dir;
    const std::string missing = dir.pathOf("missing.bmp");
    chooseAlways(window.view(), missing);
    auto scratch = std::make_unique<FieldBank>();
    const std::optional<std::string> refusal = loadVorticityBmp(missing, *scratch);
    ASSERT_TRUE(refusal.has_value());
    bool seen = false;
    apptest::whenModal<QMessageBox>([&](QMessageBox& box) {
        seen = true;
        EXPECT_EQ(box.windowTitle(), texts::AppName.toString());
        EXPECT_EQ(box.text(), QString::fromStdString(*refusal));
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        box.button(QMessageBox::Ok)->click();
    });
    window.frame().dispatchCommand(ID_LOAD_INITIAL_VORTICITY);
    EXPECT_TRUE(seen);
}
