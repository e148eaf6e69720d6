// SPDX-License-Identifier: GPL-3.0-or-later
// Zip archives held in memory, made and read by libzip: the container of NumPy's .npz files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace swirlon {

struct ZipMember {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// The archive of members, stored uncompressed with fixed timestamps as NumPy's savez stores
// them, so the same members always give the same bytes. Empty when libzip fails.
std::vector<std::uint8_t> makeZip(std::span<const ZipMember> members);

enum class ZipReadStatus {
    ok,
    notZip,    // not a zip archive at all
    damaged,   // a zip archive whose directory or member data does not check out
    missing,   // no member of that name
    tooLarge,  // the member holds more bytes than the caller accepts
};

// Reads members of an archive held in memory. Sizes in the archive are not trusted: every read
// stops at the caller's limit and a member's checksum is verified.
class ZipReader {
  public:
    explicit ZipReader(std::span<const std::uint8_t> archive);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // notZip or damaged when the archive could not be opened, otherwise ok.
    ZipReadStatus status() const { return status_; }
    // The whole member into out, at most maxBytes of it.
    ZipReadStatus read(std::string_view name, std::size_t maxBytes, std::vector<std::uint8_t>& out) const;

  private:
    struct Archive;
    std::unique_ptr<Archive> archive_;
    ZipReadStatus status_ = ZipReadStatus::notZip;
};

}  // namespace swirlon
