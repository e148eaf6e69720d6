// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of swirlon-batch, parsed into options that a run takes as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "field_io/colour_map.h"
#include "field_io/picture.h"
#include "session/run_start.h"
#include "solver/physics_params.h"
#include "solver/stable_frame.h"

namespace swirlon::batch {

// The name every message of the tool starts with.
inline constexpr const char* ProgramName = "swirlon-batch";

inline constexpr int ExitSuccess = 0;
// A file that cannot be read or written, or a run that produced non-finite values.
inline constexpr int ExitFailure = 1;
inline constexpr int ExitBadArguments = 2;
// A run stopped by signal n ends with status ExitSignalBase + n, as the shell reports it.
inline constexpr int ExitSignalBase = 128;

inline constexpr int DefaultReynolds = DefaultRunReynolds;
inline constexpr long long DefaultSteps = 1000;
inline constexpr double DefaultMovieFps = 30.0;
inline constexpr double MaxMovieFps = 240.0;

enum class InputKind { preset, file, state };

struct BatchOptions {
    InputKind inputKind = InputKind::preset;
    // The preset name, or the path of the input or state file.
    std::string input = "default";
    std::uint32_t seed = 1;
    // Unset: the Reynolds number a continued state ran at, else DefaultReynolds.
    std::optional<int> reynolds;
    long long steps = DefaultSteps;
    std::string framesFolder;
    DisplayMode picture = DisplayMode::vorticity;
    // The colours of --frames pictures and of the movie.
    ColourMap colours = ColourMap::classic;
    long long every = 1;
    // A movie of the pictures (.mp4, .webm or .gif), at fps frames a second of playback; with
    // overlay, each frame carries its time and the colour bar.
    std::string moviePath;
    std::optional<double> fps;
    bool overlay = false;
    std::string diagnosticsPath;
    std::string spectraPath;
    // The small-scale filter. Given, it holds for a continued state too; not given, a continued
    // state keeps the setting it ran with.
    bool filter = false;
    // Unset: the limit a continued state ran with, else the safe default.
    std::optional<double> stabilityLimit;
    // Unset: the grid of a continued state or .npy input, else the default grid.
    std::optional<int> grid;
    // Threads sharing each step; unset: what runs best on the run's grid.
    std::optional<int> threads;
    // The terms beyond the plain equation (session/run_start.h).
    TermChoices terms;
    // Screen pixels per grid point in --frames pictures; unset: the grid's default scale.
    std::optional<int> zoom;
    std::string saveStatePath;
    std::string saveVorticityPath;
    bool quiet = false;

    bool operator==(const BatchOptions&) const = default;
};

struct ParsedCommandLine {
    BatchOptions options;
    bool helpRequested = false;
    bool versionRequested = false;
    // Empty when the arguments are good; otherwise what is wrong with them.
    std::string error;
};

// args excludes the program name.
ParsedCommandLine parseBatchArguments(std::span<const std::string_view> args);

std::string batchUsage();

// The line --version prints, without the line end.
std::string batchVersion();

}  // namespace swirlon::batch
