// SPDX-License-Identifier: GPL-3.0-or-later
// What went wrong with a file, as data: a kind, the path and the datum the kind refers to.
// Each front end words these for its own users; nothing here is meant to be shown as it is.
#pragma once

#include <string>

namespace swirlon {

enum class FileErrorKind {
    noFileName,   // the path is empty
    openFailed,   // detail: the system's reason
    readFailed,   // detail: the system's reason
    writeFailed,  // detail: the system's reason
    // 24-bit BMP pictures, in the order the loader checks them.
    bmpFileHeaderShort,
    bmpInfoHeaderShort,
    bmpNot24Bit,
    bmpNotBmp,
    bmpDamaged,
    bmpCompressed,
    bmpNegativeWidth,
    bmpDataCutShort,
    bmpOutOfMemory,
    // Any other picture: no reader the program has understands it.
    pictureUnreadable,
    // 128x128 float64 .npy fields.
    npyTooLarge,
    npyNoSignature,
    npyUnsupportedVersion,  // detail: the major version found
    npyHeaderTruncated,
    npyHeaderUnterminated,   // the header does not end in a newline
    npyHeaderMalformed,      // detail: the key whose entry is malformed or repeated, if any
    npyHeaderUnexpectedKey,  // detail: the key
    npyHeaderMissingKey,
    npyWrongDtype,  // detail: the dtype found
    npyFortranOrder,
    npyWrongShape,     // detail: the shape found, as a tuple
    npyWrongDataSize,  // detail: the number of data bytes found
    npyNonFinite,      // detail: the element's index, as a tuple (row, column)
    // Saved runs (.npz, or a bare .npy spectrum).
    stateNotAState,  // detail: the .npz member that is missing or malformed, if one is
    stateDamaged,    // detail: the .npz member whose data fails its check, if one does
    stateTooLarge,
    // Pictures written out.
    pictureSizeMismatch,
    // Movies written out.
    movieUnknownFormat,  // detail: the extension, "" when the name has none
    movieNotAFile,       // a device or pipe: a movie file is written out of order
    movieNoEncoder,      // detail: the codec this build of the libraries lacks
    movieEncodeFailed,   // detail: the libraries' reason
};

struct FileError {
    FileErrorKind kind;
    std::string path;
    std::string detail;

    bool operator==(const FileError&) const = default;
};

}  // namespace swirlon
