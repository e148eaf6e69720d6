// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_recorder.h"

#include <QFile>
#include <QFileDialog>

#include "app/file_error_text.h"
#include "app/flow_view.h"
#include "app/texts.h"

namespace swirlon {
namespace {

constexpr qint64 RecordIntervalNs = static_cast<qint64>(RecordIntervalMs) * 1'000'000;

std::optional<QString> chooseCsvFile(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({texts::FilterCsv.toString(), texts::FilterAll.toString()});
    dialog.setDefaultSuffix(texts::CsvSuffix.toString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

}  // namespace

RunRecorder::RunRecorder(FlowView& view, QObject* parent)
    : QObject(parent), view_(view), saveChooser_(chooseCsvFile) {
    connect(&view, &FlowView::stateReplaced, this, &RunRecorder::restart);
    connect(&view, &FlowView::frameComputed, this, &RunRecorder::frameComputed);
    connect(&view, &FlowView::stateChanged, this, &RunRecorder::runStateChanged);
    restart();
}

void RunRecorder::restart() {
    series_.clear();
    record();
}

void RunRecorder::record() {
    series_.append(recordDiagnostics(view_.simulation()));
    sinceRecord_.start();
    Q_EMIT seriesChanged();
}

void RunRecorder::frameComputed() {
    if (!view_.isRunning() || sinceRecord_.nsecsElapsed() >= RecordIntervalNs) {
        record();
    }
}

void RunRecorder::runStateChanged() {
    // The series ends on the frame the window shows when a run stops.
    const DiagnosticsRecord* latest = series_.latest();
    if (!view_.isRunning() && latest != nullptr && latest->frame != view_.simulation().framesDone()) {
        record();
    }
}

void RunRecorder::saveAs() {
    const std::optional<QString> path = saveChooser_(&view_);
    if (!path) {
        return;
    }
    if (const auto failure = writeDiagnosticsCsv(QFile::encodeName(*path).toStdString(), series_.records())) {
        view_.report(fileErrorText(*failure));
    }
}

}  // namespace swirlon
