// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_io/picture_decoder.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>

namespace swirlon {

std::optional<DecodedPicture> decodePictureWithQt(const std::string& path) {
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)));
    // A photograph taken on its side is read the way it is shown.
    reader.setAutoTransform(true);
    const QImage image = reader.read().convertToFormat(QImage::Format_BGR888);
    if (image.isNull()) {
        return std::nullopt;
    }
    DecodedPicture picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.stride = image.bytesPerLine();
    picture.pixels.assign(image.constBits(), image.constBits() + image.sizeInBytes());
    return picture;
}

QStringList readablePicturePatterns() {
    QStringList patterns;
    for (const QByteArray& suffix : QImageReader::supportedImageFormats()) {
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
    }
    return patterns;
}

}  // namespace swirlon
