// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/bmp_loader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

namespace swirlon {

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = std::tuple_size_v<BmpInfoHeaderBytes>;
constexpr std::size_t HeadersSize = FileHeaderSize + InfoHeaderSize;

// Field offsets within the file header and within the info header.
constexpr std::size_t SignatureAt = 0;
constexpr std::size_t PixelOffsetAt = 10;
constexpr std::size_t InfoSizeAt = 0;
constexpr std::size_t WidthAt = 4;
constexpr std::size_t HeightAt = 8;
constexpr std::size_t BitCountAt = 14;
constexpr std::size_t CompressionAt = 16;

constexpr std::uint8_t SignatureFirst = 'B';
constexpr std::uint8_t SignatureSecond = 'M';
constexpr std::uint16_t RequiredBitCount = 24;
constexpr std::uint32_t UncompressedRgb = 0;
constexpr std::int64_t BytesPerPixel = 3;
constexpr std::int64_t RowAlignment = 4;

// Pixel bytes are pulled in pieces of this size, so the buffer grows with the bytes that
// really arrive and a header claiming gigabytes costs no more memory than the file holds.
constexpr std::size_t ReadChunk = std::size_t{1} << 16;

constexpr double ColourUnit = 1.0 / 256.0;
constexpr double VorticityPerColour = 10.0;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::uint16_t readLe16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)); }

std::uint32_t readLe32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::int32_t readLe32Signed(const std::uint8_t* bytes) { return static_cast<std::int32_t>(readLe32(bytes)); }

// Reads up to count bytes; fewer come back only at the end of the file or on a read error.
std::vector<std::uint8_t> readUpTo(std::FILE* file, std::uint64_t count) {
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(ReadChunk, count - bytes.size()));
        const std::size_t before = bytes.size();
        bytes.resize(before + piece);
        const std::size_t got = std::fread(bytes.data() + before, 1, piece, file);
        bytes.resize(before + got);
        if (got < piece) {
            break;
        }
    }
    return bytes;
}

// Skips count bytes; false when the file ends first.
bool skipBytes(std::FILE* file, std::uint64_t count) {
    std::array<std::uint8_t, ReadChunk> scratch;
    while (count > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(scratch.size(), count));
        if (std::fread(scratch.data(), 1, piece, file) != piece) {
            return false;
        }
        count -= piece;
    }
    return true;
}

}  // namespace

void resampleVorticity(std::span<const std::uint8_t> pixels, const PixelLayout& layout, PackedSpectrum& grid,
                       std::vector<std::uint8_t>* colours) {
    const int n = grid.grid().size();
    if (colours != nullptr) {
        colours->resize(static_cast<std::size_t>(grid.grid().points()) * BytesPerPixel);
    }
    for (int i = 0; i < n; ++i) {
        const std::int64_t pictureRow = (i * layout.rows) / n;
        const std::int64_t fileRow = layout.topDown ? layout.rows - 1 - pictureRow : pictureRow;
        const std::uint8_t* row = pixels.data() + fileRow * layout.stride;
        for (int j = 0; j < n; ++j) {
            const std::int64_t column = (j * layout.width) / n;
            const std::uint8_t* pixel = row + BytesPerPixel * column;
            const int at = grid.grid().entryIndex(i, j);
            grid[at] = vorticityOfColour(pixel[0], pixel[1], pixel[2]);
            if (colours != nullptr) {
                std::copy_n(pixel, BytesPerPixel, colours->begin() + static_cast<std::ptrdiff_t>(at * BytesPerPixel));
            }
        }
    }
}

std::int64_t bmpRowStride(std::int64_t width) {
    return (BytesPerPixel * width + RowAlignment - 1) / RowAlignment * RowAlignment;
}

double vorticityOfColour(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    if (red > blue) {
        return static_cast<double>(red + green) * ColourUnit * VorticityPerColour;
    }
    return -(static_cast<double>(green + blue) * ColourUnit) * VorticityPerColour;
}

std::optional<FileError> loadVorticityBmp(const std::string& path, PackedSpectrum& vorticity,
                                          BmpInfoHeaderBytes* infoHeader, std::vector<std::uint8_t>* colours) {
    if (path.empty()) {
        return FileError{FileErrorKind::noFileName, path, {}};
    }
    // A directory opens as a stream on some systems but is no file to read.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        return FileError{FileErrorKind::openFailed, path, std::strerror(EISDIR)};
    }
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return FileError{FileErrorKind::openFailed, path, std::strerror(errno)};
    }

    std::array<std::uint8_t, FileHeaderSize> fileHeader{};
    if (std::fread(fileHeader.data(), 1, fileHeader.size(), file.get()) != fileHeader.size()) {
        return FileError{FileErrorKind::bmpFileHeaderShort, path, {}};
    }
    BmpInfoHeaderBytes info{};
    const std::size_t infoRead = std::fread(info.data(), 1, info.size(), file.get());
    if (infoHeader != nullptr) {
        std::copy_n(info.begin(), infoRead, infoHeader->begin());
    }
    if (infoRead != info.size()) {
        return FileError{FileErrorKind::bmpInfoHeaderShort, path, {}};
    }
    if (readLe16(info.data() + BitCountAt) != RequiredBitCount) {
        return FileError{FileErrorKind::bmpNot24Bit, path, {}};
    }

    // The checks above keep their order so that each of those files gets its own kind of error.
    // From here on the header is trusted only as far as it agrees with itself and with the
    // bytes the file really has.
    if (fileHeader[SignatureAt] != SignatureFirst || fileHeader[SignatureAt + 1] != SignatureSecond) {
        return FileError{FileErrorKind::bmpNotBmp, path, {}};
    }
    const std::uint64_t infoSize = readLe32(info.data() + InfoSizeAt);
    const std::uint64_t pixelOffset = readLe32(fileHeader.data() + PixelOffsetAt);
    if (infoSize < InfoHeaderSize || pixelOffset < FileHeaderSize + infoSize) {
        return FileError{FileErrorKind::bmpDamaged, path, {}};
    }
    if (readLe32(info.data() + CompressionAt) != UncompressedRgb) {
        return FileError{FileErrorKind::bmpCompressed, path, {}};
    }
    const std::int64_t width = readLe32Signed(info.data() + WidthAt);
    const std::int64_t height = readLe32Signed(info.data() + HeightAt);
    if (width < 0) {
        return FileError{FileErrorKind::bmpNegativeWidth, path, {}};
    }
    PixelLayout layout;
    layout.width = width;
    layout.topDown = height < 0;
    layout.rows = layout.topDown ? -height : height;
    layout.stride = bmpRowStride(width);
    // Both factors are below 2^33, so the size fits 64 bits; an empty array counts as cut short.
    const auto pixelBytes = static_cast<std::uint64_t>(layout.rows) * static_cast<std::uint64_t>(layout.stride);
    if (pixelBytes == 0) {
        return FileError{FileErrorKind::bmpDataCutShort, path, {}};
    }

    std::vector<std::uint8_t> pixels;
    try {
        if (!skipBytes(file.get(), pixelOffset - HeadersSize)) {
            return FileError{FileErrorKind::bmpDamaged, path, {}};
        }
        pixels = readUpTo(file.get(), pixelBytes);
    } catch (const std::bad_alloc&) {
        return FileError{FileErrorKind::bmpOutOfMemory, path, {}};
    }
    if (pixels.size() != pixelBytes) {
        return FileError{FileErrorKind::bmpDataCutShort, path, {}};
    }
    file.reset();

    resampleVorticity(pixels, layout, vorticity, colours);
    return std::nullopt;
}

}  // namespace swirlon
