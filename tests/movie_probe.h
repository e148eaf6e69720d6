// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a movie back through FFmpeg's demuxers and decoders, as a player would: the tests'
// independent look at what the movie writer made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swirlon::testing {

struct DecodedMovie {
    // Whether the file opened and every packet decoded.
    bool readable = false;
    std::string codec;
    int width = 0;
    int height = 0;
    long long frames = 0;
    // The first frame as red, green, blue, rows top-down.
    std::vector<std::uint8_t> firstFrame;
};

DecodedMovie decodeMovie(const std::string& path);

// Mean absolute difference of the channels of two RGB pictures of one size; a large number
// when their sizes differ.
double meanChannelDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

}  // namespace swirlon::testing
