// SPDX-License-Identifier: GPL-3.0-or-later
// Output files that appear whole or not at all, also after a power cut: everything goes to a
// short-named temporary file beside the target, which is flushed to disk and only then renamed
// over the target; the folder is flushed after the rename. A symlink is written through: the
// file it names is replaced and the link stays. A device or pipe (or standard output) cannot be
// replaced and is written in place as the bytes come.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "field_io/file_error.h"

namespace swirlon {

// When the bytes of a file are forced to the disk. A flush costs milliseconds, so a series of
// many small files (the frames of a movie) flushes its whole folder once, when it ends
// (flushFolderToDisk); a power cut before that may leave the newest files of the series empty,
// never a file half old and half new.
enum class Durability {
    flushEachFile,
    flushFolderLater,
};

class AtomicFile {
  public:
    AtomicFile() = default;
    // Discards the temporary file unless commit succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;

    // Creates the temporary file beside the target, or opens a device or pipe. Failures are
    // writeFailed errors.
    std::optional<FileError> open(const std::string& path, Durability durability = Durability::flushEachFile);
    // Writes to the program's standard output, named name in errors.
    std::optional<FileError> openStandardOutput(const std::string& name);
    std::optional<FileError> write(std::span<const std::uint8_t> bytes);
    std::optional<FileError> write(std::string_view text);
    // Moves the write position as lseek does and returns the new one, or -errno. Files written
    // in place cannot seek.
    std::int64_t seek(std::int64_t offset, int whence);
    // Flushes and closes the temporary file, renames it over the target and flushes the folder.
    // A folder that cannot be flushed is reported, though the target has been replaced whole.
    std::optional<FileError> commit();
    // Removes the temporary file; the target is left as it was.
    void discard();

    bool isOpen() const { return descriptor_ >= 0; }
    const std::string& path() const { return path_; }

  private:
    friend std::optional<FileError> commitTogether(std::span<AtomicFile* const> files);

    // The first half of a commit: the bytes on disk, the temporary file closed.
    std::optional<FileError> finishWriting();
    // The second half: the temporary file renamed over the target.
    std::optional<FileError> publish();
    FileError failure(int error) const;

    std::string path_;
    // Where the temporary file goes when renamed: the target with its symlinks followed.
    std::string targetPath_;
    // Empty for a target written in place.
    std::string temporaryPath_;
    int descriptor_ = -1;
    Durability durability_ = Durability::flushEachFile;
};

// Commits the open files as one: each is renamed into place only once all of them are written
// and flushed; if any is not, every temporary file is removed and no target changes. Files not
// open are skipped.
std::optional<FileError> commitTogether(std::span<AtomicFile* const> files);

// Writes the whole file atomically in one go.
std::optional<FileError> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                             Durability durability = Durability::flushEachFile);

// Forces everything written to the file system that holds folder to the disk: the end of a
// series written with Durability::flushFolderLater.
std::optional<FileError> flushFolderToDisk(const std::string& folder);

}  // namespace swirlon
