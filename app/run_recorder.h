// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics record of the view's run: one record per recorded frame, measured once, for
// the plots, the status bar and the CSV export. A series starts with the state set (a load, a
// built-in field, a reset) and records every frame taken alone, the frame a run stops on, and
// during a run a frame whenever RecordIntervalMs of wall time have passed since the last record:
// so the run pays for at most fifty measurements a second, however fast it goes.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include "app/diagnostics_series.h"

namespace swirlon {

class FlowView;

inline constexpr int RecordIntervalMs = 20;

class RunRecorder : public QObject {
    Q_OBJECT

  public:
    explicit RunRecorder(FlowView& view, QObject* parent = nullptr);

    const DiagnosticsSeries& series() const { return series_; }

  Q_SIGNALS:
    // A record was added or the series started afresh.
    void seriesChanged();

  private:
    void record();
    void restart();
    void frameComputed();
    void runStateChanged();

    FlowView& view_;
    DiagnosticsSeries series_;
    QElapsedTimer sinceRecord_;
};

}  // namespace swirlon
