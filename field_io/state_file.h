// SPDX-License-Identifier: GPL-3.0-or-later
// Saved runs: the stream-function spectrum together with the clock and the settings it ran
// with, so that a run continued from the file carries on exactly where it stopped. Written as
// NumPy's .npz (a zip of .npy members, readable by numpy.load); the bare .npy spectrum that
// earlier versions wrote is still read, with the clock at zero.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "field_io/file_error.h"
#include "solver/dye.h"
#include "solver/grid.h"
#include "solver/physics_params.h"
#include "solver/stable_frame.h"

namespace swirlon {

struct RunClock {
    // Frames done; the simulated time is frames x TimeStep.
    std::int64_t frames = 0;
    // Zero when the file does not say (a bare .npy spectrum).
    int reynolds = 0;
    // Whether the small-scale filter was on; files that predate it did not use it.
    bool filter = false;
    // The largest stability number of a sub-step it ran with: a run goes on bit for bit only
    // with the same sub-steps. Files that predate it ran at the safe default.
    double stabilityLimit = SafeStabilityNumber;
    // Drag, hyperviscosity and forcing, and where the ring forcing's random numbers stand.
    // Files without them (older ones, and every run without such terms) ran the plain equation.
    PhysicsParams physics{};
    ForcingNoise noise{};
    // The dye the run carried (solver/dye.h), on the spectrum's grid; null when it had none.
    std::shared_ptr<const DyeField> dye{};
};

// Names of the .npz members, as numpy.load lists them.
namespace state_member {
inline constexpr std::string_view psi = "psi_spectrum";
inline constexpr std::string_view time = "time";
inline constexpr std::string_view frames = "frames";
inline constexpr std::string_view reynolds = "reynolds";
inline constexpr std::string_view filter = "filter";
inline constexpr std::string_view stabilityLimit = "stability_limit";
// Written together, and only when a term is on, so a plain run's file is as it always was:
// forcing 0 none, 1 stripes, 2 ring.
inline constexpr std::string_view forcing = "forcing";
inline constexpr std::string_view forcingWaveNumber = "forcing_wavenumber";
inline constexpr std::string_view forcingAmplitude = "forcing_amplitude";
inline constexpr std::string_view injectionRate = "injection_rate";
inline constexpr std::string_view drag = "drag";
inline constexpr std::string_view hyperviscosity = "hyperviscosity";
inline constexpr std::string_view hyperOrder = "hyper_order";
// The generator's seed (its 64 bits as int64) and the count of numbers drawn from it.
inline constexpr std::string_view forcingSeed = "forcing_seed";
inline constexpr std::string_view forcingDraws = "forcing_draws";
// The dye's red, green and blue, each N x N float64 like the spectrum: written together, and
// only when the run carries dye.
inline constexpr std::string_view dyeRed = "dye_red";
inline constexpr std::string_view dyeGreen = "dye_green";
inline constexpr std::string_view dyeBlue = "dye_blue";
}  // namespace state_member

enum class StateFormat {
    npz,
    // The spectrum alone as an N x N float64 .npy, as earlier versions saved states.
    bareSpectrum,
};

// A .npy name keeps the bare spectrum that older readers expect; any other name gets the .npz.
StateFormat stateFormatFor(const std::string& path);

// The file's bytes; clock.reynolds must be positive for npz. Empty if the archive could not be
// made.
std::vector<std::uint8_t> encodeState(StateFormat format, const PackedSpectrum& psi, const RunClock& clock);

// Reads either format, told apart by content. On success fills psi and clock; otherwise returns
// what is wrong (with an empty path) and leaves both untouched.
std::optional<FileError> decodeState(std::span<const std::uint8_t> bytes, PackedSpectrum& psi, RunClock& clock);

// The same for a file, errors naming the path.
std::optional<FileError> readStateFile(const std::string& path, PackedSpectrum& psi, RunClock& clock);

}  // namespace swirlon
