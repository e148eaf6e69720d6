// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batch_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <set>
#include <vector>

#include "field_io/presets.h"
#include "messages/file_error_text.h"
#include "solver/grid.h"
#include "solver/step_threads.h"
#include "swirlon_version.h"

namespace swirlon::batch {
namespace {

// Column where the usage text's option descriptions begin, and the widest synopsis line.
constexpr std::size_t HelpColumn = 29;
constexpr std::size_t SynopsisWidth = 100;

// Reads an option's value into the parsed command line; returns why the value is refused, or
// an empty string. Switches get an empty value.
using Reader = std::string (*)(std::string_view value, ParsedCommandLine& parsed);

enum class Role {
    setting,
    // A source of the initial field; at most one may be given.
    startField,
    // Asks for a text instead of a run (help, version); parsing stops there.
    query,
};

struct Option {
    std::string_view name;
    // The value's placeholder in the usage text; empty for a switch, which takes no value.
    std::string_view value;
    // Lines of the usage text, separated by '\n'.
    std::string_view help;
    Reader read;
    Role role = Role::setting;
    // Another spelling of the same option.
    std::string_view alias = {};
};

std::string refusal(std::string_view needs, std::string_view value) {
    return "needs " + std::string(needs) + ", not '" + std::string(value) + "'";
}

// Parses a whole argument as an integer in [minimum, maximum]; nothing else is accepted.
template <typename Integer>
std::string readInteger(std::string_view text, Integer minimum, Integer maximum, Integer& out) {
    Integer value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size() && value >= minimum && value <= maximum) {
        out = value;
        return {};
    }
    // A signed type's own maximum goes without saying; other bounds are spelled out.
    const bool openAbove = std::numeric_limits<Integer>::is_signed && maximum == std::numeric_limits<Integer>::max();
    if (openAbove && minimum == 1) {
        return refusal("a positive integer", text);
    }
    if (openAbove && minimum == 0) {
        return refusal("a non-negative integer", text);
    }
    return refusal("an integer from " + std::to_string(minimum) + " to " + std::to_string(maximum), text);
}

std::string readStartField(std::string_view value, InputKind kind, BatchOptions& options) {
    if (kind == InputKind::preset && findPreset(value) == nullptr) {
        return english::unknownPresetText(value);
    }
    options.inputKind = kind;
    options.input = std::string(value);
    return {};
}

std::string readText(std::string_view value, std::string& out) {
    out = value;
    return {};
}

std::string setSwitch(bool& on) {
    on = true;
    return {};
}

// Parses a whole argument as a finite number above 0 and at most maximum.
std::string readPositiveNumber(std::string_view text, double maximum, double& out) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size() && value > 0.0 && value <= maximum) {
        out = value;
        return {};
    }
    char bound[32];
    std::snprintf(bound, sizeof bound, "%g", maximum);
    return refusal("a number above 0 and at most " + std::string(bound), text);
}

// Parses a whole argument as a finite number above 0, or at least 0 with zeroAllowed.
std::string readFiniteNumber(std::string_view text, bool zeroAllowed, std::optional<double>& out) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size() && std::isfinite(value) &&
        (value > 0.0 || (zeroAllowed && value == 0.0))) {
        out = value;
        return {};
    }
    return refusal(zeroAllowed ? "a finite number at least 0" : "a finite number above 0", text);
}

// The number, into out only when it is accepted.
std::string readOptionalPositiveNumber(std::string_view text, double maximum, std::optional<double>& out) {
    double value = 0.0;
    std::string refused = readPositiveNumber(text, maximum, value);
    if (refused.empty()) {
        out = value;
    }
    return refused;
}

template <typename Integer>
std::string readOptionalInteger(std::string_view text, Integer minimum, Integer maximum, std::optional<Integer>& out) {
    Integer value{};
    std::string refused = readInteger(text, minimum, maximum, value);
    if (refused.empty()) {
        out = value;
    }
    return refused;
}

