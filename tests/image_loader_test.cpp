// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of any format Qt reads become the same field as a BMP of the same pixels; BMP files
// keep their own loader and its errors; what no reader understands is refused as such.
#include "field_io/image_loader.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string_view>

#include "qt_io/picture_decoder.h"
#include "tests/bmp_files.h"

namespace swirlon {
namespace {

using testing::BmpPicture;

// Four blocks of colours from both sides of the colour rule, in the BMP's orientation (row 0 at
// the bottom); 50x30 makes the resampling both repeat and skip pixels.
BmpPicture quarters() {
    BmpPicture picture(50, 30, {.blue = 0, .green = 0, .red = 255});
    for (int row = 0; row < picture.height; ++row) {
        for (int column = 0; column < picture.width; ++column) {
            if (row >= 15) {
                picture.at(row, column) = column < 25 ? testing::BmpPixel{0, 255, 255} : testing::BmpPixel{255, 0, 0};
            } else if (column >= 25) {
                picture.at(row, column) = {.blue = 128, .green = 128, .red = 128};
            }
        }
    }
    return picture;
}

// The same pixels as Qt holds them: rows top-down.
QImage asImage(const BmpPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const testing::BmpPixel& pixel = picture.at(picture.height - 1 - y, x);
            image.setPixel(x, y, qRgb(pixel.red, pixel.green, pixel.blue));
        }
    }
    return image;
}

TEST(PictureLoader, LosslessFormatsGiveTheFieldOfTheBmpOfTheSamePixelsAndAJpegLoads) {
    testing::TempDir dir;
    const BmpPicture picture = quarters();
    auto expected = std::make_unique<PackedSpectrum>(Grid{});
    ASSERT_EQ(loadVorticityBmp(dir.write("quarters.bmp", testing::encodeBmp(picture)), *expected), std::nullopt);
    for (const char* format : {"png", "tiff", "ppm", "jpg"}) {
        const std::string path = dir.pathOf(std::string("quarters.") + format);
        ASSERT_TRUE(asImage(picture).save(QString::fromStdString(path), format)) << format;
        auto loaded = std::make_unique<PackedSpectrum>(Grid{});
        ASSERT_EQ(loadVorticityPicture(path, *loaded, decodePictureWithQt), std::nullopt) << format;
        if (std::string(format) != "jpg") {
            EXPECT_EQ(*loaded, *expected) << format;
        } else {
            // Lossy: each block's centre keeps its sign.
            for (const int k : {Grid{}.entryIndex(32, 32), Grid{}.entryIndex(32, 96), Grid{}.entryIndex(96, 32),
                                Grid{}.entryIndex(96, 96)}) {
                EXPECT_EQ((*loaded)[k] > 0, (*expected)[k] > 0) << k;
            }
        }
    }
}

TEST(PictureLoader, BmpsKeepTheirLoaderAndFilesNoReaderKnowsAreRefusedUntouched) {
    testing::TempDir dir;
    const std::vector<std::uint8_t> text{'h', 'e', 'l', 'l', 'o'};
    const std::vector<std::uint8_t> empty;
    const std::vector<std::uint8_t> bmp = testing::encodeBmp(quarters());
    std::vector<std::vector<std::uint8_t>> others;
    for (const char* format : {"png", "jpg"}) {
        QByteArray encoded;
        QBuffer buffer(&encoded);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && asImage(quarters()).save(&buffer, format)) << format;
        others.emplace_back(encoded.begin(), encoded.end());
    }
    // Qt reads GIF but does not write it: one red pixel, by hand.
    constexpr std::string_view RedPixelGif(
        "GIF89a\x01\0\x01\0\x80\0\0\xff\0\0\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02"
        "D\x01\0;",
        35);
    others.emplace_back(RedPixelGif.begin(), RedPixelGif.end());
    const std::vector<std::uint8_t> pngStart(others[0].begin(), others[0].begin() + 8);
    struct Case {
        std::string name;
        const std::vector<std::uint8_t>* bytes;  // nullptr: no such file
        std::optional<FileErrorKind> error;
    };
    const Case cases[] = {
        {"notes.txt", &text, FileErrorKind::pictureUnreadable},
        {"notes.BMP", &text, FileErrorKind::bmpFileHeaderShort},
        {"quarters.dat", &bmp, std::nullopt},
        {"missing.png", nullptr, FileErrorKind::openFailed},
        {"empty.png", &empty, FileErrorKind::pictureUnreadable},
        // Named .bmp but another format by content: read as what it is.
        {"png.bmp", &others[0], std::nullopt},
        {"jpeg.BMP", &others[1], std::nullopt},
        {"gif.bmp", &others[2], std::nullopt},
        {"cut-png.bmp", &pngStart, FileErrorKind::pictureUnreadable},
    };
    for (const Case& c : cases) {
        const std::string path = c.bytes != nullptr ? dir.write(c.name, *c.bytes) : dir.pathOf(c.name);
        auto field = std::make_unique<PackedSpectrum>(Grid{});
        field->fill(1.0);
        const std::optional<FileError> error = loadVorticityPicture(path, *field, decodePictureWithQt);
        EXPECT_EQ(error ? std::optional(error->kind) : std::nullopt, c.error) << c.name;
        EXPECT_EQ((*field)[0] == 1.0, c.error.has_value()) << c.name;
    }
    // A decoder whose pixels fall short of the size it reports is not trusted.
    const PictureDecoder shortOfPixels = [](const std::string&) {
        return std::optional(
            DecodedPicture{.pixels = std::vector<std::uint8_t>(30), .width = 4, .height = 3, .stride = 12});
    };
    auto field = std::make_unique<PackedSpectrum>(Grid{});
    const auto error = loadVorticityPicture(dir.write("short.png", text), *field, shortOfPixels);
    EXPECT_EQ(error ? std::optional(error->kind) : std::nullopt, FileErrorKind::pictureUnreadable);
}

}  // namespace
}  // namespace swirlon
