// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
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
constexpr std::size_t DataBytes = Grid{}.points() * sizeof(double);
constexpr double Sentinel = 12345.5;

// Value first + step * k at element k.
std::unique_ptr<PackedSpectrum> rampField(double first = -1000.0, double step = 0.25) {
    auto field = std::make_unique<PackedSpectrum>(Grid{});
    for (int k = 0; k < Grid{}.points(); ++k) {
        (*field)[k] = first + step * k;
    }
    return field;
}
std::unique_ptr<PackedSpectrum> sentinelField() { return rampField(Sentinel, 0.0); }

// A version 1.0 file with the given header dictionary, padded as the format asks, and data.
std::vector<std::uint8_t> npyWithHeader(std::string header, std::size_t dataBytes = DataBytes) {
    while ((PrefixBytes + header.size() + 1) % 64 != 0) {
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

std::vector<std::uint8_t> npyDeclaring(const std::string& descr, const std::string& order, const std::string& shape,
                                       std::size_t dataBytes = DataBytes) {
    return npyWithHeader("{'descr': '" + descr + "', 'fortran_order': " + order + ", 'shape': " + shape + ", }",
                         dataBytes);
}

TEST(NpyEncoding, FileIsTheAlignedVersionOneHeaderThenLittleEndianFloat64InCOrder) {
    const auto field = rampField();
    const std::vector<std::uint8_t> bytes = encodeNpyField(*field);
    const std::string dictionary = "{'descr': '<f8', 'fortran_order': False, 'shape': (128, 128), }";
    constexpr std::size_t HeaderEnd = 128;  // the first multiple of 64 past the dictionary
    const std::string expected = std::string("\x93NUMPY\x01\x00\x76\x00", PrefixBytes) + dictionary +
                                 std::string(HeaderEnd - 1 - PrefixBytes - dictionary.size(), ' ') + "\n";
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + HeaderEnd), expected);
    ASSERT_EQ(bytes.size(), HeaderEnd + DataBytes);
    // Element [y][x] = [1][2] is the 130th value.
    constexpr std::size_t Element = DefaultGridSize * 1 + 2;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        bits |= std::uint64_t{bytes[HeaderEnd + Element * sizeof(double) + i]} << (8 * i);
    }
    EXPECT_EQ(std::bit_cast<double>(bits), (*field)[Element]);
}

TEST(NpyDecoding, RoundTripsEveryValueBitForBitAndAcceptsOtherWritersHeaders) {
    auto field = rampField();
    (*field)[1] = -0.0;
    (*field)[2] = std::numeric_limits<double>::denorm_min();
    (*field)[3] = std::numeric_limits<double>::max();
    auto decoded = sentinelField();
    ASSERT_FALSE(decodeNpyField(encodeNpyField(*field), *decoded).has_value());
    EXPECT_EQ(std::memcmp(decoded->data(), field->data(), DataBytes), 0);

    // Version 2.0 widens the header length to 32 bits; the header itself is the same.
    const std::vector<std::uint8_t> v1 = encodeNpyField(*field);
    std::vector<std::uint8_t> v2{v1.begin(), v1.begin() + 6};
    v2.insert(v2.end(), {2, 0, v1[8], v1[9], 0, 0});
    v2.insert(v2.end(), v1.begin() + PrefixBytes, v1.end());
    decoded = sentinelField();
    ASSERT_FALSE(decodeNpyField(v2, *decoded).has_value());
    EXPECT_EQ(*decoded, *field);

    const auto otherSpacing = npyWithHeader("{\"shape\":(128,128),\"fortran_order\":False,\"descr\":\"<f8\"}");
    ASSERT_FALSE(decodeNpyField(otherSpacing, *decoded).has_value());
    EXPECT_EQ((*decoded)[0], 0.0);
}