std::string readForcing(std::string_view value, std::optional<ForcingKind>& forcing) {
    if (value == "none") {
        forcing = ForcingKind::none;
    } else if (value == "stripes") {
        forcing = ForcingKind::stripes;
    } else if (value == "ring") {
        forcing = ForcingKind::ring;
    } else {
        return refusal("none, stripes or ring", value);
    }
    return {};
}

std::string readPicture(std::string_view value, DisplayMode& picture) {
    if (value == "vorticity") {
        picture = DisplayMode::vorticity;
    } else if (value == "speed") {
        picture = DisplayMode::speed;
    } else if (value == "dye") {
        picture = DisplayMode::dye;
    } else {
        return refusal("vorticity, speed or dye", value);
    }
    return {};
}

std::string readColours(std::string_view value, ColourMap& colours) {
    const std::optional<ColourMap> map = parseColourMap(value);
    if (!map) {
        return refusal(std::string(colourMapChoices()), value);
    }
    colours = *map;
    return {};
}

std::string readGridSize(std::string_view text, std::optional<int>& out) {
    int size = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (error == std::errc() && end == text.data() + text.size() && isSupportedGridSize(size)) {
        out = size;
        return {};
    }
    return refusal("one of " + english::gridSizesText(), text);
}

constexpr long long LongMax = std::numeric_limits<long long>::max();

