// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper: builds 24-bit BMP files byte by byte, in any header variant (plain 40-byte
// info header, V4, V5, with a colour table, top-down), and writes them into a temporary
// directory that disappears with its owner. Header-only so any test program can include it.
//
//   swirlon::testing::BmpPicture picture(64, 64);
//   picture.at(0, 0) = {.blue = 0, .green = 0, .red = 255};
//   swirlon::testing::TempDir dir;
//   const std::string path = dir.write("red_corner.bmp", encodeBmp(picture, {.infoHeaderSize = 124}));
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace swirlon::testing {

// Sizes, and byte offsets of the fields a test may want to patch after encoding.
inline constexpr std::size_t BmpFileHeaderSize = 14;
inline constexpr std::size_t BmpV4HeaderSize = 108;
inline constexpr std::size_t BmpV5HeaderSize = 124;
inline constexpr std::size_t BmpPlainPixelOffset = BmpFileHeaderSize + 40;
inline constexpr std::size_t BmpOffsetOfPixelOffset = 10;
inline constexpr std::size_t BmpOffsetOfInfoSize = 14;
inline constexpr std::size_t BmpOffsetOfWidth = 18;
inline constexpr std::size_t BmpOffsetOfHeight = 22;
inline constexpr std::size_t BmpOffsetOfBitCount = 28;
inline constexpr std::uint32_t BmpCompressionRle8 = 1;
inline constexpr std::uint32_t BmpCompressionBitfields = 3;

struct BmpPixel {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    bool operator==(const BmpPixel&) const = default;
};

// A picture in the BMP's own orientation: row 0 is the bottom row, column 0 the left one.
struct BmpPicture {
    int width = 0;
    int height = 0;
    std::vector<BmpPixel> pixels;

    BmpPicture(int pictureWidth, int pictureHeight, BmpPixel fill = {})
        : width(pictureWidth),
          height(pictureHeight),
          pixels(static_cast<std::size_t>(pictureWidth) * static_cast<std::size_t>(pictureHeight), fill) {}

    BmpPixel& at(int row, int column) { return pixels[static_cast<std::size_t>(row) * width + column]; }
    const BmpPixel& at(int row, int column) const { return pixels[static_cast<std::size_t>(row) * width + column]; }
};

// Row length of a 24-bit BMP: three bytes a pixel, padded to a multiple of four.
constexpr std::size_t bmpRowStride(int width) { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }

// How the file is laid out; the defaults give the plain 54-byte-header bottom-up file.
struct BmpLayout {
    std::uint32_t infoHeaderSize = 40;  // 40, 108 (V4) or 124 (V5)
    bool topDown = false;               // negative height, first row on top
    std::uint16_t bitCount = 24;        // written as is; pixels stay 3 bytes
    std::uint32_t compression = 0;
    std::uint32_t colourTableEntries = 0;  // four bytes each, between headers and pixels
    std::uint8_t paddingByte = 0;          // filler of each row's padding
};

inline void putLe16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value & 0xFFu);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

inline void putLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    putLe16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFFu));
    putLe16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// File header, info header (padded to its declared size) and colour table, declaring a
// picture of width x height (height negated for top-down); no pixel bytes. A non-positive
// width or height is written as given, for files that must be refused.
inline std::vector<std::uint8_t> encodeBmpHeaders(std::int32_t width, std::int32_t height,
                                                  const BmpLayout& layout = {}) {
    constexpr std::uint32_t srgbTag = 0x73524742u;     // colour-space type as editors write it
    constexpr std::uint8_t colourTablePattern = 0xA5;  // shows when a loader reads the table as pixels
    const std::size_t headersEnd = BmpFileHeaderSize + layout.infoHeaderSize;
    const std::size_t pixelOffset = headersEnd + layout.colourTableEntries * 4;
    const std::size_t imageSize = width > 0 && height > 0 ? bmpRowStride(width) * static_cast<std::size_t>(height) : 0;

    std::vector<std::uint8_t> bytes(pixelOffset, colourTablePattern);
    std::fill_n(bytes.begin(), headersEnd, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLe32(bytes, 2, static_cast<std::uint32_t>(pixelOffset + imageSize));  // file size
    putLe32(bytes, BmpOffsetOfPixelOffset, static_cast<std::uint32_t>(pixelOffset));
    putLe32(bytes, BmpOffsetOfInfoSize, layout.infoHeaderSize);
    putLe32(bytes, BmpOffsetOfWidth, static_cast<std::uint32_t>(width));
    putLe32(bytes, BmpOffsetOfHeight, static_cast<std::uint32_t>(layout.topDown ? -height : height));
    putLe16(bytes, 26, 1);  // planes
    putLe16(bytes, BmpOffsetOfBitCount, layout.bitCount);
    putLe32(bytes, 30, layout.compression);
    putLe32(bytes, 34, static_cast<std::uint32_t>(imageSize));
    putLe32(bytes, 46, layout.colourTableEntries);
    if (layout.infoHeaderSize >= BmpV4HeaderSize) {
        putLe32(bytes, 70, srgbTag);  // a loader must not care
    }
    return bytes;
}

// A complete file: headers, then the rows in file order with their padding.
inline std::vector<std::uint8_t> encodeBmp(const BmpPicture& picture, const BmpLayout& layout = {}) {
    std::vector<std::uint8_t> bytes = encodeBmpHeaders(picture.width, picture.height, layout);
    const std::size_t padding = bmpRowStride(picture.width) - static_cast<std::size_t>(picture.width) * 3;
    for (int fileRow = 0; fileRow < picture.height; ++fileRow) {
        const int row = layout.topDown ? picture.height - 1 - fileRow : fileRow;
        for (int column = 0; column < picture.width; ++column) {
            const BmpPixel& pixel = picture.at(row, column);
            bytes.insert(bytes.end(), {pixel.blue, pixel.green, pixel.red});
        }
        bytes.resize(bytes.size() + padding, layout.paddingByte);
    }
    return bytes;
}

// A fresh directory under the system's temporary directory, removed with everything in it
// when the object goes away.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "swirlon-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no fresh temporary directory");
        }
        root_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    const std::filesystem::path& path() const { return root_; }

    // Full path of a file in the directory, whether or not it exists.
    std::string pathOf(std::string_view name) const { return (root_ / name).string(); }

    // Writes the bytes as the named file and returns its full path.
    std::string write(std::string_view name, const std::vector<std::uint8_t>& bytes) const {
        const std::string full = pathOf(name);
        std::ofstream out(full, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            throw std::runtime_error("cannot write " + full);
        }
        return full;
    }

  private:
    std::filesystem::path root_;
};

}  // namespace swirlon::testing
