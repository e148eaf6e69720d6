// SPDX-License-Identifier: GPL-3.0-or-later
// A file dropped on the view is loaded as the load command loads it, or a saved run (.npz, .npy)
// as the state-loading command does; during a run the view takes no drop and says why.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QMimeData;

namespace swirlon {

class FlowView;

class FileDropLoader : public QObject {
    Q_OBJECT

  public:
    // Makes view accept drops and watches its drag and drop events; owned by view. refused is
    // called when a file is brought over the view during a run.
    FileDropLoader(FlowView& view, std::function<void()> refused);

    // The one local file that data carries; std::nullopt for several, none or a remote one.
    static std::optional<QString> droppedFile(const QMimeData* data);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    FlowView& view;
    std::function<void()> refused;
};

}  // namespace swirlon
