// SPDX-License-Identifier: GPL-3.0-or-later
// Movies read back by FFmpeg's decoders: every frame there at its size, the picture within the
// codec's loss (exact for GIF while a frame has at most 256 colours), the target untouched until
// the movie is whole, and the names and places no movie can go refused before anything is made.
#include "field_io/movie_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "field_io/colour_map.h"
#include "tests/bmp_files.h"
#include "tests/movie_probe.h"

namespace swirlon {
namespace {

namespace fs = std::filesystem;

// Blocks of 3 x 3 pixels in colours of the sequential map running along the diagonal, shifted by
// frame: a picture of the kind the program records, with at most 256 colours.
std::vector<std::uint8_t> blockPicture(int width, int height, int frame) {
    const ColourTable& table = *colourTable(ColourMap::sequential);
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb colour = table[static_cast<std::size_t>((x / 3 * 2 + y / 3 * 3 + frame) % ColourTableSize)];
            rgb.insert(rgb.end(), {colour.red, colour.green, colour.blue});
        }
    }
    return rgb;
}

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct FormatCase {
    std::string name;
    int width;
    int height;
    // The size the decoder gives: odd sides grow to even for YUV codecs.
    int decodedWidth;
    int decodedHeight;
    std::string codec;
    // Mean channel difference of the first frame allowed for the codec's loss.
    double tolerance;
};

TEST(MovieWriter, EachFormatHoldsEveryFrameAtItsSizeAndThePictureWithinItsCodecsLoss) {
    testing::TempDir dir;
    constexpr int Frames = 7;
    for (const FormatCase& c :
         {FormatCase{"a.mp4", 96, 64, 96, 64, "h264", 3.0}, FormatCase{"odd.MP4", 33, 21, 34, 22, "h264", 5.0},
          FormatCase{"b.webm", 96, 64, 96, 64, "vp9", 4.0}, FormatCase{"c.gif", 96, 64, 96, 64, "gif", 0.0}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.pathOf(c.name);
        // An existing file stays as it was until the movie is finished.
        dir.write(c.name, {'o', 'l', 'd'});
        MovieWriter writer;
        ASSERT_EQ(writer.open(path, {c.width, c.height, 25.0}), std::nullopt);
        for (int frame = 0; frame < Frames; ++frame) {
            ASSERT_EQ(writer.addFrame(blockPicture(c.width, c.height, frame)), std::nullopt);
        }
        EXPECT_EQ(contentsOf(path), "old");
        EXPECT_EQ(writer.framesWritten(), Frames);
        ASSERT_EQ(writer.finish(), std::nullopt);
        EXPECT_FALSE(writer.isOpen());

        const testing::DecodedMovie movie = testing::decodeMovie(path);
        EXPECT_TRUE(movie.readable);
        EXPECT_EQ(movie.codec, c.codec);
        EXPECT_EQ(movie.frames, Frames);
        ASSERT_EQ(movie.width, c.decodedWidth);
        ASSERT_EQ(movie.height, c.decodedHeight);
        // The decoded picture, cut back to the size given.
        std::vector<std::uint8_t> first;
        for (int y = 0; y < c.height; ++y) {
            const auto row = movie.firstFrame.begin() + static_cast<std::ptrdiff_t>(y) * movie.width * 3;
            first.insert(first.end(), row, row + static_cast<std::ptrdiff_t>(c.width) * 3);
        }
        EXPECT_LE(testing::meanChannelDifference(first, blockPicture(c.width, c.height, 0)), c.tolerance);
    }
    // Nothing but the movies is left in the folder: no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
}

TEST(MovieWriter, AMovieLeftUnfinishedLeavesNothingAndAWrongPictureEndsIt) {
    testing::TempDir dir;
    const std::string path = dir.pathOf("gone.mp4");
    {
        MovieWriter writer;
        ASSERT_EQ(writer.open(path, {32, 32, 30.0}), std::nullopt);
        ASSERT_EQ(writer.addFrame(blockPicture(32, 32, 0)), std::nullopt);
        const std::optional<FileError> error = writer.addFrame(blockPicture(30, 32, 1));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind, FileErrorKind::pictureSizeMismatch);
        EXPECT_FALSE(writer.isOpen());
    }
    {
        MovieWriter writer;
        ASSERT_EQ(writer.open(path, {32, 32, 30.0}), std::nullopt);
        ASSERT_EQ(writer.addFrame(blockPicture(32, 32, 0)), std::nullopt);
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(MovieWriter, NamesAndPlacesNoMovieCanGoAreRefusedBeforeAnythingIsMade) {
    testing::TempDir dir;
    fs::create_directory(dir.pathOf("folder.webm"));
    struct Refused {
        std::string path;
        FileErrorKind kind;
        std::string detail;
    };
    for (const Refused& r : {Refused{dir.pathOf("movie.avi"), FileErrorKind::movieUnknownFormat, ".avi"},
                             Refused{dir.pathOf("movie"), FileErrorKind::movieUnknownFormat, ""},
                             Refused{dir.pathOf(".gif"), FileErrorKind::movieUnknownFormat, ""},
                             Refused{dir.pathOf("missing/movie.gif"), FileErrorKind::writeFailed, ""},
                             Refused{dir.pathOf("folder.webm"), FileErrorKind::writeFailed, ""},
                             Refused{"/dev/stdout", FileErrorKind::movieUnknownFormat, ""}}) {
        SCOPED_TRACE(r.path);
        const std::optional<FileError> checked = MovieWriter::check(r.path);
        ASSERT_TRUE(checked);
        EXPECT_EQ(checked->kind, r.kind);
        if (r.kind == FileErrorKind::movieUnknownFormat) {
            EXPECT_EQ(checked->detail, r.detail);
        }
        MovieWriter writer;
        EXPECT_EQ(writer.open(r.path, {16, 16, 30.0}), checked);
        EXPECT_FALSE(writer.isOpen());
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace swirlon
