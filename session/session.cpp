// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session.h"

#include <vector>

#include "field_io/atomic_file.h"
#include "field_io/picture.h"
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
    PictureBuffer colours;
    if (std::optional<FileError> failure = loadVorticityPicture(path, *vorticity, decode, infoHeader, &colours)) {
        return failure;
    }
    setStabilityLimit(SafeStabilityNumber);
    // The velocities then belong to the loaded field at once, for the speed picture.
    flow_.setStateFromVorticity(*vorticity);
    adoptAsStart();
    startDye_ = std::make_unique<DyeField>(dyeOfPicture(colours, flow_.grid()));
    if (dyeOn()) {
        startDye();
    }
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
    const bool dyeWasOn = dyeOn();
    continueSavedRun(flow_, *psi, clock, chosen);
    adoptAsStart();
    startDye_ = clock.dye ? std::make_unique<DyeField>(*clock.dye) : nullptr;
    if (dyeWasOn || clock.dye) {
        startDye();
    }
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
    startDye_.reset();
    if (dyeOn()) {
        startDye();
    }
    return true;
}

void Session::reset() {
    flow_.setState(*startField_, startFrames_);
    if (dyeOn()) {
        startDye();
    }
}

void Session::setDyeOn(bool on) {
    if (on) {
        startDye();
    } else {
        flow_.setDye(nullptr);
    }
}

void Session::startDye() {
    if (startDye_) {
        flow_.setDye(startDye_.get());
    } else {
        const DyeField picture = vorticityDye(flow_);
        flow_.setDye(&picture);
    }
}

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
    if (startDye_) {
        *startDye_ = regridDye(*startDye_, grid);
    }
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
