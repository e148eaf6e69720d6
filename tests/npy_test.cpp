#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "field_io/npy.h"
#include "tests/bmp_files.h"

namespace swirlon {
namespace {

constexpr std::size_t PrefixBytes = 10;  // magic, version, 16-bit header length
constexpr std::size_t DataBytes = GridPoints * sizeof(double);
constexpr double Sentinel = 12345.5;

std::unique_ptr<PackedSpectrum> rampField() {
    auto field = std::make_unique<PackedSpectrum>();
    for (int k = 0; k < GridPoints; ++k) {
        (*field)[k] = 0.25 * k - 1000.0;
    }
    return field;
}

std::unique_ptr<PackedSpectrum> sentinelField() {
    auto field = std::make_unique<PackedSpectrum>();
    field->fill(Sentinel);
    return field;
}

// A version 1.0 file with the given header dictionary, padded as the format asks, and data.
std::vector<std::uint8_t> npyWithHeader(const std::string& dict, std::size_t dataBytes = DataBytes) {
    constexpr std::size_t Alignment = 64;
    std::string header = dict;
    while ((PrefixBytes + header.size() + 1) % Alignment != 0) {
        header += ' ';
    }
    header += '\n';
    std::vector<std::uint8_t> bytes{0x93, 'N', 'U', 'M', 'P', 'Y', 1, 0};
    bytes.push_back(static_cast<std::uint8_t>(header.size() & 0xff));
    bytes.push_back(static_cast<std::uint8_t>(header.size() >> 8));
    bytes.insert(bytes.end(), header.begin(), header.end());
    bytes.resize(bytes.size() + dataBytes, 0);
    return bytes;
}

// Decoding must fail with a message containing expected and leave the field as it was.
void expectRefused(const std::vector<std::uint8_t>& bytes, const std::string& expected) {
    auto field = sentinelField();
    const auto message = decodeNpyField(bytes, *field);
    ASSERT_TRUE(message.has_value()) << "accepted, expected: " << expected;
    EXPECT_NE(message->find(expected), std::string::npos) << *message;
    EXPECT_EQ((*field)[0], Sentinel);
    EXPECT_EQ((*field)[GridPoints - 1], Sentinel);
}

TEST(NpyEncoding, HeaderIsAlignedAndDeclaresLittleEndianFloat64InCOrder) {
    const std::vector<std::uint8_t> bytes = encodeNpyField(*rampField());
    const std::size_t headerLength = bytes[8] | (bytes[9] << 8);
    const std::string header(bytes.begin() + PrefixBytes, bytes.begin() + static_cast<std::ptrdiff_t>(PrefixBytes + headerLength));
    EXPECT_EQ((PrefixBytes + headerLength) % 64, 0u);
    EXPECT_EQ(header.back(), '\n');
    EXPECT_NE(header.find("'descr': '<f8'"), std::string::npos);
    EXPECT_NE(header.find("'fortran_order': False"), std::string::npos);
    EXPECT_NE(header.find("'shape': (128, 128)"), std::string::npos);
    EXPECT_EQ(bytes.size(), PrefixBytes + headerLength + DataBytes);
}

TEST(NpyEncoding, ValuesAreStoredRowByRowLittleEndian) {
    const auto field = rampField();
    const std::vector<std::uint8_t> bytes = encodeNpyField(*field);
    const std::size_t dataStart = bytes.size() - DataBytes;
    // Element [y][x] = [1][2] is the 130th value.
    constexpr int Element = GridSize * 1 + 2;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = (bits << 8) | bytes[dataStart + Element * sizeof(double) + static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(std::bit_cast<double>(bits), (*field)[Element]);
}

TEST(NpyEncoding, RoundTripsEveryValueBitForBit) {
    auto field = rampField();
    (*field)[1] = -0.0;
    (*field)[2] = std::numeric_limits<double>::denorm_min();
    (*field)[3] = std::numeric_limits<double>::max();
    (*field)[4] = 0.1;
    auto decoded = sentinelField();
    ASSERT_FALSE(decodeNpyField(encodeNpyField(*field), *decoded).has_value());
    EXPECT_EQ(std::memcmp(decoded->data(), field->data(), DataBytes), 0);
}

TEST(NpyDecoding, AcceptsHeadersWrittenWithOtherSpacingQuotesAndKeyOrder) {
    auto field = sentinelField();
    EXPECT_FALSE(decodeNpyField(npyWithHeader("{\"shape\":(128,128),\"fortran_order\":False,\"descr\":\"<f8\"}"), *field));
    EXPECT_EQ((*field)[0], 0.0);
}

TEST(NpyDecoding, AcceptsFormatVersionTwo) {
    const std::vector<std::uint8_t> v1 = encodeNpyField(*rampField());
    // Version 2.0 widens the header length to 32 bits; the header itself is the same.
    std::vector<std::uint8_t> v2(v1.begin(), v1.begin() + 8);
    v2[6] = 2;
    v2.insert(v2.end(), {v1[8], v1[9], 0, 0});
    v2.insert(v2.end(), v1.begin() + PrefixBytes, v1.end());
    auto field = sentinelField();
    ASSERT_FALSE(decodeNpyField(v2, *field).has_value());
    EXPECT_EQ((*field)[GridPoints - 1], (*rampField())[GridPoints - 1]);
}

TEST(NpyDecoding, RefusesOtherDtypes) {
    expectRefused(npyWithHeader("{'descr': '<f4', 'fortran_order': False, 'shape': (128, 128), }"), "dtype");
    expectRefused(npyWithHeader("{'descr': '>f8', 'fortran_order': False, 'shape': (128, 128), }"), "'>f8'");
    expectRefused(npyWithHeader("{'descr': '<i8', 'fortran_order': False, 'shape': (128, 128), }"), "dtype");
}

TEST(NpyDecoding, RefusesOtherShapes) {
    expectRefused(npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (64, 64), }", 64 * 64 * 8),
                  "found (64, 64)");
    expectRefused(npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (16384,), }"), "found (16384,)");
    expectRefused(npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (128, 128, 1), }"), "shape");
    expectRefused(npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': 128, }"), "shape");
}

TEST(NpyDecoding, RefusesFortranOrder) {
    expectRefused(npyWithHeader("{'descr': '<f8', 'fortran_order': True, 'shape': (128, 128), }"), "C order");
}

TEST(NpyDecoding, RefusesMalformedOrIncompleteHeaders) {
    expectRefused(npyWithHeader("{'descr': '<f8', 'shape': (128, 128), }"), "lacks");
    expectRefused(npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (128, 128), 'extra': 1}"),
                  "unexpected key 'extra'");
    expectRefused(npyWithHeader("{'descr': '<f8', 'descr': '<f8', 'fortran_order': False, 'shape': (128, 128)}"),
                  "repeated");
    expectRefused(npyWithHeader("['<f8', False, (128, 128)]"), "not a dictionary");
    expectRefused(npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (128, 128)} x"), "after");
}

TEST(NpyDecoding, RefusesFilesThatAreNotNpyOrAreCut) {
    const std::vector<std::uint8_t> good = encodeNpyField(*rampField());
    expectRefused({'B', 'M', 0, 0}, "NUMPY");
    expectRefused({}, "NUMPY");
    std::vector<std::uint8_t> badVersion = good;
    badVersion[6] = 9;
    expectRefused(badVersion, "version 9");
    expectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 9), "truncated");
    expectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 40), "truncated");
    expectRefused(std::vector<std::uint8_t>(good.begin(), good.end() - 1), "expected 131072 bytes");
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    expectRefused(longer, "found 131073");
}

