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

std::string diagnosticsCsvRow(const DiagnosticsRecord& record) {
    const Diagnostics& values = record.values;
    std::string row = std::to_string(record.frame);
    for (const double value : {record.time, values.energy, values.enstrophy, values.palinstrophy, values.maxVorticity,
                               values.stabilityNumber}) {
        row += ',' + exactNumber(value);
    }
    row += ',' + std::to_string(values.subSteps) + ',' + exactNumber(values.edgeEnstrophyShare);
    for (const double value : {values.injectionRate, values.viscousDissipation, values.hyperviscousDissipation,
                               values.dragDissipation, values.budgetResidual, values.filterEnstrophyShare}) {
        row += ',' + exactNumber(value);
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
