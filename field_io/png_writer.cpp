// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/png_writer.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <new>

#include "field_io/atomic_file.h"

namespace swirlon {
namespace {

constexpr int BitDepth = 8;
constexpr int BytesPerPixel = 3;
// Width and height are 31-bit in PNG; far smaller limits keep every size product in range.
constexpr int MaxSide = 1 << 15;
// Frames are movie material, read once by an encoder: the fastest deflate level keeps writing
// them about as quick as computing them, and filters only lengthen false-colour pictures of
// enlarged pixels, whose repeats deflate finds one pixel and one row back by itself.
constexpr int CompressionLevel = Z_BEST_SPEED;
constexpr int RowFilters = PNG_FILTER_NONE;

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    bool appended = true;
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        appended = false;
    }
    // Outside the handler: png_error leaves by longjmp, which must not skip an exception's end.
    if (!appended) {
        png_error(png, "out of memory");
    }
}

void flushNothing(png_structp) {}

// libpng reports errors by longjmp back here, so nothing with a destructor may live in this
// frame; out belongs to the caller. Returns whether the whole file was written.
bool encodeInto(std::vector<std::uint8_t>& out, int width, int height, const std::uint8_t* rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendToVector, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), BitDepth,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, CompressionLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, RowFilters);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * BytesPerPixel;
    for (int row = 0; row < height; ++row) {
        png_write_row(png, rgb + static_cast<std::size_t>(row) * rowBytes);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodePng(int width, int height, std::span<const std::uint8_t> rgb) {
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide ||
        rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * BytesPerPixel) {
        return {};
    }
    std::vector<std::uint8_t> png;
    if (!encodeInto(png, width, height, rgb.data())) {
        return {};
    }
    return png;
}

std::optional<FileError> writePng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgb,
                                  Durability durability) {
    const std::vector<std::uint8_t> png = encodePng(width, height, rgb);
    if (png.empty()) {
        return FileError{FileErrorKind::pictureSizeMismatch, path, {}};
    }
    return writeFileAtomically(path, png, durability);
}

}  // namespace swirlon