// Every option in the order the usage text lists them.
const std::array Options{
    Option{"--input", "FILE",
           "initial vorticity: a picture (24-bit .bmp, .png, .jpg, ...), or a .npy N x N\n"
           "float64 array [y][x] (N one of 64, 128, 256, 512: the run's grid unless --grid)",
           [](std::string_view v, ParsedCommandLine& p) { return readStartField(v, InputKind::file, p.options); },
           Role::startField},
    Option{"--preset", "NAME", "built-in initial field (default: default), one of those listed below",
           [](std::string_view v, ParsedCommandLine& p) { return readStartField(v, InputKind::preset, p.options); },
           Role::startField},
    Option{"--state", "FILE.npz", "continue from a state written by --save-state (.npz or .npy)",
           [](std::string_view v, ParsedCommandLine& p) { return readStartField(v, InputKind::state, p.options); },
           Role::startField},
    Option{"--seed", "N",
           "seed of the random preset mcwilliams and of the ring forcing (default 1);\n"
           "a continued forced run keeps the generator its state file records",
           [](std::string_view v, ParsedCommandLine& p) {
               return readInteger<std::uint32_t>(v, 0, std::numeric_limits<std::uint32_t>::max(), p.options.seed);
           }},
    Option{"--re", "N", "Reynolds number, a positive integer (default: the continued state's, else 1000)",
           [](std::string_view v, ParsedCommandLine& p) {
               return readOptionalInteger(v, 1, std::numeric_limits<int>::max(), p.options.reynolds);
           }},
    Option{"--steps", "N", "frames to run (default 1000; 0 loads, saves and exits)",
           [](std::string_view v, ParsedCommandLine& p) { return readInteger(v, 0LL, LongMax, p.options.steps); }},
    Option{"--grid", "N",
           "points per side of the grid: 64, 128, 256 or 512 (default: the continued\n"
           "state's or .npy input's, else 128); another grid's field is moved onto it\n"
           "by its Fourier band",
           [](std::string_view v, ParsedCommandLine& p) { return readGridSize(v, p.options.grid); }},
    Option{"--threads", "N",
           "threads sharing each step, 1 to 8 (default: 2 from grid 256 up on a\n"
           "machine with two cores, else 1); the results do not depend on it",
           [](std::string_view v, ParsedCommandLine& p) {
               return readOptionalInteger(v, 1, MaxStepThreads, p.options.threads);
           }},
    Option{"--frames", "DIR",
           "PNG pictures as the window draws them, frame-NNNNNN.png: whole pixels per\n"
           "grid point, 6 at 64, 3 at 128 (384x384), 2 at 256, 1 at 512",
           [](std::string_view v, ParsedCommandLine& p) { return readText(v, p.options.framesFolder); }},
    Option{"--zoom", "Z", "pixels per grid point in --frames pictures, 1 to 16",
           [](std::string_view v, ParsedCommandLine& p) {
               return readOptionalInteger(v, 1, MaxPictureScale, p.options.zoom);
           }},
    Option{"--picture", "MODE",
           "vorticity (default), speed, or dye: the colours of the --input picture (else the start's\n"
           "vorticity picture) carried by the flow",
           [](std::string_view v, ParsedCommandLine& p) { return readPicture(v, p.options.picture); }},
    Option{"--colours", "NAME",
           "colours of the pictures: classic (default: red and blue fading to\n"
           "black, the squared-speed ramp), diverging (blue, light grey at zero,\n"
           "red) or sequential (viridis, from the low end of the range)",
           [](std::string_view v, ParsedCommandLine& p) { return readColours(v, p.options.colours); }},
    Option{"--every", "K", "pictures, diagnostics and spectra every K frames, from frame 0 (default 1)",
           [](std::string_view v, ParsedCommandLine& p) { return readInteger(v, 1LL, LongMax, p.options.every); }},
    Option{"--movie", "FILE",
           "a movie of the pictures every K frames, as --frames draws them:\n"
           ".mp4 (H.264), .webm (VP9) or .gif; a stopped run keeps the movie so far",
           [](std::string_view v, ParsedCommandLine& p) { return readText(v, p.options.moviePath); }},
    Option{"--fps", "F", "frames a second the movie plays at, above 0 and at most 240 (default 30)",
           [](std::string_view v, ParsedCommandLine& p) {
               return readOptionalPositiveNumber(v, MaxMovieFps, p.options.fps);
           }},
    Option{"--overlay", "", "the time and the colour bar drawn on the movie's frames",
           [](std::string_view, ParsedCommandLine& p) { return setSwitch(p.options.overlay); }},
    Option{"--diagnostics", "FILE.csv",
           "step, time, energy, enstrophy, palinstrophy, max |vorticity|,\n"
           "stability number and sub-steps of the frame, edge enstrophy share,\n"
           "energy injection, viscous, hyperviscous and drag dissipation rates,\n"
           "the energy budget's residual over the frame, and the filter's share\n"
           "of the frame's small-scale enstrophy loss; - for standard output",
           [](std::string_view v, ParsedCommandLine& p) { return readText(v, p.options.diagnosticsPath); }},
    Option{"--spectra", "FILE.csv",
           "energy and enstrophy by shell k = round(|k|), every K frames:\n"
           "step, time, k, energy, enstrophy",
           [](std::string_view v, ParsedCommandLine& p) { return readText(v, p.options.spectraPath); }},
    Option{"--filter", "",
           "damp the smallest scales (|k| above two thirds of the band: 28 at 128)\n"
           "after every sub-step; a loaded picture is filtered once",
           [](std::string_view, ParsedCommandLine& p) { return setSwitch(p.options.filter); }},
    Option{"--stability-limit", "X",
           "largest stability number of a sub-step, 0 < X <= 2.8\n"
           "(default: the continued state's, else 2);\n"
           "lower values take more sub-steps for accuracy",
           [](std::string_view v, ParsedCommandLine& p) {
               return readOptionalPositiveNumber(v, MaxStabilityLimit, p.options.stabilityLimit);
           }},
    Option{"--forcing", "KIND",
           "none (default), stripes: A k cos(k y) added to d(omega)/dt, or ring:\n"
           "white noise on k-1 <= |k| <= k+1 injecting energy at a mean rate EPS\n"
           "(default: the continued state's or preset's, else none)",
           [](std::string_view v, ParsedCommandLine& p) { return readForcing(v, p.options.terms.forcing); }},
    Option{"--forcing-wavenumber", "K", "the forcing's wave number k, 1 to 20, inside every grid's band (default 4)",
           [](std::string_view v, ParsedCommandLine& p) {
               return readOptionalInteger(v, 1, MaxForcingWaveNumber, p.options.terms.forcingWaveNumber);
           }},
    Option{"--forcing-amplitude", "A", "amplitude A of the stripes, a finite number above 0 (default 1)",
           [](std::string_view v, ParsedCommandLine& p) {
               return readFiniteNumber(v, false, p.options.terms.forcingAmplitude);
           }},
    Option{"--injection-rate", "EPS", "mean energy injection rate of the ring, a finite number above 0 (default 0.1)",
           [](std::string_view v, ParsedCommandLine& p) {
               return readFiniteNumber(v, false, p.options.terms.injectionRate);
           }},
    Option{"--drag", "MU", "large-scale drag -MU omega, MU a finite number at least 0 (default 0)",
           [](std::string_view v, ParsedCommandLine& p) { return readFiniteNumber(v, true, p.options.terms.drag); }},
    Option{"--hyperviscosity", "NU_H",
           "hyperviscosity -NU_H (-laplacian)^P omega, NU_H a finite number at least 0\n"
           "(default 0)",
           [](std::string_view v, ParsedCommandLine& p) {
               return readFiniteNumber(v, true, p.options.terms.hyperviscosity);
           }},
    Option{"--hyper-order", "P", "order P of the hyperviscosity, 1 to 8 (default 2)",
           [](std::string_view v, ParsedCommandLine& p) {
               return readOptionalInteger(v, 1, MaxHyperOrder, p.options.terms.hyperOrder);
           }},
    Option{"--save-state", "FILE.npz",
           "the final state for --state: spectrum, clock and settings (.npz);\n"
           "a .npy name gets the spectrum alone",
           [](std::string_view v, ParsedCommandLine& p) { return readText(v, p.options.saveStatePath); }},
    Option{"--save-vorticity", "FILE.npy", "the final grid vorticity",
           [](std::string_view v, ParsedCommandLine& p) { return readText(v, p.options.saveVorticityPath); }},
    Option{"--quiet", "", "print nothing but errors",
           [](std::string_view, ParsedCommandLine& p) { return setSwitch(p.options.quiet); }},
    Option{"--version", "", "show the version",
           [](std::string_view, ParsedCommandLine& p) { return setSwitch(p.versionRequested); }, Role::query},
    Option{"--help", "", "show this text",
           [](std::string_view, ParsedCommandLine& p) { return setSwitch(p.helpRequested); }, Role::query, "-h"},
};

