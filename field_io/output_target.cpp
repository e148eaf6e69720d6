// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/output_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace swirlon {
namespace {

// The kernel's own limit on links followed in one lookup.
constexpr int MaxSymlinkHops = 40;

// Failures are those opening the file would meet, worded by the system.
FileError failure(const std::string& path, int error) {
    return FileError{FileErrorKind::writeFailed, path, std::strerror(error)};
}

// "dir/" of "dir/name", "" of "name".
std::string folderPart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string folderOrDot(const std::string& folder) { return folder.empty() ? std::string(".") : folder; }

// Follows symlinks of the last component one at a time, each relative to the folder it lies in,
// as the kernel does when it opens the name. The result is not a symlink; it may not exist.
std::optional<FileError> followSymlinks(const std::string& path, std::string& resolved) {
    std::string current = path;
    for (int hop = 0;; ++hop) {
        struct stat status;
        if (::lstat(current.c_str(), &status) != 0) {
            if (errno == ENOENT) {
                break;
            }
            return failure(path, errno);
        }
        if (!S_ISLNK(status.st_mode)) {
            break;
        }
        if (hop == MaxSymlinkHops) {
            return failure(path, ELOOP);
        }
        std::vector<char> buffer(PATH_MAX);
        const ssize_t length = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (length < 0 || static_cast<std::size_t>(length) == buffer.size()) {
            return failure(path, length < 0 ? errno : ENAMETOOLONG);
        }
        const std::string link(buffer.data(), static_cast<std::size_t>(length));
        current = link.starts_with('/') ? link : folderPart(current) + link;
    }
    resolved = current;
    return std::nullopt;
}

// The folder a new file or a replacement goes to must exist and take new names.
std::optional<FileError> checkWritableFolder(const std::string& path, const std::string& folder, struct stat& status) {
    if (::stat(folderOrDot(folder).c_str(), &status) != 0) {
        return failure(path, errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        return failure(path, ENOTDIR);
    }
    if (::access(folderOrDot(folder).c_str(), W_OK | X_OK) != 0) {
        return failure(path, errno);
    }
    return std::nullopt;
}

void identify(OutputTarget& target, const struct stat& status, std::string below) {
    target.device = status.st_dev;
    target.inode = status.st_ino;
    target.below = std::move(below);
}

}  // namespace

std::optional<FileError> inspectOutputFile(const std::string& path, OutputTarget& target) {
    if (path.empty()) {
        return FileError{FileErrorKind::noFileName, path, {}};
    }
    OutputTarget result;
    if (auto error = followSymlinks(path, result.resolved)) {
        return error;
    }
    struct stat folder;
    struct stat opened;  // what opening the path reaches
    if (::stat(path.c_str(), &opened) != 0) {
        if (errno != ENOENT) {
            return failure(path, errno);
        }
        const std::string folderPath = folderPart(result.resolved);
        if (auto error = checkWritableFolder(path, folderPath, folder)) {
            return error;
        }
        identify(result, folder, result.resolved.substr(folderPath.size()));
        target = std::move(result);
        return std::nullopt;
    }
    if (S_ISDIR(opened.st_mode)) {
        return failure(path, EISDIR);
    }
    // A regular file is replaced where the links lead. Anything else, or a name that reaches a
    // file by other means than plain links, is written where opening the name leads.
    struct stat reached;
    const bool followed = ::lstat(result.resolved.c_str(), &reached) == 0 && reached.st_dev == opened.st_dev &&
                          reached.st_ino == opened.st_ino;
    result.direct = !S_ISREG(opened.st_mode) || !followed;
    if (result.direct) {
        result.resolved = path;
        if (::access(path.c_str(), W_OK) != 0) {
            return failure(path, errno);
        }
    } else if (auto error = checkWritableFolder(path, folderPart(result.resolved), folder)) {
        return error;
    }
    identify(result, opened, {});
    target = std::move(result);
    return std::nullopt;
}

std::optional<FileError> inspectOutputFolder(const std::string& path, OutputTarget& target) {
    if (path.empty()) {
        return FileError{FileErrorKind::noFileName, path, {}};
    }
    // Climb to the deepest part of the path that exists; what lies below it will be made.
    std::string existing = path;
    while (existing.size() > 1 && existing.ends_with('/')) {
        existing.pop_back();
    }
    std::string below;
    struct stat status;
    while (::stat(existing.c_str(), &status) != 0) {
        if (errno != ENOENT || existing == ".") {
            return failure(path, errno);
        }
        const std::size_t slash = existing.find_last_of('/');
        const std::string name = existing.substr(slash == std::string::npos ? 0 : slash + 1);
        below = below.empty() ? name : name + "/" + below;
        if (slash == std::string::npos) {
            existing.assign(1, '.');
        } else {
            existing.resize(slash == 0 ? 1 : slash);
        }
    }
    if (!S_ISDIR(status.st_mode)) {
        return failure(path, ENOTDIR);
    }
    if (::access(existing.c_str(), W_OK | X_OK) != 0) {
        return failure(path, errno);
    }
    OutputTarget result;
    result.resolved = path;
    result.folder = true;
    identify(result, status, below);
    target = std::move(result);
    return std::nullopt;
}

bool clash(const OutputTarget& a, const OutputTarget& b) {
    if (a.device != b.device || a.inode != b.inode) {
        return false;
    }
    // A file about to be made where the other's path needs a folder on the way.
    const auto inTheWay = [](const OutputTarget& file, const OutputTarget& other) {
        return !file.folder && !file.below.empty() && other.below.starts_with(file.below + "/");
    };
    return a.below == b.below || inTheWay(a, b) || inTheWay(b, a);
}

}  // namespace swirlon
