// SPDX-License-Identifier: GPL-3.0-or-later
// Output files that appear whole or not at all, also after a power cut: everything goes to a
// temporary file beside the target, which is flushed to disk and only then renamed over the
// target; the folder is flushed after the rename.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "field_io/file_error.h"

namespace swirlon {

class AtomicFile {
public:
    AtomicFile() = default;
    // Discards the temporary file unless commit succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;

    // Creates the temporary file in the target's folder. Failures are writeFailed errors.
    std::optional<FileError> open(const std::string& path);
    std::optional<FileError> write(std::span<const std::uint8_t> bytes);
    std::optional<FileError> write(std::string_view text);
    // Flushes and closes the temporary file, renames it over the target and flushes the folder.
    // A folder that cannot be flushed is reported, though the target has been replaced whole.
    std::optional<FileError> commit();
    // Removes the temporary file; the target is left as it was.
    void discard();

    bool isOpen() const { return descriptor_ >= 0; }
    const std::string& path() const { return path_; }

private:
    FileError failure(int error) const;

    std::string path_;
    std::string temporaryPath_;
    int descriptor_ = -1;
};

// Writes the whole file atomically in one go.
std::optional<FileError> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace swirlon