const Option* findOption(std::string_view name) {
    const auto found = std::find_if(Options.begin(), Options.end(), [&](const Option& option) {
        return option.name == name || (!option.alias.empty() && option.alias == name);
    });
    return found == Options.end() ? nullptr : &*found;
}

// "--input, --preset and --state"
std::string startFieldNames() {
    std::vector<std::string_view> names;
    for (const Option& option : Options) {
        if (option.role == Role::startField) {
            names.push_back(option.name);
        }
    }
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
    }
    return list;
}

std::string spelled(const Option& option) {
    return std::string(option.name) + (option.value.empty() ? "" : " ") + std::string(option.value);
}

// "usage: swirlon-batch [--input FILE | ...] [--seed N] ...", wrapped under its first option.
std::string synopsis() {
    std::vector<std::string> items(1, "[");
    for (const Option& option : Options) {
        if (option.role == Role::startField) {
            items.front().append(items.front().size() > 1 ? " | " : "").append(spelled(option));
        } else if (option.role == Role::setting) {
            items.emplace_back("[").append(spelled(option)).append("]");
        }
    }
    items.front().append("]");
    const std::string lead = "usage: " + std::string(ProgramName);
    std::string text = lead;
    std::size_t lineStart = 0;
    for (const std::string& item : items) {
        if (text.size() - lineStart + 1 + item.size() > SynopsisWidth) {
            lineStart = text.size() + 1;
            text += '\n' + std::string(lead.size(), ' ');
        }
        text += ' ' + item;
    }
    return text + '\n';
}

