// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/diagnostics_series.h"

namespace swirlon {

DiagnosticsSeries::DiagnosticsSeries(std::size_t capacity) : capacity_(capacity) { records_.reserve(capacity_); }

void DiagnosticsSeries::clear() {
    records_.clear();
    ++revision_;
}

void DiagnosticsSeries::append(const DiagnosticsRecord& record) {
    if (records_.size() == capacity_) {
        // Keeps records 0, 2, 4, ... of the older half and the newer half whole, in place.
        const std::size_t half = capacity_ / 2;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < records_.size(); ++i) {
            if (i >= half || i % 2 == 0) {
                records_[kept++] = records_[i];
            }
        }
        records_.resize(kept);
    }
    records_.push_back(record);
    ++revision_;
}

}  // namespace swirlon
