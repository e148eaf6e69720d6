// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics of a run as a time series of bounded length, for the plots and their export.
// When the series is full, every other record of its older half goes: recent frames keep their
// detail, older ones thin out, and a run of any length holds at most the capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "field_io/diagnostics_csv.h"

namespace swirlon {

class DiagnosticsSeries {
  public:
    static constexpr std::size_t DefaultCapacity = 1024;

    // capacity >= 4.
    explicit DiagnosticsSeries(std::size_t capacity = DefaultCapacity);

    void clear();
    void append(const DiagnosticsRecord& record);

    // Oldest first; the first record (the start of the series) is never dropped.
    std::span<const DiagnosticsRecord> records() const { return records_; }
    const DiagnosticsRecord* latest() const { return records_.empty() ? nullptr : &records_.back(); }
    // Changes with every append and clear, so a reader can tell whether anything is new.
    std::uint64_t revision() const { return revision_; }

  private:
    std::size_t capacity_;
    std::vector<DiagnosticsRecord> records_;
    std::uint64_t revision_ = 0;
};

}  // namespace swirlon
