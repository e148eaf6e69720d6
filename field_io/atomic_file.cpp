// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "field_io/output_target.h"

namespace swirlon {
namespace {

// Permissions before the umask, as for any file a program creates.
constexpr mode_t NewFileMode = 0666;
// Attempts at a fresh temporary name before giving up; a clash needs a stale file of the same
// process id and counter, so more than a handful means something else is wrong.
constexpr int TemporaryNameAttempts = 100;
// Temporary names are ".sw", the process id and a counter in base 36, at most 14 characters:
// the shortest name length POSIX lets a file system limit names to, so whatever name the
// target has, its temporary fits beside it.
constexpr std::string_view TemporaryPrefix = ".sw";
constexpr unsigned NameDigitBase = 36;
// Five digits for the counter; a process id takes at most five too (ids stay below 2^22).
constexpr unsigned CounterRange = NameDigitBase * NameDigitBase * NameDigitBase * NameDigitBase * NameDigitBase;

std::atomic<unsigned> temporaryCounter{0};

// The folder part of path with its trailing slash, or "" for a bare name.
std::string folderPrefix(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string base36(unsigned long value) {
    constexpr std::string_view Digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string text;
    do {
        text.insert(text.begin(), Digits[value % NameDigitBase]);
        value /= NameDigitBase;
    } while (value != 0);
    return text;
}

std::string temporaryNameFor(const std::string& targetPath) {
    return folderPrefix(targetPath) + std::string(TemporaryPrefix) + base36(static_cast<unsigned long>(::getpid())) +
           "." + base36(temporaryCounter++ % CounterRange);
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
      targetPath_(std::move(other.targetPath_)),
      temporaryPath_(std::move(other.temporaryPath_)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      durability_(other.durability_) {}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept {
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        targetPath_ = std::move(other.targetPath_);
        temporaryPath_ = std::move(other.temporaryPath_);
        descriptor_ = std::exchange(other.descriptor_, -1);
        durability_ = other.durability_;
    }
    return *this;
}

FileError AtomicFile::failure(int error) const {
    return FileError{FileErrorKind::writeFailed, path_, std::strerror(error)};
}

std::optional<FileError> AtomicFile::open(const std::string& path, Durability durability) {
    discard();
    path_ = path;
    durability_ = durability;
    OutputTarget target;
    if (auto error = inspectOutputFile(path, target)) {
        return error;
    }
    targetPath_ = target.resolved;
    if (target.direct) {
        // Appending leaves alone what the shell or others wrote to the same file before.
        descriptor_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
        return descriptor_ >= 0 ? std::nullopt : std::optional(failure(errno));
    }
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        temporaryPath_ = temporaryNameFor(targetPath_);
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

std::optional<FileError> AtomicFile::openStandardOutput(const std::string& name) {
    discard();
    path_ = name;
    targetPath_ = name;
    descriptor_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    return descriptor_ >= 0 ? std::nullopt : std::optional(failure(errno));
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

std::int64_t AtomicFile::seek(std::int64_t offset, int whence) {
    if (descriptor_ < 0 || temporaryPath_.empty()) {
        return -ESPIPE;
    }
    const off_t position = ::lseek(descriptor_, static_cast<off_t>(offset), whence);
    return position < 0 ? -errno : static_cast<std::int64_t>(position);
}

std::optional<FileError> AtomicFile::finishWriting() {
    if (descriptor_ < 0) {
        return failure(EBADF);
    }
    // The bytes reach the disk before the name does: after a power cut the target is either
    // the old file or the whole new one, never a new name over missing blocks. A device or
    // pipe has nothing to flush.
    const bool flushNow = !temporaryPath_.empty() && durability_ == Durability::flushEachFile;
    const int synced = !flushNow || ::fsync(descriptor_) == 0 ? 0 : errno;
    const int closed = ::close(std::exchange(descriptor_, -1)) == 0 ? 0 : errno;
    if (synced != 0 || closed != 0) {
        discard();
        return failure(synced != 0 ? synced : closed);
    }
    return std::nullopt;
}

std::optional<FileError> AtomicFile::publish() {
    if (temporaryPath_.empty()) {
        return std::nullopt;
    }
    if (std::rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) {
        const int error = errno;
        discard();
        return failure(error);
    }
    temporaryPath_.clear();
    if (durability_ == Durability::flushFolderLater) {
        return std::nullopt;
    }
    if (const int error = syncFolderOf(targetPath_); error != 0) {
        return failure(error);
    }
    return std::nullopt;
}

std::optional<FileError> AtomicFile::commit() {
    if (auto error = finishWriting()) {
        return error;
    }
    return publish();
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

std::optional<FileError> commitTogether(std::span<AtomicFile* const> files) {
    std::optional<FileError> failed;
    for (AtomicFile* file : files) {
        if (file->isOpen() && !failed) {
            failed = file->finishWriting();
        }
    }
    for (AtomicFile* file : files) {
        if (failed) {
            file->discard();
        } else if (auto error = file->publish()) {
            failed = error;
        }
    }
    return failed;
}

std::optional<FileError> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                             Durability durability) {
    AtomicFile file;
    if (auto error = file.open(path, durability)) {
        return error;
    }
    if (auto error = file.write(bytes)) {
        return error;
    }
    return file.commit();
}

std::optional<FileError> flushFolderToDisk(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int error = descriptor >= 0 ? 0 : errno;
    if (descriptor >= 0) {
        error = ::syncfs(descriptor) == 0 ? 0 : errno;
        ::close(descriptor);
    }
    if (error != 0) {
        return FileError{FileErrorKind::writeFailed, folder, std::strerror(error)};
    }
    return std::nullopt;
}

}  // namespace swirlon
