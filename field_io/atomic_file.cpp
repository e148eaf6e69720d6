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

// The folder part of path with its trailing slash, or "" for a bare name.
std::string folderPrefix(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string temporaryNameFor(const std::string& path) {
    const std::string folder = folderPrefix(path);
    const std::string name = path.substr(folder.size());
    return folder + "." + name + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(temporaryCounter++);
}

// Makes the folder's entries durable, so a rename in it survives a power cut. Returns 0 or the
// error; a file system that cannot sync folders (EINVAL) has nothing more to offer and counts
// as done.
int syncFolderOf(const std::string& path) {
    const std::string prefix = folderPrefix(path);
    const std::string folder = prefix.empty() ? std::string(".") : prefix;
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return errno;
    }
    const int error = ::fsync(descriptor) == 0 || errno == EINVAL ? 0 : errno;
    ::close(descriptor);
    return error;
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

FileError AtomicFile::failure(int error) const {
    return FileError{FileErrorKind::writeFailed, path_, std::strerror(error)};
}

std::optional<FileError> AtomicFile::open(const std::string& path) {
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
    return failure(error);
}

std::optional<FileError> AtomicFile::write(std::span<const std::uint8_t> bytes) {
    if (descriptor_ < 0) {
        return failure(EBADF);
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failure(errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

std::optional<FileError> AtomicFile::write(std::string_view text) {
    return write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::optional<FileError> AtomicFile::commit() {
    if (descriptor_ < 0) {
        return failure(EBADF);
    }
    // The bytes reach the disk before the name does: after a power cut the target is either
    // the old file or the whole new one, never a new name over missing blocks.
    const int synced = ::fsync(descriptor_) == 0 ? 0 : errno;
    const int closed = ::close(std::exchange(descriptor_, -1)) == 0 ? 0 : errno;
    if (synced != 0 || closed != 0) {
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
        return failure(synced != 0 ? synced : closed);
    }
    if (std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
        return failure(error);
    }
    temporaryPath_.clear();
    if (const int error = syncFolderOf(path_); error != 0) {
        return failure(error);
    }
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

std::optional<FileError> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    AtomicFile file;
    if (auto error = file.open(path)) {
        return error;
    }
    if (auto error = file.write(bytes)) {
        return error;
    }
    return file.commit();
}

}  // namespace swirlon
