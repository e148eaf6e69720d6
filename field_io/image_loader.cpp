// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/image_loader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace swirlon {
namespace {

constexpr std::array<char, 2> BmpSignature{'B', 'M'};
constexpr std::string_view BmpExtension = ".bmp";
constexpr std::int64_t BytesPerPixel = 3;

// Beginnings of the files of other formats most often named .bmp by mistake: PNG, JPEG, GIF.
constexpr std::array<std::string_view, 3> OtherSignatures{std::string_view("\x89PNG\r\n\x1a\n", 8),
                                                          std::string_view("\xff\xd8\xff", 3), "GIF8"};
constexpr std::size_t SignatureBytes = 8;

bool hasBmpExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == BmpExtension;
}

// Whether the pixels hold every byte the reported size needs.
bool fillsItsSize(const DecodedPicture& picture) {
    if (picture.width <= 0 || picture.height <= 0 || picture.stride < BytesPerPixel * picture.width) {
        return false;
    }
    const auto needed = static_cast<std::uint64_t>(picture.stride) * static_cast<std::uint64_t>(picture.height - 1) +
                        static_cast<std::uint64_t>(BytesPerPixel * picture.width);
    return picture.pixels.size() >= needed;
}

}  // namespace

bool readsAsBmp(const std::string& path) {
    std::error_code ignored;
    if (path.empty() || std::filesystem::is_directory(path, ignored)) {
        return true;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        return true;
    }
    std::array<char, SignatureBytes> start{};
    const std::string_view read(start.data(), std::fread(start.data(), 1, start.size(), file.get()));
    if (read.starts_with(std::string_view(BmpSignature.data(), BmpSignature.size()))) {
        return true;
    }
    // A picture of another format keeps its own reader whatever its name says.
    const bool otherFormat = std::ranges::any_of(
        OtherSignatures, [read](std::string_view signature) { return read.starts_with(signature); });
    return !otherFormat && hasBmpExtension(path);
}

std::optional<FileError> loadVorticityPicture(const std::string& path, PackedSpectrum& vorticity,
                                              const PictureDecoder& decode, BmpInfoHeaderBytes* infoHeader,
                                              std::vector<std::uint8_t>* colours) {
    if (readsAsBmp(path)) {
        return loadVorticityBmp(path, vorticity, infoHeader, colours);
    }
    const std::optional<DecodedPicture> picture = decode ? decode(path) : std::nullopt;
    if (!picture || !fillsItsSize(*picture)) {
        return FileError{FileErrorKind::pictureUnreadable, path, {}};
    }
    const PixelLayout layout{
        .width = picture->width, .rows = picture->height, .stride = picture->stride, .topDown = true};
    resampleVorticity(picture->pixels, layout, vorticity, colours);
    return std::nullopt;
}

}  // namespace swirlon
