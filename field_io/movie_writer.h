// SPDX-License-Identifier: GPL-3.0-or-later
// Movie files of 8-bit RGB pictures, encoded in-process by FFmpeg's libraries: the container and
// codec follow the name's extension. Like every other output the movie is written to a temporary
// file beside the target and renamed over it only when finished, so an existing file is never
// replaced by a part of a movie; a movie finished early (a run stopped) is still a whole file
// that plays.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "field_io/atomic_file.h"
#include "field_io/file_error.h"

namespace swirlon {

enum class MovieFormat {
    // H.264 in yuv420p: plays everywhere.
    mp4,
    // VP9 in yuv420p.
    webm,
    // Each frame with a palette of its own colours, exact while a frame has at most 256.
    gif,
};

// The format a file name's extension asks for (case ignored), if it is one of ours.
std::optional<MovieFormat> movieFormatOf(std::string_view path);

// The movie file of a run of pictures, all of one size.
struct MovieShape {
    int width = 0;
    int height = 0;
    // Frames per second of playback, above 0.
    double fps = 30.0;
};

class MovieWriter {
  public:
    MovieWriter();
    // Discards the temporary file of a movie not finished.
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // Checks what open would refuse without creating anything: the format by the name, its
    // encoder in the libraries, and the target (inspectOutputFile, then not a device or pipe).
    static std::optional<FileError> check(const std::string& path);

    // Creates the temporary file and sets the encoder up. Codecs that need even sizes get the
    // picture with its last row or column repeated.
    std::optional<FileError> open(const std::string& path, const MovieShape& shape);
    // Encodes the next frame: width x height pixels of red, green, blue, rows top-down. A failure
    // discards the movie.
    std::optional<FileError> addFrame(std::span<const std::uint8_t> rgb);
    // Drains the encoder and ends the container; the movie then waits in its temporary file for
    // publishedFile() to be committed (with other outputs: commitTogether). A movie of no frames
    // is discarded and reported as a failure.
    std::optional<FileError> complete();
    // The temporary file of a completed movie; nullptr before complete() succeeds.
    AtomicFile* completedFile();
    // complete(), then the movie renamed over its target.
    std::optional<FileError> finish();
    void discard();

    bool isOpen() const;
    long long framesWritten() const;
    const std::string& path() const { return path_; }

  private:
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
    std::string path_;
    bool completed_ = false;
};

}  // namespace swirlon
