// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/texts.h"
#include "qt_io/picture_decoder.h"

namespace swirlon {
namespace {

// The folder the last dialog closed in; empty before the first.
QString& lastFolder() {
    static QString folder;
    return folder;
}

void prepare(QFileDialog& dialog, PathKind kind) {
    switch (kind) {
    case PathKind::loadPicture:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({texts::FilterBmp.toString(), texts::FilterAll.toString(),
                               texts::FilterPictures.toString().arg(readablePicturePatterns().join(u' '))});
        dialog.setDefaultSuffix(texts::DefaultSuffix.toString());
        return;
    case PathKind::savePicture:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters({texts::FilterPng.toString()});
        dialog.setDefaultSuffix(texts::PngSuffix.toString());
        return;
    case PathKind::recordFolder:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setWindowTitle(texts::RecordFolderTitle.toString());
        return;
    case PathKind::recordMovie:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters({texts::FilterMp4.toString(), texts::FilterWebm.toString(), texts::FilterGif.toString()});
        dialog.setDefaultSuffix(texts::Mp4Suffix.toString());
        return;
    case PathKind::loadState:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({texts::FilterState.toString(), texts::FilterAll.toString()});
        return;
    case PathKind::saveState:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters({texts::FilterState.toString(), texts::FilterAll.toString()});
        dialog.setDefaultSuffix(texts::StateSuffix.toString());
        return;
    case PathKind::savePlotData:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters({texts::FilterCsv.toString(), texts::FilterAll.toString()});
        dialog.setDefaultSuffix(texts::CsvSuffix.toString());
        return;
    }
}

}  // namespace

QString lastDialogFolder() { return lastFolder(); }

void setLastDialogFolder(const QString& folder) { lastFolder() = folder; }

std::optional<QString> askForPath(QWidget* parent, PathKind kind) {
    QFileDialog dialog(parent);
    prepare(dialog, kind);
    if (!lastFolder().isEmpty()) {
        dialog.setDirectory(lastFolder());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return QString();
    }
    const QString& path = chosen.front();
    lastFolder() = kind == PathKind::recordFolder ? path : QFileInfo(path).absolutePath();
    return path;
}

}  // namespace swirlon