TEST(NpyDecoding, RefusesNonFiniteValuesNamingWhereTheyAre) {
    auto field = rampField();
    (*field)[GridSize * 3 + 5] = std::numeric_limits<double>::quiet_NaN();
    expectRefused(encodeNpyField(*field), "row 3, column 5");
    auto infinite = rampField();
    (*infinite)[0] = -std::numeric_limits<double>::infinity();
    expectRefused(encodeNpyField(*infinite), "non-finite");
}

TEST(NpyFile, WriteThenReadGivesTheSameFieldAndNoTemporaryFile) {
    testing::TempDir dir;
    const std::string path = (dir.path() / "field.npy").string();
    const auto field = rampField();
    ASSERT_FALSE(writeNpyField(path, *field).has_value());
    auto read = sentinelField();
    ASSERT_FALSE(readNpyField(path, *read).has_value());
    EXPECT_EQ(*read, *field);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(NpyFile, MissingFileGivesAMessageWithThePath) {
    testing::TempDir dir;
    const std::string path = (dir.path() / "absent.npy").string();
    auto field = sentinelField();
    const auto message = readNpyField(path, *field);
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find(path), std::string::npos);
    EXPECT_EQ((*field)[0], Sentinel);
}

TEST(NpyFile, RefusalsFromTheFileNameThePath) {
    testing::TempDir dir;
    const std::string path =
        dir.write("small.npy", npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (2, 2), }", 32));
    auto field = sentinelField();
    const auto message = readNpyField(path, *field);
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find(path), std::string::npos);
    EXPECT_NE(message->find("found (2, 2)"), std::string::npos);
}

TEST(NpyFile, OversizedFileIsRefusedWithoutReadingItAll) {
    testing::TempDir dir;
    const std::string path = dir.write("huge.npy", std::vector<std::uint8_t>(4 * DataBytes, 0));
    auto field = sentinelField();
    const auto message = readNpyField(path, *field);
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find("too large"), std::string::npos);
}

TEST(NpyFile, WriteOverAFolderFailsAndLeavesNoTemporaryFile) {
    testing::TempDir dir;
    const std::string blocked = (dir.path() / "folder.npy").string();
    std::filesystem::create_directory(blocked);
    const auto message = writeNpyField(blocked, *rampField());
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->find(blocked), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace swirlon
