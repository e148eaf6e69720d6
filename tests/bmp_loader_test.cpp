// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/bmp_loader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "bmp_files.h"

// The largest single heap request since the last reset, to show that a header's claims never
// turn into an allocation the file cannot back.
namespace {
std::atomic<std::size_t> largestAllocation{0};
}  // namespace

void* operator new(std::size_t size) {
    std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
// g++ takes the pointer a replaced operator delete receives for one from operator new and
// warns about handing it to free, although this operator new gets it from malloc.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace swirlon {
namespace {

using namespace swirlon::testing;
using Bytes = std::vector<std::uint8_t>;

// Far beyond what any loader buffer needs, far below what a 100000 x 100000 header claims.
constexpr std::size_t ModestAllocation = std::size_t{1} << 20;

// A picture whose neighbouring pixels all differ, so a sample taken one row or column off,
// or through a wrong stride, changes the result. Reddish and bluish pixels alternate in
// stripes so that both branches of the colour rule take part.
BmpPicture patternedPicture(int width, int height) {
    BmpPicture picture(width, height);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const auto ramp = static_cast<std::uint8_t>((row * 7 + column * 13) % 200 + 40);
            const auto wobble = static_cast<std::uint8_t>((row * 3 + column * 5) % 50);
            const bool reddish = ((row + column) / 3) % 2 == 0;
            picture.at(row, column) = reddish ? BmpPixel{.blue = wobble, .green = wobble, .red = ramp}
                                              : BmpPixel{.blue = ramp, .green = wobble, .red = wobble};
        }
    }
    return picture;
}

double vorticityOf(const BmpPixel& pixel) { return vorticityOfColour(pixel.blue, pixel.green, pixel.red); }

template <typename Patch>
Bytes patched(Bytes bytes, Patch patch) {
    patch(bytes);
    return bytes;
}

Bytes resized(Bytes bytes, std::size_t length, std::uint8_t filler = 0) {
    bytes.resize(length, filler);
    return bytes;
}

Bytes withLe32(Bytes bytes, std::size_t at, std::int64_t value) {
    putLe32(bytes, at, static_cast<std::uint32_t>(value));
    return bytes;
}

Bytes smallFile(const BmpLayout& layout = {}) { return encodeBmp(patternedPicture(4, 4), layout); }

class BmpLoad : public ::testing::Test {
  protected:
    BmpLoad() {
        // The field starts with a pattern no load produces, so any stray write shows.
        std::iota(pristine->begin(), pristine->end(), 777.0);
        *vorticity = *pristine;
    }

    std::optional<FileError> load(const std::string& path, BmpInfoHeaderBytes* infoHeader = nullptr) {
        return loadVorticityBmp(path, *vorticity, infoHeader);
    }

    // Loads the file and returns its grid vorticity, failing the test when the load is refused.
    PackedSpectrum loaded(const Bytes& bytes) {
        const auto error = load(dir.write("input.bmp", bytes));
        EXPECT_FALSE(error) << static_cast<int>(error->kind);
        return *vorticity;
    }

    void expectUntouched() const { EXPECT_EQ(*vorticity, *pristine); }

    TempDir dir;
    std::unique_ptr<PackedSpectrum> vorticity = std::make_unique<PackedSpectrum>(Grid{});
    std::unique_ptr<PackedSpectrum> pristine = std::make_unique<PackedSpectrum>(Grid{});
};

// ---- Refusals ------------------------------------------------------------------------------

TEST_F(BmpLoad, PathsThatOpenNoFileAreRefusedWithTheSystemsReason) {
    EXPECT_EQ(load(""), (FileError{FileErrorKind::noFileName, "", ""}));
    const std::string missing = dir.pathOf("missing.bmp");
    EXPECT_EQ(load(missing), (FileError{FileErrorKind::openFailed, missing, std::strerror(ENOENT)}));
    const std::string directory = dir.path().string();
    EXPECT_EQ(load(directory), (FileError{FileErrorKind::openFailed, directory, std::strerror(EISDIR)}));
    expectUntouched();
}

