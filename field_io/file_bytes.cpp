// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/file_bytes.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace swirlon {

std::optional<FileError> readFileBytes(const std::string& path, std::size_t maxBytes, FileErrorKind tooLarge,
                                       std::vector<std::uint8_t>& out) {
    if (path.empty()) {
        return FileError{FileErrorKind::noFileName, path, {}};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return FileError{FileErrorKind::openFailed, path, std::strerror(errno)};
    }
    // One byte past the largest acceptable file is enough to tell that a file is too long.
    std::vector<std::uint8_t> bytes(maxBytes + 1);
    errno = 0;
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        return FileError{FileErrorKind::readFailed, path, errno != 0 ? std::strerror(errno) : std::string()};
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > maxBytes) {
        return FileError{tooLarge, path, {}};
    }
    out = std::move(bytes);
    return std::nullopt;
}

}  // namespace swirlon
