// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/view_settings.h"

#include <QSettings>

#include <algorithm>
#include <array>

#include "app/file_dialogs.h"
#include "app/flow_view.h"
#include "app/main_frame.h"
#include "app/plots_dock.h"
#include "app/run_pace.h"

namespace swirlon {
namespace {

const QString ZoomKey = QStringLiteral("view/zoom");
const QString LegendKey = QStringLiteral("view/legend");
const QString AutoRangeKey = QStringLiteral("view/autoRange");
const QString PaceKey = QStringLiteral("view/pace");
const QString PlotsKey = QStringLiteral("view/plots");
const QString FolderKey = QStringLiteral("dialogs/folder");
const QString GeometryKey = QStringLiteral("window/geometry");

constexpr std::array Zooms{PictureZoom::times2, PictureZoom::times3, PictureZoom::times4, PictureZoom::fitWindow};

}  // namespace

void restoreViewSettings(CMainFrame& frame) {
    const QSettings settings;
    FlowView& view = frame.view();
    const int zoom = settings.value(ZoomKey, static_cast<int>(view.zoom())).toInt();
    if (const auto found = std::ranges::find(Zooms, static_cast<PictureZoom>(zoom)); found != Zooms.end()) {
        view.setZoom(*found);
    }
    view.setLegendShown(settings.value(LegendKey, view.legendShown()).toBool());
    view.setAutoRange(settings.value(AutoRangeKey, view.autoRangeOn()).toBool());
    const double pace = settings.value(PaceKey, view.pace().timePerSecond).toDouble();
    if (const auto found = std::ranges::find(PacedChoices, Pace{pace}); found != PacedChoices.end()) {
        view.setPace(*found);
    }
    frame.plots().setVisible(settings.value(PlotsKey, false).toBool());
    setLastDialogFolder(settings.value(FolderKey).toString());
    frame.restoreGeometry(settings.value(GeometryKey).toByteArray());
}

void saveViewSettings(const CMainFrame& frame) {
    QSettings settings;
    const FlowView& view = frame.view();
    settings.setValue(ZoomKey, static_cast<int>(view.zoom()));
    settings.setValue(LegendKey, view.legendShown());
    settings.setValue(AutoRangeKey, view.autoRangeOn());
    settings.setValue(PaceKey, view.pace().timePerSecond);
    // Not isVisible(): a closed window's dock is not visible, but still shown in it.
    settings.setValue(PlotsKey, !frame.plots().isHidden());
    settings.setValue(FolderKey, lastDialogFolder());
    settings.setValue(GeometryKey, frame.saveGeometry());
}

}  // namespace swirlon
