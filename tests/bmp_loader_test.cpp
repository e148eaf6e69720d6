#include "field_io/bmp_loader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bmp_files.h"
#include "solver/operators.h"

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

using testing::BmpLayout;
using testing::BmpPicture;
using testing::BmpPixel;
using testing::encodeBmp;
using testing::encodeBmpHeaders;
using testing::putLe16;
using testing::putLe32;
using testing::putLe32Signed;
using testing::TempDir;

// Every slot starts with a pattern no load produces, so any stray write shows.
constexpr double SentinelBase = 777.0;
constexpr double SentinelStep = 0.5;
// The transform of a constant field leaves rounding noise of this order in the other entries.
constexpr double UniformBandTolerance = 1e-13;
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

// The state a load must produce from the given grid vorticity: transform and Poisson solve.
template <typename GridVorticity>
PackedSpectrum expectedPsi(GridVorticity&& vorticityAt) {
    PackedSpectrum grid{};
    for (int i = 0; i < GridSize; ++i) {
        for (int j = 0; j < GridSize; ++j) {
            grid[entryIndex(i, j)] = vorticityAt(i, j);
        }
    }
    streamFunctionFromVorticity(grid);
    return grid;
}

class BmpLoad : public ::testing::Test {
protected:
    BmpLoad() {
        double value = SentinelBase;
        for (auto& slot : pristine->slots) {
            for (double& entry : slot) {
                entry = value;
                value += SentinelStep;
            }
        }
        *bank = *pristine;
    }

    std::optional<std::string> load(const std::string& path, BmpInfoHeaderBytes* infoHeader = nullptr) {
        return loadVorticityBmp(path, *bank, infoHeader);
    }

    std::optional<std::string> loadBytes(const std::vector<std::uint8_t>& bytes, BmpInfoHeaderBytes* infoHeader = nullptr) {
        return load(dir.write("input.bmp", bytes), infoHeader);
    }

    // Loads the file and returns psi, failing the test when the load is refused.
    PackedSpectrum loadedPsi(const std::vector<std::uint8_t>& bytes) {
        const auto message = loadBytes(bytes);
        EXPECT_FALSE(message) << *message;
        return (*bank)[Slot::psi];
    }

    void expectBankUntouched() const {
        for (std::size_t slot = 0; slot < bank->slots.size(); ++slot) {
            EXPECT_EQ(bank->slots[slot], pristine->slots[slot]) << "slot " << slot;
        }
    }

    void expectOnlyPsiWritten() const {
        for (std::size_t slot = 1; slot < bank->slots.size(); ++slot) {
            EXPECT_EQ(bank->slots[slot], pristine->slots[slot]) << "slot " << slot;
        }
    }

    std::string inputPath() const { return dir.pathOf("input.bmp"); }

    TempDir dir;
    std::unique_ptr<FieldBank> bank = std::make_unique<FieldBank>();
    std::unique_ptr<FieldBank> pristine = std::make_unique<FieldBank>();
};

// ---- Refusals, in the order the checks run -------------------------------------------------

using BmpRefusal = BmpLoad;

