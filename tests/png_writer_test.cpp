// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QImage>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "field_io/png_writer.h"
#include "tests/bmp_files.h"

namespace swirlon {
namespace {

// A picture made of 3x3 blocks of one colour each, like the enlarged flow pictures.
std::vector<std::uint8_t> blockPicture(int width, int height) {
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int bx = x / 3;
            const int by = y / 3;
            rgb.insert(rgb.end(), {static_cast<std::uint8_t>(bx * 7 + by), static_cast<std::uint8_t>(by * 5),
                                   static_cast<std::uint8_t>(bx * by)});
        }
    }
    return rgb;
}

TEST(PngEncoding, PicturesDecodeBackToTheSamePixels) {
    std::mt19937 generator(7);
    std::vector<std::uint8_t> noise(3 * 40 * 30);
    for (auto& byte : noise) {
        byte = static_cast<std::uint8_t>(generator());
    }
    struct Case {
        const char* name;
        int width;
        int height;
        std::vector<std::uint8_t> rgb;
    };
    // Enlarged blocks repeat at the pixel and row strides, noise does not repeat at all.
    const Case cases[] = {{"blocks", 384, 384, blockPicture(384, 384)},
                          {"odd-sized", 7, 5, blockPicture(7, 5)},
                          {"noise", 40, 30, noise},
                          {"white", 37, 384, std::vector<std::uint8_t>(3 * 37 * 384, 0xff)}};
    for (const Case& picture : cases) {
        // Qt's PNG reader checks the chunk CRCs and the zlib checksum itself.
        const std::vector<std::uint8_t> png = encodePng(picture.width, picture.height, picture.rgb);
        QImage decoded;
        ASSERT_TRUE(decoded.loadFromData(png.data(), static_cast<int>(png.size()), "PNG")) << picture.name;
        EXPECT_TRUE(decoded.convertToFormat(QImage::Format_RGB888) ==
                    QImage(picture.rgb.data(), picture.width, picture.height, 3 * picture.width, QImage::Format_RGB888))
            << picture.name;
    }
}

TEST(PngEncoding, EnlargedPicturesShrinkWellBelowTheirRawSize) {
    // Two of every three rows repeat the row above, and each pixel repeats twice within a row.
    constexpr double MaxCompressedFraction = 0.3;
    const std::vector<std::uint8_t> rgb = blockPicture(384, 384);
    EXPECT_LT(static_cast<double>(encodePng(384, 384, rgb).size()),
              MaxCompressedFraction * static_cast<double>(rgb.size()));
}

TEST(PngEncoding, RefusesSizesThatDoNotMatchThePixels) {
    const std::vector<std::uint8_t> rgb(3 * 4 * 4);
    EXPECT_TRUE(encodePng(4, 5, rgb).empty());
    EXPECT_TRUE(encodePng(0, 0, {}).empty());
    EXPECT_TRUE(encodePng(-4, -4, rgb).empty());
}

TEST(PngFile, WritesTheEncodedBytesAtomicallyOrNamesThePathAndWritesNothing) {
    for (const Durability durability : {Durability::flushEachFile, Durability::flushFolderLater}) {
        testing::TempDir dir;
        const std::vector<std::uint8_t> rgb = blockPicture(6, 6);
        const std::string blocked = dir.pathOf("missing/picture.png");
        EXPECT_EQ(writePng(blocked, 6, 6, rgb, durability),
                  (FileError{FileErrorKind::writeFailed, blocked, std::strerror(ENOENT)}));
        EXPECT_EQ(writePng(blocked, 6, 5, rgb, durability),
                  (FileError{FileErrorKind::pictureSizeMismatch, blocked, ""}));
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

        ASSERT_FALSE(writePng(dir.pathOf("picture.png"), 6, 6, rgb, durability).has_value());
        std::ifstream in(dir.pathOf("picture.png"), std::ios::binary);
        EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), encodePng(6, 6, rgb));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";

        EXPECT_FALSE(flushFolderToDisk(dir.path()).has_value());
        const std::string missing = dir.pathOf("missing");
        EXPECT_EQ(flushFolderToDisk(missing), (FileError{FileErrorKind::writeFailed, missing, std::strerror(ENOENT)}));
    }
}

}  // namespace
}  // namespace swirlon
