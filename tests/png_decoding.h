// Test helper: an independent reader for the PNG files the batch tool writes (8-bit RGB, no
// interlace), with an inflater for stored and fixed-Huffman deflate blocks. Throws on anything
// malformed, so a test that decodes a file also checks its structure and checksums.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "field_io/png_writer.h"

namespace swirlon::testing {

struct DecodedPng {
    int width = 0;
    int height = 0;
    // Red, green, blue, rows top-down.
    std::vector<std::uint8_t> rgb;
};

class DeflateReader {
public:
    explicit DeflateReader(const std::vector<std::uint8_t>& bytes, std::size_t start) : bytes_(bytes), position_(start) {}

    std::vector<std::uint8_t> inflate() {
        std::vector<std::uint8_t> out;
        bool last = false;
        while (!last) {
            last = bits(1) == 1;
            const std::uint32_t type = bits(2);
            if (type == 0) {
                storedBlock(out);
            } else if (type == 1) {
                fixedBlock(out);
            } else {
                throw std::runtime_error("unsupported deflate block type " + std::to_string(type));
            }
        }
        return out;
    }

    // Byte offset just past the deflate stream.
    std::size_t endOffset() const { return position_ + (bitCount_ > 0 ? 1 : 0); }

private:
    std::uint32_t bits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (position_ >= bytes_.size()) {
                throw std::runtime_error("deflate stream runs past its data");
            }
            value |= static_cast<std::uint32_t>((bytes_[position_] >> bitCount_) & 1u) << i;
            if (++bitCount_ == 8) {
                bitCount_ = 0;
                ++position_;
            }
        }
        return value;
    }

    // Huffman codes arrive most significant bit first.
    std::uint32_t codeBits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 1) | bits(1);
        }
        return value;
    }

    void storedBlock(std::vector<std::uint8_t>& out) {
        if (bitCount_ > 0) {
            bitCount_ = 0;
            ++position_;
        }
        const std::uint32_t length = bits(16);
        const std::uint32_t complement = bits(16);
        if ((length ^ complement) != 0xffffu) {
            throw std::runtime_error("stored block length check fails");
        }
        for (std::uint32_t i = 0; i < length; ++i) {
            out.push_back(static_cast<std::uint8_t>(bits(8)));
        }
    }

    int fixedSymbol() {
        std::uint32_t code = codeBits(7);
        if (code <= 0x17) {
            return 256 + static_cast<int>(code);
        }
        code = (code << 1) | bits(1);
        if (code >= 0x30 && code <= 0xbf) {
            return static_cast<int>(code - 0x30);
        }
        if (code >= 0xc0 && code <= 0xc7) {
            return 280 + static_cast<int>(code - 0xc0);
        }
        code = (code << 1) | bits(1);
        return 144 + static_cast<int>(code - 0x190);
    }

    void fixedBlock(std::vector<std::uint8_t>& out) {
        static constexpr std::array<int, 29> lengthBase{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                        31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static constexpr std::array<int, 29> lengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                         2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static constexpr std::array<int, 30> distanceBase{1,    2,    3,    4,    5,    7,     9,     13,    17,   25,
                                                          33,   49,   65,   97,   129,  193,   257,   385,   513,  769,
                                                          1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static constexpr std::array<int, 30> distanceExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                           6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (;;) {
            const int symbol = fixedSymbol();
            if (symbol < 256) {
                out.push_back(static_cast<std::uint8_t>(symbol));
                continue;
            }
            if (symbol == 256) {
                return;
            }
            const int lengthCode = symbol - 257;
            if (lengthCode >= static_cast<int>(lengthBase.size())) {
                throw std::runtime_error("invalid length symbol");
            }
            const int length = lengthBase[lengthCode] + static_cast<int>(bits(lengthExtra[lengthCode]));
            const int distanceCode = static_cast<int>(codeBits(5));
            if (distanceCode >= static_cast<int>(distanceBase.size())) {
                throw std::runtime_error("invalid distance symbol");
            }
            const std::size_t distance =
                static_cast<std::size_t>(distanceBase[distanceCode]) + bits(distanceExtra[distanceCode]);
            if (distance > out.size()) {
                throw std::runtime_error("match reaches before the start of the data");
            }
            for (int i = 0; i < length; ++i) {
                out.push_back(out[out.size() - distance]);
            }
        }
    }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t position_;
    int bitCount_ = 0;
};

inline std::uint32_t readBigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (at + 4 > bytes.size()) {
        throw std::runtime_error("read past the end of the file");
    }
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) | (std::uint32_t{bytes[at + 2]} << 8) |
           std::uint32_t{bytes[at + 3]};
}

