// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/flow_view.h"

namespace swirlon {

FileDropLoader::FileDropLoader(FlowView& target, std::function<void()> onRefusal)
    : QObject(&target), view(target), refused(std::move(onRefusal)) {
    view.setAcceptDrops(true);
    view.installEventFilter(this);
}

std::optional<QString> FileDropLoader::droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile()) {
        return std::nullopt;
    }
    return data->urls().front().toLocalFile();
}

bool FileDropLoader::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != &view || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)) {
        return QObject::eventFilter(watched, event);
    }
    // Enter and move events are drop events too, with the same data and answer.
    auto* drop = static_cast<QDropEvent*>(event);
    const std::optional<QString> path = droppedFile(drop->mimeData());
    if (!path || view.isRunning()) {
        if (path && type == QEvent::DragEnter && refused) {
            refused();
        }
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop) {
        // Loaded once the drop has completed, so that a failure's box does not hold up the
        // program the file came from.
        QTimer::singleShot(0, &view, [target = &view, file = *path] { target->openNamedFile(file); });
    }
    return true;
}

}  // namespace swirlon
