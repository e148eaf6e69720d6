// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace swirlon {
namespace {

// Permissions before the umask, as for any file a program creates.
constexpr mode_t NewFileMode = 0666;
// Attempts at a fresh temporary name before giving up; a clash needs a stale file of the same
// process id and counter, so more than a handful means something else is wrong.
constexpr int TemporaryNameAttempts = 100;

std::atomic<unsigned> temporaryCounter{0};

std::string temporaryNameFor(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(temporaryCounter++);
}

}  // namespace

AtomicFile::~AtomicFile() { discard(); }

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : path_(std::move(other.path_)),
      temporaryPath_(std::move(other.temporaryPath_)),
      descriptor_(std::exchange(other.descriptor_, -1)) {}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept {
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        temporaryPath_ = std::move(other.temporaryPath_);
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

std::string AtomicFile::failure(std::string_view action, int error) const {
    return "cannot " + std::string(action) + " '" + path_ + "': " + std::strerror(error);
}

std::optional<std::string> AtomicFile::open(const std::string& path) {
    discard();
    path_ = path;
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        temporaryPath_ = temporaryNameFor(path);
        descriptor_ = ::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, NewFileMode);
        if (descriptor_ >= 0) {
            return std::nullopt;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    const int error = errno;
    temporaryPath_.clear();
    return failure("write", error);
}

std::optional<std::string> AtomicFile::write(std::span<const std::uint8_t> bytes) {
    if (descriptor_ < 0) {
        return failure("write", EBADF);
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failure("write", errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

std::optional<std::string> AtomicFile::write(std::string_view text) {
    return write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::optional<std::string> AtomicFile::commit() {
    if (descriptor_ < 0) {
        return failure("write", EBADF);
    }
    const int closed = ::close(std::exchange(descriptor_, -1));
    if (closed != 0) {
        const int error = errno;
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
        return failure("write", error);
    }
    if (std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
        return failure("write", error);
    }
    temporaryPath_.clear();
    return std::nullopt;
}

void AtomicFile::discard() {
    if (descriptor_ >= 0) {
        ::close(std::exchange(descriptor_, -1));
    }
    if (!temporaryPath_.empty()) {
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

std::optional<std::string> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    AtomicFile file;
    if (auto message = file.open(path)) {
        return message;
    }
    if (auto message = file.write(bytes)) {
        return message;
    }
    return file.commit();
}

}  // namespace swirlon
