// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/frame_files.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace swirlon {
namespace {

constexpr std::string_view Prefix = "frame-";
constexpr std::string_view Suffix = ".png";

}  // namespace

int frameNumberWidth(long long lastFrame) {
    return std::max(MinFrameNumberWidth, static_cast<int>(std::to_string(lastFrame).size()));
}

std::string frameFileName(long long frame, int width) {
    std::string digits = std::to_string(frame);
    if (static_cast<int>(digits.size()) < width) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return std::string(Prefix) + digits + std::string(Suffix);
}

std::optional<long long> frameNumberOf(std::string_view name) {
    if (!name.starts_with(Prefix) || !name.ends_with(Suffix)) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(Prefix.size(), name.size() - Prefix.size() - Suffix.size());
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    long long frame = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), frame);
    return error == std::errc() ? std::optional(frame) : std::nullopt;
}

}  // namespace swirlon
