// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages/file_error_text.h"

#include "field_io/presets.h"
#include "solver/grid.h"

namespace swirlon::english {
namespace {

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// "text: detail", or the text alone when there is no detail.
std::string withDetail(const std::string& text, const std::string& detail) {
    return detail.empty() ? text : text + ": " + detail;
}

}  // namespace

std::string gridSizesText() {
    std::string text;
    for (const int size : SupportedGridSizes) {
        text += (text.empty() ? "" : ", ") + std::to_string(size);
    }
    return text;
}

std::string fileErrorText(const FileError& error) {
    const std::string& detail = error.detail;
    const std::string about = quoted(error.path) + ": ";
    switch (error.kind) {
    case FileErrorKind::noFileName:
        return "no file name given";
    case FileErrorKind::openFailed:
    case FileErrorKind::readFailed:
        return withDetail("cannot read " + quoted(error.path), detail);
    case FileErrorKind::writeFailed:
        return withDetail("cannot write " + quoted(error.path), detail);
    case FileErrorKind::bmpFileHeaderShort:
        return about + "the file header (BITMAPFILEHEADER) is cut short";
    case FileErrorKind::bmpInfoHeaderShort:
        return about + "the info header (BITMAPINFOHEADER) is cut short";
    case FileErrorKind::bmpNot24Bit:
        return about + "not a 24-bit picture";
    case FileErrorKind::bmpNotBmp:
        return about + "not a BMP file";
    case FileErrorKind::bmpDamaged:
        return about + "the BMP file is damaged";
    case FileErrorKind::bmpCompressed:
        return about + "the picture is compressed";
    case FileErrorKind::bmpNegativeWidth:
        return about + "the picture's width is negative";
    case FileErrorKind::bmpDataCutShort:
        return about + "the pixel data is cut short";
    case FileErrorKind::bmpOutOfMemory:
        return about + "not enough memory to read it";
    case FileErrorKind::pictureUnreadable:
        return about + "not a picture that can be read (24-bit BMP, PNG, JPEG, GIF, TIFF, ...)";
    case FileErrorKind::npyTooLarge:
        return about + "too large for a 128x128 float64 .npy array";
    case FileErrorKind::npyNoSignature:
        return about + "not a .npy file (no NUMPY signature)";
    case FileErrorKind::npyUnsupportedVersion:
        return about + "unsupported .npy format version " + detail;
    case FileErrorKind::npyHeaderTruncated:
        return about + "the .npy header is truncated or too long";
    case FileErrorKind::npyHeaderUnterminated:
        return about + "the .npy header does not end in a newline";
    case FileErrorKind::npyHeaderMalformed:
        return about + (detail.empty() ? "the .npy header is not a well-formed dictionary"
                                       : "the .npy header has a malformed or repeated " + quoted(detail));
    case FileErrorKind::npyHeaderUnexpectedKey:
        return about + "the .npy header has the unexpected key " + quoted(detail);
    case FileErrorKind::npyHeaderMissingKey:
        return about + "the .npy header lacks one of 'descr', 'fortran_order', 'shape'";
    case FileErrorKind::npyWrongDtype:
        return about + "dtype must be '<f8' (little-endian float64), found " + quoted(detail);
    case FileErrorKind::npyFortranOrder:
        return about + "array must be in C order (fortran_order False)";
    case FileErrorKind::npyWrongShape:
        return about + "shape must be (N, N) with N one of " + gridSizesText() + ", found " + detail;
    case FileErrorKind::npyWrongDataSize:
        return about + "the data does not fill the array's shape: found " + detail + " bytes";
    case FileErrorKind::npyNonFinite:
        return about + "non-finite value at (row, column) " + detail;
    case FileErrorKind::stateNotAState:
        return about + "not a Swirlon state file" + (detail.empty() ? "" : " (no valid member " + quoted(detail) + ")");
    case FileErrorKind::stateDamaged:
        return about + "the state file is damaged" + (detail.empty() ? "" : " (member " + quoted(detail) + ")");
    case FileErrorKind::stateTooLarge:
        return about + "too large for a Swirlon state file";
    case FileErrorKind::pictureSizeMismatch:
        return "cannot write " + quoted(error.path) + ": the picture size does not match its pixels";
    case FileErrorKind::movieUnknownFormat:
        return "cannot write " + quoted(error.path) + ": a movie's name must end in .mp4, .webm or .gif" +
               (detail.empty() ? std::string(", it has no extension") : ", not " + detail);
    case FileErrorKind::movieNotAFile:
        return "cannot write " + quoted(error.path) + ": a movie needs a regular file, not a device or pipe";
    case FileErrorKind::movieNoEncoder:
        return "cannot write " + quoted(error.path) + ": the FFmpeg libraries here have no " + detail + " encoder";
    case FileErrorKind::movieEncodeFailed:
        return withDetail("cannot write the movie " + quoted(error.path), detail);
    }
    return about + "unreadable";
}

std::string unknownPresetText(std::string_view name) {
    std::string known;
    for (const Preset& preset : presets()) {
        known += (known.empty() ? "" : ", ") + std::string(preset.name);
    }
    return "unknown preset '" + std::string(name) + "'; known presets: " + known;
}

}  // namespace swirlon::english