TEST(NpyDecoding, RefusesWhatIsNotASquareFloat64FieldOfAGridSizeAndLeavesTheFieldAlone) {
    const std::vector<std::uint8_t> good = encodeNpyField(*rampField());
    std::vector<std::uint8_t> badVersion = good;
    badVersion[6] = 9;
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    auto withNaN = rampField();
    (*withNaN)[DefaultGridSize * 3 + 5] = std::numeric_limits<double>::quiet_NaN();
    auto withInfinity = rampField();
    (*withInfinity)[0] = -std::numeric_limits<double>::infinity();
    using enum FileErrorKind;
    struct Case {
        std::vector<std::uint8_t> bytes;
        FileErrorKind kind;
        std::string detail;
    };
    const Case cases[] = {
        {npyDeclaring("<f4", "False", "(128, 128)"), npyWrongDtype, "<f4"},
        {npyDeclaring(">f8", "False", "(128, 128)"), npyWrongDtype, ">f8"},
        {npyDeclaring("<f8", "False", "(100, 100)", 100 * 100 * 8), npyWrongShape, "(100, 100)"},
        {npyDeclaring("<f8", "False", "(64, 128)", 64 * 128 * 8), npyWrongShape, "(64, 128)"},
        {npyDeclaring("<f8", "False", "(1024, 1024)"), npyWrongShape, "(1024, 1024)"},
        {npyDeclaring("<f8", "False", "(4294967424, 4294967424)"), npyWrongShape, "(4294967424, 4294967424)"},
        {npyDeclaring("<f8", "False", "(16384,)"), npyWrongShape, "(16384,)"},
        {npyDeclaring("<f8", "False", "(128, 128, 1)"), npyWrongShape, "(128, 128, 1)"},
        {npyDeclaring("<f8", "False", "128"), npyHeaderMalformed, "shape"},
        {npyDeclaring("<f8", "True", "(128, 128)"), npyFortranOrder, ""},
        {npyWithHeader("{'descr': '<f8', 'shape': (128, 128), }"), npyHeaderMissingKey, ""},
        {npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (128, 128), 'extra': 1}"),
         npyHeaderUnexpectedKey, "extra"},
        {npyWithHeader("{'descr': '<f8', 'descr': '<f8', 'fortran_order': False, 'shape': (128, 128)}"),
         npyHeaderMalformed, "descr"},
        {npyWithHeader("['<f8', False, (128, 128)]"), npyHeaderMalformed, ""},
        {npyWithHeader("{'descr': '<f8', 'fortran_order': False, 'shape': (128, 128)} x"), npyHeaderMalformed, ""},
        {{'B', 'M', 0, 0}, npyNoSignature, ""},
        {{}, npyNoSignature, ""},
        {badVersion, npyUnsupportedVersion, "9"},
        {{good.begin(), good.begin() + 9}, npyHeaderTruncated, ""},
        {{good.begin(), good.begin() + 40}, npyHeaderTruncated, ""},
        {{good.begin(), good.end() - 1}, npyWrongDataSize, "131071"},
        {longer, npyWrongDataSize, "131073"},
        {encodeNpyField(*withNaN), npyNonFinite, "(3, 5)"},
        {encodeNpyField(*withInfinity), npyNonFinite, "(0, 0)"},
    };
    for (const Case& c : cases) {
        auto field = sentinelField();
        EXPECT_EQ(decodeNpyField(c.bytes, *field), (FileError{c.kind, "", c.detail})) << c.detail;
        EXPECT_EQ(*field, *sentinelField()) << c.detail;
    }
}

TEST(NpyFile, WriteThenReadGivesTheSameFieldAndFailuresNameThePathAndCause) {
    testing::TempDir dir;
    const auto field = rampField();
    ASSERT_FALSE(writeNpyField(dir.pathOf("field.npy"), *field).has_value());
    auto read = sentinelField();
    ASSERT_FALSE(readNpyField(dir.pathOf("field.npy"), *read).has_value());
    EXPECT_EQ(*read, *field);
    // Every grid's field comes back on its own grid.
    for (const int size : {64, 512}) {
        PackedSpectrum other(Grid{size});
        other[static_cast<std::size_t>(other.grid().points() - 1)] = 1.5;
        ASSERT_FALSE(writeNpyField(dir.pathOf("other.npy"), other).has_value());
        PackedSpectrum back(Grid{});
        ASSERT_FALSE(readNpyField(dir.pathOf("other.npy"), back).has_value());
        EXPECT_EQ(back, other) << size;
    }

    std::filesystem::create_directory(dir.pathOf("folder.npy"));
    EXPECT_EQ(writeNpyField(dir.pathOf("folder.npy"), *field),
              (FileError{FileErrorKind::writeFailed, dir.pathOf("folder.npy"), std::strerror(EISDIR)}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << "temporary file left";

    const FileError unreadable[] = {
        {FileErrorKind::openFailed, dir.pathOf("absent.npy"), std::strerror(ENOENT)},
        {FileErrorKind::npyWrongShape, dir.write("small.npy", npyDeclaring("<f8", "False", "(2, 2)", 32)), "(2, 2)"},
        {FileErrorKind::npyTooLarge, dir.write("huge.npy", std::vector<std::uint8_t>(NpyMaxFieldFileBytes + 1, 0)), ""},
    };
    for (const FileError& expected : unreadable) {
        EXPECT_EQ(readNpyField(expected.path, *read), expected) << expected.path;
    }
    EXPECT_EQ(*read, *field);
}

}  // namespace
}  // namespace swirlon