struct Refusal {
    const char* what;
    Bytes bytes;
    FileErrorKind kind;
};

// Files that fail two checks pin which check comes first. Every refusal leaves the field as it
// was, allocates no more than a modest buffer, and hands back the info-header bytes it read.
TEST_F(BmpLoad, EachDamagedFileGetsItsOwnKindOfErrorAndChangesNothing) {
    constexpr FileErrorKind fileHeaderShort = FileErrorKind::bmpFileHeaderShort;
    constexpr FileErrorKind infoHeaderShort = FileErrorKind::bmpInfoHeaderShort;
    constexpr FileErrorKind not24Bit = FileErrorKind::bmpNot24Bit;
    constexpr FileErrorKind damaged = FileErrorKind::bmpDamaged;
    constexpr FileErrorKind compressed = FileErrorKind::bmpCompressed;
    constexpr FileErrorKind cutShort = FileErrorKind::bmpDataCutShort;
    constexpr std::uint8_t untouchedMark = 0xEE;
    constexpr std::int32_t huge = 100000;
    const Refusal refusals[] = {
        {"empty", {}, fileHeaderShort},
        {"13 bytes", resized(smallFile(), 13), fileHeaderShort},
        {"14 bytes", resized(smallFile(), 14), infoHeaderShort},
        {"53 bytes", resized(smallFile(), 53), infoHeaderShort},
        {"30 bytes, no signature", Bytes(30, 'x'), infoHeaderShort},
        {"8 bit, no signature", patched(smallFile({.bitCount = 8}), [](Bytes& b) { b[0] = 'P'; }), not24Bit},
        {"32 bit", smallFile({.bitCount = 32}), not24Bit},
        {"MB", patched(smallFile(), [](Bytes& b) { std::swap(b[0], b[1]); }), FileErrorKind::bmpNotBmp},
        {"core header", withLe32(smallFile(), BmpOffsetOfInfoSize, 12), damaged},
        {"pixel offset inside the V5 header",
         withLe32(smallFile({.infoHeaderSize = BmpV5HeaderSize}), BmpOffsetOfPixelOffset, BmpPlainPixelOffset),
         damaged},
        {"pixel offset past the end", withLe32(smallFile(), BmpOffsetOfPixelOffset, smallFile().size() + 1), damaged},
        {"RLE8", smallFile({.compression = BmpCompressionRle8}), compressed},
        {"bitfields", smallFile({.compression = BmpCompressionBitfields}), compressed},
        {"negative width", withLe32(smallFile(), BmpOffsetOfWidth, -4), FileErrorKind::bmpNegativeWidth},
        {"zero width", encodeBmpHeaders(0, 4), cutShort},
        {"zero height", encodeBmpHeaders(4, 0), cutShort},
        {"one byte short", patched(encodeBmp(patternedPicture(5, 3)), [](Bytes& b) { b.pop_back(); }), cutShort},
        {"huge picture in 60 bytes", resized(encodeBmpHeaders(huge, huge), 60, 0x7F), cutShort},
        {"largest width, most negative height",
         withLe32(withLe32(resized(encodeBmpHeaders(1, 1), BmpPlainPixelOffset + 4), BmpOffsetOfWidth, INT32_MAX),
                  BmpOffsetOfHeight, INT32_MIN),
         cutShort},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        const std::string path = dir.write("input.bmp", refusal.bytes);
        BmpInfoHeaderBytes infoHeader;
        infoHeader.fill(untouchedMark);
        largestAllocation = 0;
        const auto error = load(path, &infoHeader);
        EXPECT_LT(largestAllocation.load(), ModestAllocation);
        EXPECT_EQ(error, (FileError{refusal.kind, path, ""}));
        for (std::size_t at = 0; at < infoHeader.size(); ++at) {
            const std::size_t inFile = BmpFileHeaderSize + at;
            EXPECT_EQ(infoHeader[at], inFile < refusal.bytes.size() ? refusal.bytes[inFile] : untouchedMark) << at;
        }
        expectUntouched();
    }
}

