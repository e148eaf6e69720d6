// SPDX-License-Identifier: GPL-3.0-or-later
// Where an output will land, worked out before anything is written: through symlinks to the
// file they name, in place for devices and pipes, and with an identity that tells when two
// outputs are one. A run checks every target this way before it computes its first frame.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "field_io/file_error.h"

namespace swirlon {

struct OutputTarget {
    // The path the bytes go to: the end of a chain of symlinks, else the path as given.
    std::string resolved;
    // An existing device, pipe or socket, or a name the kernel resolves beyond plain links (such
    // as /dev/stdout): written in place, without a temporary file.
    bool direct = false;
    // What the target is: the file itself when it exists; otherwise the deepest existing folder
    // on the way and the rest of the path below it.
    dev_t device = 0;
    ino_t inode = 0;
    std::string below;
    bool folder = false;
};

// An output file: refused when it is a folder or when the folder it would go to is missing or
// cannot be written.
std::optional<FileError> inspectOutputFile(const std::string& path, OutputTarget& target);

// A folder of outputs, made with any missing parents when the run starts: refused when it is a
// file or when the deepest existing folder on its way cannot be written.
std::optional<FileError> inspectOutputFolder(const std::string& path, OutputTarget& target);

// Whether the two would land on one file, or one would stand where the other needs a folder.
bool clash(const OutputTarget& a, const OutputTarget& b);

}  // namespace swirlon
