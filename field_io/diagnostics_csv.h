// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics file that swirlon-batch writes and the window exports: a header line, then
// one row per recorded frame. Numbers carry 17 significant digits, so a value read back is the
// same double.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "field_io/file_error.h"
#include "solver/simulation.h"

namespace swirlon {

// Header line of the file, without the line end. Columns are only ever added at the end, so
// readers of the earlier ones keep working. The budget's residual and the filter's share are nan
// on the row of a state just set, before any frame.
inline constexpr std::string_view DiagnosticsCsvHeader =
    "step,time,energy,enstrophy,palinstrophy,max_vorticity,stability_number,sub_steps,edge_enstrophy_share,"
    "injection_rate,viscous_dissipation,hyperviscous_dissipation,drag_dissipation,budget_residual,"
    "filter_enstrophy_share";

// One frame's place on the clock and its diagnostics, measured once.
struct DiagnosticsRecord {
    std::int64_t frame = 0;
    double time = 0.0;
    Diagnostics values;
};

DiagnosticsRecord recordDiagnostics(const Simulation& simulation);

// A number as the file writes it: 17 significant digits.
std::string exactNumber(double value);

// One cell of a row: a count or a measured value.
using DiagnosticsCell = std::variant<std::int64_t, double>;

// The header's column names, in order.
std::vector<std::string_view> diagnosticsCsvColumns();

// The cells of a row, in the header's column order.
std::vector<DiagnosticsCell> diagnosticsCsvCells(const DiagnosticsRecord& record);

// One row of the file, line end included.
std::string diagnosticsCsvRow(const DiagnosticsRecord& record);

// The whole file (header and rows), written atomically.
std::optional<FileError> writeDiagnosticsCsv(const std::string& path, std::span<const DiagnosticsRecord> records);

}  // namespace swirlon
