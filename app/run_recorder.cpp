// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_recorder.h"

#include <QFile>

#include "app/file_error_text.h"
#include "app/flow_view.h"

namespace swirlon {
namespace {

constexpr qint64 RecordIntervalNs = static_cast<qint64>(RecordIntervalMs) * 1'000'000;

}  // namespace

RunRecorder::RunRecorder(FlowView& view, QObject* parent) : QObject(parent), view_(view) {
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

}  // namespace swirlon
