// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_error_text.h"

#include <QFile>

#include "app/texts.h"

namespace swirlon {
namespace {

QStringView textOf(FileErrorKind kind) {
    switch (kind) {
    case FileErrorKind::noFileName:
        return texts::NoFileName;
    case FileErrorKind::openFailed:
        return texts::OpenFailed;
    case FileErrorKind::readFailed:
        return texts::ReadFailed;
    case FileErrorKind::writeFailed:
    case FileErrorKind::pictureSizeMismatch:
    case FileErrorKind::movieEncodeFailed:
        return texts::WriteFailed;
    case FileErrorKind::movieUnknownFormat:
    case FileErrorKind::movieNotAFile:
    case FileErrorKind::movieNoEncoder:
        return texts::MovieFormatRefused;
    case FileErrorKind::bmpFileHeaderShort:
        return texts::BmpFileHeaderShort;
    case FileErrorKind::bmpInfoHeaderShort:
        return texts::BmpInfoHeaderShort;
    case FileErrorKind::bmpNot24Bit:
        return texts::BmpNot24Bit;
    case FileErrorKind::bmpNotBmp:
        return texts::BmpNotBmp;
    case FileErrorKind::bmpDamaged:
        return texts::BmpDamaged;
    case FileErrorKind::bmpCompressed:
        return texts::BmpCompressed;
    case FileErrorKind::bmpNegativeWidth:
        return texts::BmpNegativeWidth;
    case FileErrorKind::bmpDataCutShort:
        return texts::BmpDataCutShort;
    case FileErrorKind::bmpOutOfMemory:
        return texts::BmpOutOfMemory;
    case FileErrorKind::pictureUnreadable:
        return texts::PictureUnreadable;
    case FileErrorKind::npyTooLarge:
    case FileErrorKind::npyNoSignature:
    case FileErrorKind::npyUnsupportedVersion:
    case FileErrorKind::npyHeaderTruncated:
    case FileErrorKind::npyHeaderUnterminated:
    case FileErrorKind::npyHeaderMalformed:
    case FileErrorKind::npyHeaderUnexpectedKey:
    case FileErrorKind::npyHeaderMissingKey:
    case FileErrorKind::npyWrongDtype:
    case FileErrorKind::npyFortranOrder:
    case FileErrorKind::npyWrongShape:
    case FileErrorKind::npyWrongDataSize:
    case FileErrorKind::npyNonFinite:
        return texts::NotNpyField;
    case FileErrorKind::stateNotAState:
    case FileErrorKind::stateTooLarge:
        return texts::NotStateFile;
    case FileErrorKind::stateDamaged:
        return texts::StateDamaged;
    }
    return texts::ReadFailed;
}

}  // namespace

QString fileErrorText(const FileError& error) {
    const QString text = textOf(error.kind).toString();
    // The path's bytes as the file system holds them, shown as the file chooser names them.
    QString message = text.contains(u"%1") ? text.arg(QFile::decodeName(QByteArray::fromStdString(error.path))) : text;
    // A file the system refused (a folder, a missing folder, no permission) says why.
    const bool systemReason = error.kind == FileErrorKind::openFailed || error.kind == FileErrorKind::readFailed ||
                              error.kind == FileErrorKind::writeFailed ||
                              error.kind == FileErrorKind::movieEncodeFailed;
    if (systemReason && !error.detail.empty()) {
        message += u'\n' + texts::SystemReason.toString().arg(QString::fromLocal8Bit(error.detail));
    }
    return message;
}

}  // namespace swirlon
