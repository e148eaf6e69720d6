// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session.h"

#include <vector>

#include "field_io/atomic_file.h"
#include "field_io/presets.h"
#include "field_io/state_file.h"
#include "solver/regrid.h"
#include "solver/step_threads.h"

namespace swirlon {

Session::Session(int reynolds) : flow_(reynolds), startField_(std::make_unique<PackedSpectrum>(flow_.grid())) {
    loadDefaultField(*startField_);
    flow_.setState(*startField_);
}

Session::~Session() = default;

std::optional<FileError> Session::loadPicture(const std::string& path, const PictureDecoder& decode,
                                              BmpInfoHeaderBytes* infoHeader) {
    const auto vorticity = std::make_unique<PackedSpectrum>(flow_.grid());
    if (std::optional<FileError> failure = loadVorticityPicture(path, *vorticity, decode, infoHeader)) {
        return failure;
    }
    setStabilityLimit(SafeStabilityNumber);
    // The velocities then belong to the loaded field at once, for the speed picture.
    flow_.setStateFromVorticity(*vorticity);
    adoptAsStart();
    return std::nullopt;
}

Session::StateLoad Session::loadState(const std::string& path, const ReynoldsAccepted& accepted) {
    const auto psi = std::make_unique<PackedSpectrum>(flow_.grid());
    RunClock clock;
    if (std::optional<FileError> failure = readStateFile(path, *psi, clock)) {
        return {.error = std::move(failure), .reynoldsRefused = std::nullopt};
    }
    StateLoad result;
    ExplicitSettings chosen;
    if (recordsSettings(clock) && !accepted(clock.reynolds)) {
        chosen.reynolds = flow_.reynolds();
        result.reynoldsRefused = clock.reynolds;
    }
    continueSavedRun(flow_, *psi, clock, chosen);
    adoptAsStart();
    return result;
}

std::optional<FileError> Session::saveState(const std::string& path) const {
    const std::vector<std::uint8_t> bytes = encodeSavedRun(path, flow_);
    if (bytes.empty()) {
        return FileError{FileErrorKind::writeFailed, path, "the archive could not be made"};
    }
    return writeFileAtomically(path, bytes);
}

bool Session::choosePreset(std::string_view name) {
    const auto psi = std::make_unique<PackedSpectrum>(flow_.grid());
    if (!loadPreset(name, *psi)) {
        return false;
    }
    setStabilityLimit(SafeStabilityNumber);
    flow_.setState(*psi);
    adoptAsStart();
    return true;
}

void Session::reset() { flow_.setState(*startField_, startFrames_); }

template <typename Edit>
bool Session::applyStroke(Edit&& edit) {
    const PackedSpectrum before = flow_.psi();
    PackedSpectrum stroked = before;
    edit(stroked);
    if (stroked == before) {
        return false;
    }
    flow_.setState(stroked, flow_.framesDone());
    const FrameOutcome& outcome = flow_.lastOutcome();
    if (outcome.finite && outcome.stabilityNumber <= MaxStrokedStabilityNumber) {
        return true;
    }
    flow_.setState(before, flow_.framesDone());
    return false;
}

bool Session::stir(CellPoint from, CellPoint to, double radius) {
    return applyStroke([&](PackedSpectrum& psi) { addStirStroke(psi, from, to, radius); });
}

bool Session::paint(CellPoint from, CellPoint to, double radius, PaintSign sign) {
    const double magnitude = paintCirculation(from, to, radius, flow_.grid());
    const double circulation = sign == PaintSign::positive ? magnitude : -magnitude;
    return applyStroke([&](PackedSpectrum& psi) { addPaintStroke(psi, from, to, radius, circulation); });
}

void Session::changeGrid(const Grid& grid) {
    flow_.setGrid(grid);
    flow_.setThreads(defaultStepThreads(grid));
    *startField_ = regridSpectrum(*startField_, grid);
}

void Session::adoptAsStart() {
    *startField_ = flow_.psi();
    startFrames_ = flow_.framesDone();
}

void Session::setStabilityLimit(double limit) {
    FrameSettings settings = flow_.frameSettings();
    settings.stabilityLimit = limit;
    flow_.setFrameSettings(settings);
}

}  // namespace swirlon
