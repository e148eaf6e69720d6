// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/diagnostics_csv.h"

#include <cstdio>

#include "field_io/atomic_file.h"

namespace swirlon {
namespace {

// Enough digits that a value read back from the file is the same double.
constexpr const char* ExactNumber = "%.17g";

}  // namespace

std::string exactNumber(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, ExactNumber, value);
    return buffer;
}

DiagnosticsRecord recordDiagnostics(const Simulation& simulation) {
    return {.frame = simulation.framesDone(), .time = simulation.time(), .values = measureDiagnostics(simulation)};
}

std::vector<std::string_view> diagnosticsCsvColumns() {
    std::vector<std::string_view> columns;
    std::string_view rest = DiagnosticsCsvHeader;
    for (std::size_t comma; (comma = rest.find(',')) != std::string_view::npos; rest.remove_prefix(comma + 1)) {
        columns.push_back(rest.substr(0, comma));
    }
    columns.push_back(rest);
    return columns;
}

std::vector<DiagnosticsCell> diagnosticsCsvCells(const DiagnosticsRecord& record) {
    const Diagnostics& values = record.values;
    return {record.frame,
            record.time,
            values.energy,
            values.enstrophy,
            values.palinstrophy,
            values.maxVorticity,
            values.stabilityNumber,
            std::int64_t{values.subSteps},
            values.edgeEnstrophyShare,
            values.injectionRate,
            values.viscousDissipation,
            values.hyperviscousDissipation,
            values.dragDissipation,
            values.budgetResidual,
            values.filterEnstrophyShare};
}

std::string diagnosticsCsvRow(const DiagnosticsRecord& record) {
    std::string row;
    for (const DiagnosticsCell& cell : diagnosticsCsvCells(record)) {
        row += row.empty() ? "" : ",";
        row += std::holds_alternative<std::int64_t>(cell) ? std::to_string(std::get<std::int64_t>(cell))
                                                          : exactNumber(std::get<double>(cell));
    }
    return row + '\n';
}

std::optional<FileError> writeDiagnosticsCsv(const std::string& path, std::span<const DiagnosticsRecord> records) {
    std::string text(DiagnosticsCsvHeader);
    text += '\n';
    for (const DiagnosticsRecord& record : records) {
        text += diagnosticsCsvRow(record);
    }
    return writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace swirlon