// The payload of a zlib stream, with its header and Adler-32 checked.
inline std::vector<std::uint8_t> zlibDecompress(const std::vector<std::uint8_t>& stream) {
    constexpr int ZlibCheckModulus = 31;
    constexpr std::uint8_t DeflateMethod = 8;
    if (stream.size() < 2 || (stream[0] & 0x0f) != DeflateMethod || ((stream[0] << 8) | stream[1]) % ZlibCheckModulus != 0) {
        throw std::runtime_error("bad zlib header");
    }
    DeflateReader reader(stream, 2);
    std::vector<std::uint8_t> out = reader.inflate();
    if (readBigEndian32(stream, reader.endOffset()) != adler32(out)) {
        throw std::runtime_error("Adler-32 mismatch");
    }
    return out;
}

inline DecodedPng decodePng(const std::vector<std::uint8_t>& file) {
    constexpr std::array<std::uint8_t, 8> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    constexpr std::size_t ChunkOverhead = 12;
    constexpr int RgbBytes = 3;
    if (file.size() < signature.size() || !std::equal(signature.begin(), signature.end(), file.begin())) {
        throw std::runtime_error("no PNG signature");
    }
    DecodedPng png;
    std::vector<std::uint8_t> compressed;
    bool ended = false;
    for (std::size_t at = signature.size(); !ended;) {
        const std::uint32_t length = readBigEndian32(file, at);
        if (at + ChunkOverhead + length > file.size()) {
            throw std::runtime_error("chunk runs past the end of the file");
        }
        const std::string type(file.begin() + static_cast<std::ptrdiff_t>(at + 4), file.begin() + static_cast<std::ptrdiff_t>(at + 8));
        const std::vector<std::uint8_t> typeAndData(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                                    file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        if (crc32(typeAndData) != readBigEndian32(file, at + 8 + length)) {
            throw std::runtime_error("CRC mismatch in chunk " + type);
        }
        const std::vector<std::uint8_t> data(typeAndData.begin() + 4, typeAndData.end());
        if (type == "IHDR") {
            png.width = static_cast<int>(readBigEndian32(data, 0));
            png.height = static_cast<int>(readBigEndian32(data, 4));
            if (data.size() != 13 || data[8] != 8 || data[9] != 2 || data[12] != 0) {
                throw std::runtime_error("not an 8-bit RGB PNG without interlace");
            }
        } else if (type == "IDAT") {
            compressed.insert(compressed.end(), data.begin(), data.end());
        } else if (type == "IEND") {
            ended = true;
        }
        at += ChunkOverhead + length;
    }
    const std::vector<std::uint8_t> raw = zlibDecompress(compressed);
    const std::size_t rowBytes = static_cast<std::size_t>(png.width) * RgbBytes;
    if (raw.size() != (rowBytes + 1) * static_cast<std::size_t>(png.height)) {
        throw std::runtime_error("image data has the wrong size");
    }
    for (int row = 0; row < png.height; ++row) {
        const std::size_t start = static_cast<std::size_t>(row) * (rowBytes + 1);
        if (raw[start] != 0) {
            throw std::runtime_error("unexpected row filter");
        }
        png.rgb.insert(png.rgb.end(), raw.begin() + static_cast<std::ptrdiff_t>(start + 1),
                       raw.begin() + static_cast<std::ptrdiff_t>(start + 1 + rowBytes));
    }
    return png;
}

}  // namespace swirlon::testing