TEST_F(BmpRefusal, EmptyPathHasNoFileName) {
    EXPECT_EQ(load(""), "ファイル名がありません。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, MissingFileFailsToOpenAndNamesThePath) {
    const std::string path = dir.pathOf("missing.bmp");
    EXPECT_EQ(load(path), path + " の\nオープンに失敗しました。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, DirectoryFailsToOpen) {
    const std::string path = dir.path().string();
    EXPECT_EQ(load(path), path + " の\nオープンに失敗しました。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, FileShorterThanFourteenBytesFailsOnTheFileHeader) {
    const auto full = encodeBmp(patternedPicture(4, 4));
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{13}}) {
        const std::vector<std::uint8_t> bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(loadBytes(bytes), inputPath() + " の\nBITMAPFILEHEADER 読み込みに失敗しました。") << length;
    }
    expectBankUntouched();
}

TEST_F(BmpRefusal, FileOfFourteenToFiftyThreeBytesFailsOnTheInfoHeader) {
    const auto full = encodeBmp(patternedPicture(4, 4));
    for (const std::size_t length : {std::size_t{14}, std::size_t{30}, std::size_t{53}}) {
        const std::vector<std::uint8_t> bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(loadBytes(bytes), inputPath() + " の\nBITMAPINFOHEADER 読み込みに失敗しました。") << length;
    }
    expectBankUntouched();
}

TEST_F(BmpRefusal, ShortInfoHeaderIsCheckedBeforeTheSignature) {
    const std::vector<std::uint8_t> garbage(30, 'x');
    EXPECT_EQ(loadBytes(garbage), inputPath() + " の\nBITMAPINFOHEADER 読み込みに失敗しました。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, EightAndThirtyTwoBitFilesAreNotTwentyFourBit) {
    for (const std::uint16_t bitCount : {std::uint16_t{8}, std::uint16_t{32}}) {
        EXPECT_EQ(loadBytes(encodeBmp(patternedPicture(4, 4), {.bitCount = bitCount})),
                  inputPath() + " は\n24 bit でありません。")
            << bitCount;
    }
    expectBankUntouched();
}

TEST_F(BmpRefusal, BitDepthIsCheckedBeforeTheSignature) {
    auto bytes = encodeBmp(patternedPicture(4, 4), {.bitCount = 8});
    bytes[0] = 'P';
    EXPECT_EQ(loadBytes(bytes), inputPath() + " は\n24 bit でありません。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, FileWithoutTheBmSignatureIsNotABmp) {
    auto bytes = encodeBmp(patternedPicture(4, 4));
    bytes[0] = 'M';
    bytes[1] = 'B';
    EXPECT_EQ(loadBytes(bytes), inputPath() + " は\nBMP ファイルでありません。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, InfoHeaderSizeBelowFortyIsDamaged) {
    constexpr std::uint32_t coreHeaderSize = 12;
    auto bytes = encodeBmp(patternedPicture(4, 4));
    putLe32(bytes, testing::BmpOffsetOfInfoSize, coreHeaderSize);
    EXPECT_EQ(loadBytes(bytes), inputPath() + " は\n壊れています。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, PixelOffsetInsideTheHeadersIsDamaged) {
    auto bytes = encodeBmp(patternedPicture(4, 4), {.infoHeaderSize = testing::BmpV5HeaderSize});
    putLe32(bytes, testing::BmpOffsetOfPixelOffset, testing::BmpPlainPixelOffset);
    EXPECT_EQ(loadBytes(bytes), inputPath() + " は\n壊れています。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, PixelOffsetPastTheEndOfTheFileIsDamaged) {
    auto bytes = encodeBmp(patternedPicture(4, 4));
    putLe32(bytes, testing::BmpOffsetOfPixelOffset, static_cast<std::uint32_t>(bytes.size() + 1));
    EXPECT_EQ(loadBytes(bytes), inputPath() + " は\n壊れています。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, CompressedTwentyFourBitFileIsRefused) {
    for (const std::uint32_t compression : {testing::BmpCompressionRle8, testing::BmpCompressionBitfields}) {
        EXPECT_EQ(loadBytes(encodeBmp(patternedPicture(4, 4), {.compression = compression})),
                  inputPath() + " は\n圧縮されています。")
            << compression;
    }
    expectBankUntouched();
}

TEST_F(BmpRefusal, NegativeWidthIsRefused) {
    auto bytes = encodeBmp(patternedPicture(4, 4));
    putLe32Signed(bytes, testing::BmpOffsetOfWidth, -4);
    EXPECT_EQ(loadBytes(bytes), inputPath() + " は\n幅が負の値です。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, PixelArrayOneByteShortIsCutShort) {
    auto bytes = encodeBmp(patternedPicture(5, 3));
    bytes.pop_back();
    EXPECT_EQ(loadBytes(bytes), inputPath() + " は\nデータがきれています。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, ZeroWidthOrHeightIsCutShort) {
    EXPECT_EQ(loadBytes(encodeBmpHeaders(0, 4)), inputPath() + " は\nデータがきれています。");
    EXPECT_EQ(loadBytes(encodeBmpHeaders(4, 0)), inputPath() + " は\nデータがきれています。");
    expectBankUntouched();
}

TEST_F(BmpRefusal, HugeDimensionsInASixtyByteFileAreRefusedWithoutALargeAllocation) {
    constexpr std::int32_t claimed = 100000;
    constexpr std::size_t fileLength = 60;
    auto bytes = encodeBmpHeaders(claimed, claimed);
    bytes.resize(fileLength, 0x7F);
    const std::string path = dir.write("huge.bmp", bytes);

    largestAllocation = 0;
    const auto message = load(path);
    const std::size_t largest = largestAllocation;

    EXPECT_EQ(message, path + " は\nデータがきれています。");
    EXPECT_LT(largest, ModestAllocation);
    expectBankUntouched();
}

TEST_F(BmpRefusal, LargestDimensionsDoNotOverflowTheSizeArithmetic) {
    constexpr std::int32_t largestWidth = 0x7FFFFFFF;
    constexpr std::int32_t mostNegativeHeight = -0x7FFFFFFF - 1;
    auto bytes = encodeBmpHeaders(1, 1);
    putLe32Signed(bytes, testing::BmpOffsetOfWidth, largestWidth);
    putLe32Signed(bytes, testing::BmpOffsetOfHeight, mostNegativeHeight);
    bytes.resize(bytes.size() + testing::BmpRowAlignment, 0);
    EXPECT_EQ(loadBytes(bytes), inputPath() + " は\nデータがきれています。");
    expectBankUntouched();
}

// ---- The info header handed back ---------------------------------------------------------

TEST_F(BmpLoad, InfoHeaderOfARefusedBitDepthIsHandedBack) {
    const auto bytes = encodeBmp(patternedPicture(4, 4), {.bitCount = 8});
    BmpInfoHeaderBytes infoHeader{};
    ASSERT_TRUE(loadBytes(bytes, &infoHeader));
    EXPECT_TRUE(std::equal(infoHeader.begin(), infoHeader.end(), bytes.begin() + testing::BmpFileHeaderSize));
}

TEST_F(BmpLoad, ShortInfoHeaderHandsBackOnlyTheBytesThatWereRead) {
    constexpr std::uint8_t untouchedMark = 0xEE;
    constexpr std::size_t length = 30;
    const auto full = encodeBmp(patternedPicture(4, 4));
    const std::vector<std::uint8_t> bytes(full.begin(), full.begin() + length);
    BmpInfoHeaderBytes infoHeader;
    infoHeader.fill(untouchedMark);
    ASSERT_TRUE(loadBytes(bytes, &infoHeader));
    const std::size_t delivered = length - testing::BmpFileHeaderSize;
    for (std::size_t at = 0; at < infoHeader.size(); ++at) {
        const std::uint8_t expected = at < delivered ? full[testing::BmpFileHeaderSize + at] : untouchedMark;
        EXPECT_EQ(infoHeader[at], expected) << at;
    }
}

// ---- Row stride ----------------------------------------------------------------------------

TEST(BmpRowStride, IsThreeBytesAPixelRoundedUpToFour) {
    EXPECT_EQ(bmpRowStride(5), 16);
    EXPECT_EQ(bmpRowStride(6), 20);
    EXPECT_EQ(bmpRowStride(128), 384);
    EXPECT_EQ(bmpRowStride(1), 4);
    EXPECT_EQ(bmpRowStride(4), 12);
}

TEST_F(BmpLoad, PaddingBytesAreSkippedForWidthsFiveSixAndOneHundredTwentyEight) {
    constexpr std::uint8_t loudPadding = 0xFF;
    constexpr int height = 7;
    for (const int width : {5, 6, 128}) {
        const BmpPicture picture = patternedPicture(width, height);
        const auto bytes = encodeBmp(picture, {.paddingByte = loudPadding});
        EXPECT_EQ(bytes.size(), testing::BmpPlainPixelOffset + static_cast<std::size_t>(bmpRowStride(width)) * height);
        const PackedSpectrum expected = expectedPsi([&](int i, int j) {
            return vorticityOf(picture.at(i * height / GridSize, j * width / GridSize));
        });
        EXPECT_EQ(loadedPsi(bytes), expected) << width;
    }
    expectOnlyPsiWritten();
}

// ---- Resampling ----------------------------------------------------------------------------

TEST_F(BmpLoad, PictureOfGridSizeMapsPixelForPixel) {
    const BmpPicture picture = patternedPicture(GridSize, GridSize);
    const PackedSpectrum expected = expectedPsi([&](int i, int j) { return vorticityOf(picture.at(i, j)); });
    EXPECT_EQ(loadedPsi(encodeBmp(picture)), expected);
}

TEST_F(BmpLoad, DoubleSizePictureTakesEverySecondPixelFromTheFirst) {
    const BmpPicture picture = patternedPicture(2 * GridSize, 2 * GridSize);
    const PackedSpectrum expected = expectedPsi([&](int i, int j) { return vorticityOf(picture.at(2 * i, 2 * j)); });
    EXPECT_EQ(loadedPsi(encodeBmp(picture)), expected);
}

TEST_F(BmpLoad, HalfSizePictureRepeatsEachPixelOverTwoByTwoPoints) {
    const BmpPicture picture = patternedPicture(GridSize / 2, GridSize / 2);
    const PackedSpectrum expected = expectedPsi([&](int i, int j) { return vorticityOf(picture.at(i / 2, j / 2)); });
    EXPECT_EQ(loadedPsi(encodeBmp(picture)), expected);
}

TEST_F(BmpLoad, SinglePixelFillsTheWholeGridAndLeavesNothingAfterTheMean) {
    const BmpPicture picture(1, 1, BmpPixel{.blue = 0, .green = 128, .red = 255});
    const PackedSpectrum psi = loadedPsi(encodeBmp(picture));
    forEachBandEntry([&](int row, int column, int) { EXPECT_NEAR(psi[entryIndex(row, column)], 0.0, UniformBandTolerance); });
}

TEST_F(BmpLoad, UniformColourGivesAZeroBand) {
    const BmpPicture picture(37, 19, BmpPixel{.blue = 200, .green = 90, .red = 30});
    const PackedSpectrum psi = loadedPsi(encodeBmp(picture));
    EXPECT_EQ(psi[0], 0.0);
    forEachBandEntry([&](int row, int column, int) { EXPECT_NEAR(psi[entryIndex(row, column)], 0.0, UniformBandTolerance); });
    expectOnlyPsiWritten();
}

TEST_F(BmpLoad, OddSizedPictureIsSampledByTruncatingDivision) {
    constexpr int width = 5;
    constexpr int height = 3;
    const BmpPicture picture = patternedPicture(width, height);
    // Grid rows 0..42 come from picture row 0, 43..85 from row 1, 86..127 from row 2.
    const PackedSpectrum expected = expectedPsi([&](int i, int j) {
        const int row = i < 43 ? 0 : (i < 86 ? 1 : 2);
        return vorticityOf(picture.at(row, j * width / GridSize));
    });
    EXPECT_EQ(loadedPsi(encodeBmp(picture)), expected);
}

TEST_F(BmpLoad, ExtraBytesAfterThePixelArrayAreIgnored) {
    const BmpPicture picture = patternedPicture(9, 9);
    const PackedSpectrum plain = loadedPsi(encodeBmp(picture));
    auto bytes = encodeBmp(picture);
    bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(loadedPsi(bytes), plain);
}

// ---- Header variants load the same picture --------------------------------------------------

TEST_F(BmpLoad, LargerInfoHeadersAndColourTablesLoadTheSameGridAsThePlainHeader) {
    const BmpPicture picture = patternedPicture(50, 30);
    const PackedSpectrum plain = loadedPsi(encodeBmp(picture));
    const BmpLayout variants[] = {
        {.infoHeaderSize = testing::BmpV4HeaderSize},
        {.infoHeaderSize = testing::BmpV5HeaderSize},
        {.colourTableEntries = 3},
        {.infoHeaderSize = testing::BmpV5HeaderSize, .colourTableEntries = 1},
    };
    for (const BmpLayout& layout : variants) {
        EXPECT_EQ(loadedPsi(encodeBmp(picture, layout)), plain) << layout.infoHeaderSize << " " << layout.colourTableEntries;
    }
}

TEST_F(BmpLoad, TopDownFileLoadsTheRightWayUp) {
    const BmpPicture picture = patternedPicture(40, 70);
    const PackedSpectrum plain = loadedPsi(encodeBmp(picture));
    EXPECT_EQ(loadedPsi(encodeBmp(picture, {.topDown = true})), plain);
    EXPECT_EQ(loadedPsi(encodeBmp(picture, {.infoHeaderSize = testing::BmpV5HeaderSize, .topDown = true})), plain);
}

TEST_F(BmpLoad, SuccessWritesOnlyPsiAndLeavesItsMeanZero) {
    const PackedSpectrum psi = loadedPsi(encodeBmp(patternedPicture(20, 20)));
    EXPECT_EQ(psi[0], 0.0);
    expectOnlyPsiWritten();
}

TEST_F(BmpLoad, RefusalAfterASuccessKeepsTheLoadedState) {
    const PackedSpectrum loaded = loadedPsi(encodeBmp(patternedPicture(20, 20)));
    auto bytes = encodeBmp(patternedPicture(8, 8));
    bytes.pop_back();
    ASSERT_TRUE(loadBytes(bytes));
    EXPECT_EQ((*bank)[Slot::psi], loaded);
}

// ---- Colour rule ---------------------------------------------------------------------------

struct ColourSample {
    const char* name;
    BmpPixel pixel;
    double vorticity;
};

TEST(BmpColourRule, SampleColoursGiveTheirVorticity) {
    const ColourSample samples[] = {
        {"black", {.blue = 0, .green = 0, .red = 0}, 0.0},
        {"white", {.blue = 255, .green = 255, .red = 255}, -19.921875},
        {"mid grey", {.blue = 128, .green = 128, .red = 128}, -10.0},
        {"red", {.blue = 0, .green = 0, .red = 255}, 9.9609375},
        {"orange", {.blue = 0, .green = 128, .red = 255}, 14.9609375},
        {"yellow", {.blue = 0, .green = 255, .red = 255}, 19.921875},
        {"green", {.blue = 0, .green = 255, .red = 0}, -9.9609375},
        {"blue", {.blue = 255, .green = 0, .red = 0}, -9.9609375},
        {"cyan", {.blue = 255, .green = 255, .red = 0}, -19.921875},
        {"magenta", {.blue = 255, .green = 0, .red = 255}, -9.9609375},
    };
    for (const ColourSample& sample : samples) {
        EXPECT_EQ(vorticityOf(sample.pixel), sample.vorticity) << sample.name;
    }
}

TEST(BmpColourRule, RedOneAboveBlueSwitchesToThePositiveBranch) {
    EXPECT_EQ(vorticityOfColour(100, 50, 101), (101.0 + 50.0) * 10.0 / 256.0);
    EXPECT_EQ(vorticityOfColour(101, 50, 101), -(50.0 + 101.0) * 10.0 / 256.0);
}

}  // namespace
}  // namespace swirlon
