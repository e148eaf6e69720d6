// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/png_writer.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "field_io/atomic_file.h"

namespace swirlon {
namespace {

constexpr std::array<std::uint8_t, 8> PngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint8_t BitDepth = 8;
constexpr std::uint8_t TrueColour = 2;
constexpr int BytesPerPixel = 3;
// Rows are stored with their filter byte first; filter 0 keeps bytes as they are.
constexpr std::uint8_t NoFilter = 0;
// Width and height are 31-bit in PNG; far smaller limits keep every size product in range.
constexpr int MaxSide = 1 << 15;

constexpr std::uint32_t CrcPolynomial = 0xedb88320u;
constexpr std::uint32_t AdlerModulus = 65521u;
// Bytes summed before the Adler sums must be reduced to stay within 32 bits.
constexpr std::size_t AdlerBlock = 5552;

// zlib header: deflate with a 32 KiB window, no preset dictionary, check bits making it a
// multiple of 31.
constexpr std::uint8_t ZlibMethod = 0x78;
constexpr std::uint8_t ZlibFlags = 0x01;

constexpr int MinMatch = 3;
constexpr int MaxMatch = 258;
constexpr std::size_t MaxDistance = 32768;
constexpr int EndOfBlock = 256;

// Base lengths and extra bits of length codes 257..285, and of distance codes 0..29.
constexpr std::array<int, 29> LengthBase{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                         31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> LengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> DistanceBase{1,   2,   3,   4,   5,    7,    9,    13,   17,   25,
                                           33,  49,  65,  97,  129,  193,  257,  385,  513,  769,
                                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> DistanceExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr int DistanceCodeBits = 5;

std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < table.size(); ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1u) ? CrcPolynomial ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

// Deflate packs bits from the least significant end; Huffman codes go most significant first.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            accumulator_ |= ((value >> i) & 1u) << filled_;
            if (++filled_ == 8) {
                flushByte();
            }
        }
    }

    void code(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            bits((value >> i) & 1u, 1);
        }
    }

    void finish() {
        if (filled_ > 0) {
            flushByte();
        }
    }

private:
    void flushByte() {
        out_.push_back(static_cast<std::uint8_t>(accumulator_));
        accumulator_ = 0;
        filled_ = 0;
    }

    std::vector<std::uint8_t>& out_;
    std::uint32_t accumulator_ = 0;
    int filled_ = 0;
};

// The fixed literal/length code of deflate.
void writeSymbol(BitWriter& writer, int symbol) {
    if (symbol < 144) {
        writer.code(0x30 + symbol, 8);
    } else if (symbol < 256) {
        writer.code(0x190 + (symbol - 144), 9);
    } else if (symbol < 280) {
        writer.code(symbol - 256, 7);
    } else {
        writer.code(0xc0 + (symbol - 280), 8);
    }
}

void writeMatch(BitWriter& writer, int length, int distance) {
    const int lengthCode = static_cast<int>(std::upper_bound(LengthBase.begin(), LengthBase.end(), length) - LengthBase.begin()) - 1;
    writeSymbol(writer, EndOfBlock + 1 + lengthCode);
    writer.bits(static_cast<std::uint32_t>(length - LengthBase[lengthCode]), LengthExtra[lengthCode]);
    const int distanceCode =
        static_cast<int>(std::upper_bound(DistanceBase.begin(), DistanceBase.end(), distance) - DistanceBase.begin()) - 1;
    writer.code(static_cast<std::uint32_t>(distanceCode), DistanceCodeBits);
    writer.bits(static_cast<std::uint32_t>(distance - DistanceBase[distanceCode]), DistanceExtra[distanceCode]);
}

int matchLength(std::span<const std::uint8_t> bytes, std::size_t position, std::size_t distance) {
    const std::size_t limit = std::min<std::size_t>(MaxMatch, bytes.size() - position);
    std::size_t length = 0;
    while (length < limit && bytes[position + length] == bytes[position + length - distance]) {
        ++length;
    }
    return static_cast<int>(length);
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void appendChunk(std::vector<std::uint8_t>& out, std::string_view type, std::span<const std::uint8_t> data) {
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    appendBigEndian(out, crc32(std::span(out).subspan(typeStart)));
}

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    static const std::array<std::uint32_t, 256> table = makeCrcTable();
    std::uint32_t c = 0xffffffffu;
    for (const std::uint8_t byte : bytes) {
        c = table[(c ^ byte) & 0xffu] ^ (c >> 8);
    }
    return c ^ 0xffffffffu;
}

std::uint32_t adler32(std::span<const std::uint8_t> bytes) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    while (!bytes.empty()) {
        const std::size_t block = std::min(bytes.size(), AdlerBlock);
        for (const std::uint8_t byte : bytes.first(block)) {
            a += byte;
            b += a;
        }
        a %= AdlerModulus;
        b %= AdlerModulus;
        bytes = bytes.subspan(block);
    }
    return (b << 16) | a;
}

std::vector<std::uint8_t> zlibCompress(std::span<const std::uint8_t> bytes, std::span<const std::size_t> distances) {
    std::vector<std::uint8_t> out{ZlibMethod, ZlibFlags};
    BitWriter writer(out);
    writer.bits(1, 1);  // final block
    writer.bits(1, 2);  // fixed Huffman codes
    std::size_t position = 0;
    while (position < bytes.size()) {
        int bestLength = 0;
        std::size_t bestDistance = 0;
        for (const std::size_t distance : distances) {
            if (distance == 0 || distance > MaxDistance || distance > position) {
                continue;
            }
            const int length = matchLength(bytes, position, distance);
            if (length > bestLength) {
                bestLength = length;
                bestDistance = distance;
            }
        }
        if (bestLength >= MinMatch) {
            writeMatch(writer, bestLength, static_cast<int>(bestDistance));
            position += static_cast<std::size_t>(bestLength);
        } else {
            writeSymbol(writer, bytes[position]);
            ++position;
        }
    }
    writeSymbol(writer, EndOfBlock);
    writer.finish();
    appendBigEndian(out, adler32(bytes));
    return out;
}

std::vector<std::uint8_t> encodePng(int width, int height, std::span<const std::uint8_t> rgb) {
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide ||
        rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * BytesPerPixel) {
        return {};
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * BytesPerPixel;
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) {
        raw.push_back(NoFilter);
        const auto line = rgb.subspan(static_cast<std::size_t>(row) * rowBytes, rowBytes);
        raw.insert(raw.end(), line.begin(), line.end());
    }
    // The previous pixel, and the same place one row up.
    const std::array<std::size_t, 2> distances{BytesPerPixel, rowBytes + 1};

    std::vector<std::uint8_t> header;
    appendBigEndian(header, static_cast<std::uint32_t>(width));
    appendBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {BitDepth, TrueColour, 0, 0, 0});  // deflate, adaptive filters, no interlace

    std::vector<std::uint8_t> png(PngSignature.begin(), PngSignature.end());
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlibCompress(raw, distances));
    appendChunk(png, "IEND", {});
    return png;
}

std::optional<FileError> writePng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgb) {
    const std::vector<std::uint8_t> png = encodePng(width, height, rgb);
    if (png.empty()) {
        return FileError{FileErrorKind::pictureSizeMismatch, path, {}};
    }
    return writeFileAtomically(path, png);
}

}  // namespace swirlon
