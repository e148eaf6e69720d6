// SPDX-License-Identifier: GPL-3.0-or-later
// Names of the picture files of a movie, frame-000000.png, frame-000001.png, ...: numbers
// zero-padded so that the names sort in frame order.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace swirlon {

// Frame numbers get at least this many digits, so short movies still name files alike.
inline constexpr int MinFrameNumberWidth = 6;

// Name of the picture of frame n, zero-padded to at least width digits.
std::string frameFileName(long long frame, int width = MinFrameNumberWidth);
// Digits used for frame numbers up to lastFrame.
int frameNumberWidth(long long lastFrame);
// The frame number a name of frameFileName's form carries; std::nullopt for any other name.
std::optional<long long> frameNumberOf(std::string_view name);

}  // namespace swirlon
