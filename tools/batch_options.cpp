// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batch_options.h"

#include <charconv>
#include <limits>
#include <set>
#include <vector>

#include "field_io/presets.h"

namespace swirlon::batch {
namespace {

// Parses a whole argument as an integer in [minimum, maximum]; nothing else is accepted.
template <typename Integer>
bool parseInteger(std::string_view text, Integer minimum, Integer maximum, Integer& out) {
    Integer value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < minimum || value > maximum) {
        return false;
    }
    out = value;
    return true;
}

bool isPresetName(std::string_view name) {
    for (const std::string& known : presetNames()) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

std::string knownPresets() {
    std::string list;
    for (const std::string& known : presetNames()) {
        list += (list.empty() ? "" : ", ") + known;
    }
    return list;
}

}  // namespace

std::string batchUsage() {
    return "usage: swirlon-batch [--input FILE | --preset NAME | --state FILE.npy] [--seed N] [--re N] [--steps N]\n"
           "                     [--frames DIR] [--picture vorticity|speed] [--every K]\n"
           "                     [--diagnostics FILE.csv] [--save-state FILE.npy] [--save-vorticity FILE.npy] [--quiet]\n"
           "\n"
           "Runs the flow without a window, frame by frame (0.01 of time each), as the window does.\n"
           "\n"
           "  --input FILE               initial vorticity: a 24-bit .bmp, or a .npy 128x128 float64 array [y][x]\n"
           "  --preset NAME              built-in initial field (default: default), one of\n"
           "                             " +
           knownPresets() +
           "\n"
           "  --seed N                   seed of the random preset mcwilliams (default 1)\n"
           "  --state FILE.npy           continue from a state written by --save-state\n"
           "  --re N                     Reynolds number, a positive integer (default 1000)\n"
           "  --steps N                  frames to run (default 1000; 0 loads, saves and exits)\n"
           "  --frames DIR               PNG pictures as the window draws them (384x384), frame-NNNNNN.png\n"
           "  --picture MODE             vorticity (default) or speed\n"
           "  --every K                  pictures and diagnostics every K frames, from frame 0 (default 1)\n"
           "  --diagnostics FILE.csv     step, time, energy, enstrophy, palinstrophy, max |vorticity|,\n"
           "                             stability number and sub-steps of the frame\n"
           "  --save-state FILE.npy      the final state (stream-function spectrum), for --state\n"
           "  --save-vorticity FILE.npy  the final grid vorticity\n"
           "  --quiet                    print nothing but errors\n"
           "  --help                     show this text\n"
           "\n"
           "Exit status: 0 done, 1 a file could not be read or written or the run overflowed, 2 bad arguments.\n";
}

ParsedCommandLine parseBatchArguments(std::span<const std::string_view> args) {
    ParsedCommandLine parsed;
    BatchOptions& options = parsed.options;
    std::set<std::string, std::less<>> seen;
    int inputSources = 0;

    auto fail = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view option = args[i];
        std::string_view inlineValue;
        bool hasInlineValue = false;
        if (const std::size_t equals = option.find('='); option.starts_with("--") && equals != std::string_view::npos) {
            inlineValue = option.substr(equals + 1);
            option = option.substr(0, equals);
            hasInlineValue = true;
        }

        if (option == "--help" || option == "-h") {
            parsed.helpRequested = true;
            return parsed;
        }
        if (option == "--quiet") {
            if (hasInlineValue) {
                return fail("option --quiet takes no value");
            }
            options.quiet = true;
            continue;
        }

        static const std::set<std::string, std::less<>> valued{
            "--input", "--preset", "--state", "--seed",        "--re",         "--steps",
            "--frames", "--picture", "--every", "--diagnostics", "--save-state", "--save-vorticity"};
        if (!option.starts_with("-")) {
            return fail("unexpected argument '" + std::string(args[i]) + "'");
        }
        if (!valued.contains(option)) {
            return fail("unknown option '" + std::string(args[i]) + "'");
        }
        if (!seen.insert(std::string(option)).second) {
            return fail("option " + std::string(option) + " given twice");
        }
        std::string_view value = inlineValue;
        if (!hasInlineValue) {
            if (i + 1 >= args.size()) {
                return fail("option " + std::string(option) + " needs a value");
            }
            value = args[++i];
        }
        if (value.empty()) {
            return fail("option " + std::string(option) + " needs a non-empty value");
        }

        if (option == "--input" || option == "--preset" || option == "--state") {
            ++inputSources;
            options.input = std::string(value);
            options.inputKind = option == "--input" ? InputKind::file
                                : option == "--state" ? InputKind::state
                                                      : InputKind::preset;
            if (option == "--preset" && !isPresetName(value)) {
                return fail("unknown preset '" + std::string(value) + "'; known presets: " + knownPresets());
            }
        } else if (option == "--seed") {
            if (!parseInteger<std::uint32_t>(value, 0, std::numeric_limits<std::uint32_t>::max(), options.seed)) {
                return fail("--seed needs an integer from 0 to 4294967295, not '" + std::string(value) + "'");
            }
        } else if (option == "--re") {
            if (!parseInteger(value, 1, std::numeric_limits<int>::max(), options.reynolds)) {
                return fail("--re needs a positive integer, not '" + std::string(value) + "'");
            }
        } else if (option == "--steps") {
            if (!parseInteger<long long>(value, 0, std::numeric_limits<long long>::max(), options.steps)) {
                return fail("--steps needs a non-negative integer, not '" + std::string(value) + "'");
            }
        } else if (option == "--every") {
            if (!parseInteger<long long>(value, 1, std::numeric_limits<long long>::max(), options.every)) {
                return fail("--every needs a positive integer, not '" + std::string(value) + "'");
            }
        } else if (option == "--picture") {
            if (value == "vorticity") {
                options.picture = DisplayMode::vorticity;
            } else if (value == "speed") {
                options.picture = DisplayMode::speed;
            } else {
                return fail("--picture needs vorticity or speed, not '" + std::string(value) + "'");
            }
        } else if (option == "--frames") {
            options.framesFolder = std::string(value);
        } else if (option == "--diagnostics") {
            options.diagnosticsPath = std::string(value);
        } else if (option == "--save-state") {
            options.saveStatePath = std::string(value);
        } else {
            options.saveVorticityPath = std::string(value);
        }
    }
    if (inputSources > 1) {
        return fail("give at most one of --input, --preset and --state");
    }
    return parsed;
}

}  // namespace swirlon::batch
