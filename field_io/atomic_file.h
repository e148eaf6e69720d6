// SPDX-License-Identifier: GPL-3.0-or-later
// Output files that appear whole or not at all: everything goes to a temporary file beside the
// target, which replaces the target only once the last byte is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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

    // Creates the temporary file in the target's folder; returns the message on failure.
    std::optional<std::string> open(const std::string& path);
    std::optional<std::string> write(std::span<const std::uint8_t> bytes);
    std::optional<std::string> write(std::string_view text);
    // Closes the temporary file and renames it over the target.
    std::optional<std::string> commit();
    // Removes the temporary file; the target is left as it was.
    void discard();

    bool isOpen() const { return descriptor_ >= 0; }
    const std::string& path() const { return path_; }

private:
    std::string failure(std::string_view action, int error) const;

    std::string path_;
    std::string temporaryPath_;
    int descriptor_ = -1;
};

// Writes the whole file atomically in one go; returns the message on failure.
std::optional<std::string> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace swirlon