// The option's lines of the usage text: name and value, then the help from HelpColumn on.
std::string describe(const Option& option) {
    std::string head = "  " + std::string(option.name) + (option.value.empty() ? "" : " ") + std::string(option.value);
    head.resize(std::max(HelpColumn, head.size() + 1), ' ');
    std::string text;
    std::string_view help = option.help;
    for (std::size_t newline; (newline = help.find('\n')) != std::string_view::npos; help.remove_prefix(newline + 1)) {
        text += head + std::string(help.substr(0, newline)) + '\n';
        head.assign(HelpColumn, ' ');
    }
    return text + head + std::string(help) + '\n';
}

// A setting of a term that the command line does not switch on is refused rather than ignored.
std::string forcingMismatch(const BatchOptions& options) {
    const ForcingKind kind = options.terms.forcing.value_or(ForcingKind::none);
    if (options.terms.forcingWaveNumber && kind == ForcingKind::none) {
        return "--forcing-wavenumber needs --forcing stripes or --forcing ring";
    }
    if (options.terms.forcingAmplitude && kind != ForcingKind::stripes) {
        return "--forcing-amplitude needs --forcing stripes";
    }
    if (options.terms.injectionRate && kind != ForcingKind::ring) {
        return "--injection-rate needs --forcing ring";
    }
    if (options.terms.hyperOrder && !options.terms.hyperviscosity) {
        return "--hyper-order needs --hyperviscosity";
    }
    if (options.moviePath.empty() && (options.fps || options.overlay)) {
        return options.fps ? "--fps needs --movie" : "--overlay needs --movie";
    }
    return {};
}

}  // namespace

std::string batchVersion() { return std::string(ProgramName) + " " + SwirlonVersion; }

std::string batchUsage() {
    std::string text =
        synopsis() + "\nRuns the flow without a window, frame by frame (0.01 of time each), as the window does.\n\n";
    for (const Option& option : Options) {
        text += describe(option);
    }
    text += "\nPresets:\n";
    for (const Preset& preset : presets()) {
        std::string name = "  " + std::string(preset.name);
        name.resize(std::max(HelpColumn, name.size() + 1), ' ');
        text += name + std::string(preset.description) + '\n';
    }
    return text +
           "\nExit status: 0 done, 1 a file could not be read or written or the run diverged, 2 bad arguments,\n"
           "128 + n stopped by signal n (SIGINT, SIGTERM, SIGHUP) after the current frame.\n";
}

ParsedCommandLine parseBatchArguments(std::span<const std::string_view> args) {
    ParsedCommandLine parsed;
    std::set<std::string_view> seen;
    int startFields = 0;
    auto fail = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> value;
        if (const std::size_t equals = name.find('='); name.starts_with("--") && equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        const Option* option = findOption(name);
        if (option == nullptr) {
            return fail((name.starts_with("-") ? "unknown option '" : "unexpected argument '") + std::string(args[i]) +
                        "'");
        }
        if (option->value.empty()) {
            if (value) {
                return fail("option " + std::string(name) + " takes no value");
            }
        } else {
            if (!seen.insert(option->name).second) {
                return fail("option " + std::string(name) + " given twice");
            }
            if (!value) {
                if (i + 1 >= args.size()) {
                    return fail("option " + std::string(name) + " needs a value");
                }
                value = args[++i];
            }
            if (value->empty()) {
                return fail("option " + std::string(name) + " needs a non-empty value");
            }
        }
        startFields += option->role == Role::startField ? 1 : 0;
        if (std::string refused = option->read(value.value_or(""), parsed); !refused.empty()) {
            return fail(std::string(name) + ": " + refused);
        }
        if (option->role == Role::query) {
            return parsed;
        }
    }
    if (startFields > 1) {
        return fail("give at most one of " + startFieldNames());
    }
    if (std::string refused = forcingMismatch(parsed.options); !refused.empty()) {
        return fail(refused);
    }
    return parsed;
}

}  // namespace swirlon::batch