// ---- Strides, resampling and the pixels that are read ---------------------------------------

// Grid point (i, j) takes picture pixel (i * height / 128, j * width / 128), truncated: 128
// maps pixel for pixel, 256 takes every second pixel, 64 repeats each over 2x2 points, and
// 5x3 gives grid rows 0..42, 43..85 and 86..127 from picture rows 0, 1 and 2. Loud padding
// bytes show a wrong stride.
TEST_F(BmpLoad, GridPointsSampleTheNearestPixelBelowAndLeft) {
    for (const auto& [width, height] : {std::pair{128, 128}, {256, 256}, {64, 64}, {5, 3}, {6, 7}, {128, 7}}) {
        SCOPED_TRACE(::testing::Message() << width << "x" << height);
        const BmpPicture picture = patternedPicture(width, height);
        PackedSpectrum expected(Grid{});
        for (int i = 0; i < DefaultGridSize; ++i) {
            for (int j = 0; j < DefaultGridSize; ++j) {
                expected[Grid{}.entryIndex(i, j)] =
                    vorticityOf(picture.at(i * height / DefaultGridSize, j * width / DefaultGridSize));
            }
        }
        EXPECT_EQ(loaded(encodeBmp(picture, {.paddingByte = 0xFF})), expected);
    }
}

TEST_F(BmpLoad, HeaderVariantsTopDownRowsAndTrailingBytesLoadTheSameFieldAsThePlainFile) {
    const BmpPicture picture = patternedPicture(50, 30);
    const PackedSpectrum plain = loaded(encodeBmp(picture));
    const BmpLayout variants[] = {
        {.infoHeaderSize = BmpV4HeaderSize},
        {.infoHeaderSize = BmpV5HeaderSize},
        {.colourTableEntries = 3},
        {.infoHeaderSize = BmpV5HeaderSize, .colourTableEntries = 1},
        {.topDown = true},
        {.infoHeaderSize = BmpV5HeaderSize, .topDown = true},
    };
    for (const BmpLayout& layout : variants) {
        EXPECT_EQ(loaded(encodeBmp(picture, layout)), plain)
            << layout.infoHeaderSize << " " << layout.colourTableEntries << " " << layout.topDown;
    }
    EXPECT_EQ(loaded(patched(encodeBmp(picture), [](Bytes& b) { b.insert(b.end(), {1, 2, 3, 4, 5}); })), plain);
}

// ---- Colour rule ---------------------------------------------------------------------------

TEST(BmpColourRule, SampleColoursGiveTheirVorticity) {
    const struct {
        const char* name;
        BmpPixel pixel;
        double vorticity;
    } samples[] = {
        {"black", {.blue = 0, .green = 0, .red = 0}, 0.0},
        {"white", {.blue = 255, .green = 255, .red = 255}, -19.921875},
        {"red", {.blue = 0, .green = 0, .red = 255}, 9.9609375},
        {"yellow", {.blue = 0, .green = 255, .red = 255}, 19.921875},
        {"green", {.blue = 0, .green = 255, .red = 0}, -9.9609375},
        {"blue", {.blue = 255, .green = 0, .red = 0}, -9.9609375},
        {"red one above blue", {.blue = 100, .green = 50, .red = 101}, 5.8984375},
        {"red equal to blue", {.blue = 101, .green = 50, .red = 101}, -5.8984375},
    };
    for (const auto& sample : samples) {
        EXPECT_EQ(vorticityOf(sample.pixel), sample.vorticity) << sample.name;
    }
}

}  // namespace
}  // namespace swirlon
