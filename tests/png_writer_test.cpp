#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string_view>
#include <vector>

#include "field_io/png_writer.h"
#include "tests/bmp_files.h"
#include "tests/png_decoding.h"

namespace swirlon {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A picture made of 3x3 blocks of one colour each, like the enlarged flow pictures.
std::vector<std::uint8_t> blockPicture(int width, int height) {
    constexpr int Block = 3;
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int bx = x / Block;
            const int by = y / Block;
            rgb.push_back(static_cast<std::uint8_t>(bx * 7 + by));
            rgb.push_back(static_cast<std::uint8_t>(by * 5));
            rgb.push_back(static_cast<std::uint8_t>(bx * by));
        }
    }
    return rgb;
}

TEST(Checksums, Crc32OfTheStandardCheckStringIsTheCatalogueValue) {
    constexpr std::uint32_t CatalogueCheck = 0xcbf43926u;
    EXPECT_EQ(crc32(bytesOf("123456789")), CatalogueCheck);
}

TEST(Checksums, Adler32MatchesTheReferenceValueAndIsOneForNoBytes) {
    constexpr std::uint32_t WikipediaAdler = 0x11e60398u;
    EXPECT_EQ(adler32(bytesOf("Wikipedia")), WikipediaAdler);
    EXPECT_EQ(adler32({}), 1u);
}

TEST(Checksums, Adler32StaysExactOverLongRunsOfLargeBytes) {
    // 100000 bytes of 0xff: a = 1 + 255n and b = n + 255 n(n+1)/2, both reduced mod 65521.
    constexpr std::uint64_t Count = 100000;
    constexpr std::uint64_t Modulus = 65521;
    const std::vector<std::uint8_t> bytes(Count, 0xff);
    const std::uint64_t a = (1 + 255 * Count) % Modulus;
    const std::uint64_t b = (Count + 255 * Count * (Count + 1) / 2) % Modulus;
    EXPECT_EQ(adler32(bytes), static_cast<std::uint32_t>((b << 16) | a));
}

TEST(ZlibStream, RoundTripsIncompressibleBytes) {
    std::mt19937 generator(7);
    std::vector<std::uint8_t> bytes(5000);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator());
    }
    const std::vector<std::size_t> distances{3, 100};
    EXPECT_EQ(testing::zlibDecompress(zlibCompress(bytes, distances)), bytes);
}

TEST(ZlibStream, RoundTripsLongRepeatsAndEmptyInput) {
    std::vector<std::uint8_t> bytes(70000, 42);
    bytes[1000] = 1;
    const std::vector<std::size_t> distances{1, 3};
    EXPECT_EQ(testing::zlibDecompress(zlibCompress(bytes, distances)), bytes);
    EXPECT_TRUE(testing::zlibDecompress(zlibCompress({}, distances)).empty());
}

TEST(PngEncoding, DecodesBackToTheSamePixels) {
    constexpr int Width = 384;
    constexpr int Height = 384;
    const std::vector<std::uint8_t> rgb = blockPicture(Width, Height);
    const testing::DecodedPng png = testing::decodePng(encodePng(Width, Height, rgb));
    EXPECT_EQ(png.width, Width);
    EXPECT_EQ(png.height, Height);
    EXPECT_EQ(png.rgb, rgb);
}

TEST(PngEncoding, OddSizedPicturesDecodeToo) {
    constexpr int Width = 7;
    constexpr int Height = 5;
    const std::vector<std::uint8_t> rgb = blockPicture(Width, Height);
    const testing::DecodedPng png = testing::decodePng(encodePng(Width, Height, rgb));
    EXPECT_EQ(png.rgb, rgb);
}

TEST(PngEncoding, EnlargedPicturesShrinkWellBelowTheirRawSize) {
    constexpr int Side = 384;
    // Two of every three rows repeat the row above, and each pixel repeats twice within a row.
    constexpr double MaxCompressedFraction = 0.3;
    const std::vector<std::uint8_t> rgb = blockPicture(Side, Side);
    EXPECT_LT(static_cast<double>(encodePng(Side, Side, rgb).size()), MaxCompressedFraction * static_cast<double>(rgb.size()));
}

TEST(PngEncoding, RefusesSizesThatDoNotMatchThePixels) {
    const std::vector<std::uint8_t> rgb(3 * 4 * 4);
    EXPECT_TRUE(encodePng(4, 5, rgb).empty());
    EXPECT_TRUE(encodePng(0, 0, {}).empty());
    EXPECT_TRUE(encodePng(-4, -4, rgb).empty());
}

TEST(PngFile, WritesTheEncodedBytesAndLeavesNoTemporaryFile) {
    testing::TempDir dir;
    const std::vector<std::uint8_t> rgb = blockPicture(6, 6);
    const std::filesystem::path path = dir.path() / "picture.png";
    ASSERT_FALSE(writePng(path.string(), 6, 6, rgb).has_value());
    EXPECT_EQ(readAll(path), encodePng(6, 6, rgb));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(PngFile, UnwritableFolderGivesAMessageWithThePathAndWritesNothing) {
    testing::TempDir dir;
    const std::vector<std::uint8_t> rgb = blockPicture(6, 6);
    const std::string path = (dir.path() / "missing" / "picture.png").string();
    const auto message = writePng(path, 6, 6, rgb);
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find(path), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace swirlon
