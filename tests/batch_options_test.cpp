// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tools/batch_options.h"

namespace swirlon::batch {
namespace {

// One command line: what it must parse to (the defaults changed by expect), or a phrase of the
// refusal it must get.
struct Case {
    std::vector<std::string_view> args;
    void (*expect)(ParsedCommandLine& parsed) = nullptr;
    std::string_view refusal = {};
};

// Each option's values at the edges of what it takes, its separate and its "=" form, and the
// ways each is refused; the runs themselves pass options in their separate form.
const Case Cases[] = {
    {{}, [](ParsedCommandLine&) {}},
    {{"--input", "flow.bmp"},
     [](ParsedCommandLine& p) {
         p.options.inputKind = InputKind::file;
         p.options.input = "flow.bmp";
     }},
    {{"--preset=mcwilliams"}, [](ParsedCommandLine& p) { p.options.input = "mcwilliams"; }},
    {{"--state=run.npy"},
     [](ParsedCommandLine& p) {
         p.options.inputKind = InputKind::state;
         p.options.input = "run.npy";
     }},
    {{"--seed", "0"}, [](ParsedCommandLine& p) { p.options.seed = 0; }},
    {{"--seed=4294967295"}, [](ParsedCommandLine& p) { p.options.seed = 4294967295u; }},
    {{"--re", "1"}, [](ParsedCommandLine& p) { p.options.reynolds = 1; }},
    {{"--re=2147483647"}, [](ParsedCommandLine& p) { p.options.reynolds = 2147483647; }},
    {{"--steps", "0"}, [](ParsedCommandLine& p) { p.options.steps = 0; }},
    {{"--every=7"}, [](ParsedCommandLine& p) { p.options.every = 7; }},
    {{"--picture", "speed"}, [](ParsedCommandLine& p) { p.options.picture = DisplayMode::speed; }},
    {{"--picture", "dye"}, [](ParsedCommandLine& p) { p.options.picture = DisplayMode::dye; }},
    {{"--frames", "out"}, [](ParsedCommandLine& p) { p.options.framesFolder = "out"; }},
    {{"--colours", "diverging"}, [](ParsedCommandLine& p) { p.options.colours = ColourMap::diverging; }},
    {{"--colours=sequential"}, [](ParsedCommandLine& p) { p.options.colours = ColourMap::sequential; }},
    {{"--colours", "classic"}, [](ParsedCommandLine& p) { p.options.colours = ColourMap::classic; }},
    {{"--movie", "m.gif", "--fps=240", "--overlay"},
     [](ParsedCommandLine& p) {
         p.options.moviePath = "m.gif";
         p.options.fps = 240.0;
         p.options.overlay = true;
     }},
    {{"--diagnostics=d.csv"}, [](ParsedCommandLine& p) { p.options.diagnosticsPath = "d.csv"; }},
    {{"--spectra", "k.csv"}, [](ParsedCommandLine& p) { p.options.spectraPath = "k.csv"; }},
    {{"--filter"}, [](ParsedCommandLine& p) { p.options.filter = true; }},
    {{"--stability-limit", "0.05"}, [](ParsedCommandLine& p) { p.options.stabilityLimit = 0.05; }},
    {{"--stability-limit=2.8"}, [](ParsedCommandLine& p) { p.options.stabilityLimit = 2.8; }},
    {{"--grid", "64"}, [](ParsedCommandLine& p) { p.options.grid = 64; }},
    {{"--grid=512"}, [](ParsedCommandLine& p) { p.options.grid = 512; }},
    {{"--threads", "1"}, [](ParsedCommandLine& p) { p.options.threads = 1; }},
    {{"--threads=8"}, [](ParsedCommandLine& p) { p.options.threads = 8; }},
    {{"--zoom", "16"}, [](ParsedCommandLine& p) { p.options.zoom = 16; }},
    {{"--save-state", "s.npy"}, [](ParsedCommandLine& p) { p.options.saveStatePath = "s.npy"; }},
    {{"--save-vorticity", "w.npy"}, [](ParsedCommandLine& p) { p.options.saveVorticityPath = "w.npy"; }},
    {{"--quiet", "--quiet"}, [](ParsedCommandLine& p) { p.options.quiet = true; }},
    {{"--help", "--bogus"}, [](ParsedCommandLine& p) { p.helpRequested = true; }},
    {{"-h"}, [](ParsedCommandLine& p) { p.helpRequested = true; }},
    {{"--version"}, [](ParsedCommandLine& p) { p.versionRequested = true; }},
    {{"--forcing", "ring", "--forcing-wavenumber", "20", "--injection-rate", "0.5"},
     [](ParsedCommandLine& p) {
         p.options.terms.forcing = ForcingKind::ring;
         p.options.terms.forcingWaveNumber = 20;
         p.options.terms.injectionRate = 0.5;
     }},
    {{"--forcing=stripes", "--forcing-amplitude", "2.5", "--forcing-wavenumber=1"},
     [](ParsedCommandLine& p) {
         p.options.terms.forcing = ForcingKind::stripes;
         p.options.terms.forcingAmplitude = 2.5;
         p.options.terms.forcingWaveNumber = 1;
     }},
    {{"--forcing", "none"}, [](ParsedCommandLine& p) { p.options.terms.forcing = ForcingKind::none; }},
    {{"--drag", "0", "--hyperviscosity=1e-8", "--hyper-order", "8"},
     [](ParsedCommandLine& p) {
         p.options.terms.drag = 0.0;
         p.options.terms.hyperviscosity = 1e-8;
         p.options.terms.hyperOrder = 8;
     }},

    {{"--bogus", "--help"}, nullptr, "unknown option '--bogus'"},
    {{"--re", "10", "fast"}, nullptr, "unexpected argument 'fast'"},
    {{"--quiet=yes"}, nullptr, "--quiet takes no value"},
    {{"--steps"}, nullptr, "--steps needs a value"},
    {{"--frames="}, nullptr, "--frames needs a non-empty value"},
    {{"--re", "10", "--re=20"}, nullptr, "--re given twice"},
    {{"--preset", "taylor-green", "--input", "a.bmp"}, nullptr, "at most one of --input, --preset and --state"},
    {{"--state", "a.npy", "--preset", "default"}, nullptr, "at most one of"},
    {{"--preset", "storm"}, nullptr, "unknown preset 'storm'; known presets: default, taylor-green"},
    {{"--seed", "4294967296"}, nullptr, "--seed: needs an integer from 0 to 4294967295"},
    {{"--seed", "-1"}, nullptr, "not '-1'"},
    {{"--re", "0"}, nullptr, "--re: needs a positive integer, not '0'"},
    {{"--grid", "100"}, nullptr, "--grid: needs one of 64, 128, 256, 512, not '100'"},
    {{"--grid", "1024"}, nullptr, "not '1024'"},
    {{"--threads", "0"}, nullptr, "--threads: needs an integer from 1 to 8, not '0'"},
    {{"--zoom", "0"}, nullptr, "--zoom: needs an integer from 1 to 16, not '0'"},
    {{"--re", "1e3"}, nullptr, "not '1e3'"},
    {{"--re", "2147483648"}, nullptr, "--re: needs a positive integer"},
    {{"--steps", "-1"}, nullptr, "--steps: needs a non-negative integer"},
    {{"--steps", "12x"}, nullptr, "not '12x'"},
    {{"--every", "0"}, nullptr, "--every: needs a positive integer"},
    {{"--movie", "m.mp4", "--fps", "0"}, nullptr, "--fps: needs a number above 0 and at most 240, not '0'"},
    {{"--fps", "24"}, nullptr, "--fps needs --movie"},
    {{"--overlay"}, nullptr, "--overlay needs --movie"},
    {{"--colours", "viridis"}, nullptr, "--colours: needs classic, diverging or sequential, not 'viridis'"},
    {{"--picture", "pressure"}, nullptr, "--picture: needs vorticity, speed or dye, not 'pressure'"},
    {{"--stability-limit", "0"}, nullptr, "--stability-limit: needs a number above 0 and at most 2.8, not '0'"},
    {{"--stability-limit", "2.81"}, nullptr, "not '2.81'"},
    {{"--stability-limit", "nan"}, nullptr, "not 'nan'"},
    {{"--stability-limit", "1.5x"}, nullptr, "not '1.5x'"},
    {{"--filter=on"}, nullptr, "--filter takes no value"},
    {{"--forcing", "waves"}, nullptr, "--forcing: needs none, stripes or ring, not 'waves'"},
    {{"--forcing", "ring", "--forcing-wavenumber", "21"},
     nullptr,
     "--forcing-wavenumber: needs an integer from 1 to 20"},
    {{"--forcing", "ring", "--forcing-wavenumber", "0"}, nullptr, "not '0'"},
    {{"--forcing", "stripes", "--forcing-amplitude", "0"},
     nullptr,
     "--forcing-amplitude: needs a finite number above 0, not '0'"},
    {{"--forcing", "ring", "--injection-rate", "inf"}, nullptr, "--injection-rate: needs a finite number above 0"},
    {{"--forcing", "ring", "--injection-rate", "nan"}, nullptr, "not 'nan'"},
    {{"--drag", "-0.1"}, nullptr, "--drag: needs a finite number at least 0, not '-0.1'"},
    {{"--hyperviscosity", "-1e-9"}, nullptr, "--hyperviscosity: needs a finite number at least 0"},
    {{"--hyperviscosity", "1", "--hyper-order", "0"}, nullptr, "--hyper-order: needs an integer from 1 to 8"},
    {{"--forcing-wavenumber", "3"}, nullptr, "--forcing-wavenumber needs --forcing stripes or --forcing ring"},
    {{"--forcing", "none", "--forcing-wavenumber", "3"}, nullptr, "--forcing-wavenumber needs --forcing"},
    {{"--forcing", "ring", "--forcing-amplitude", "1"}, nullptr, "--forcing-amplitude needs --forcing stripes"},
    {{"--forcing", "stripes", "--injection-rate", "0.1"}, nullptr, "--injection-rate needs --forcing ring"},
    {{"--hyper-order", "3"}, nullptr, "--hyper-order needs --hyperviscosity"},
};

TEST(BatchArguments, EachOptionParsesItsWholeRangeAndRefusesTheRestByName) {
    for (const Case& c : Cases) {
        std::string line;
        for (const std::string_view arg : c.args) {
            line += std::string(arg) + ' ';
        }
        SCOPED_TRACE(line);
        const ParsedCommandLine parsed = parseBatchArguments(c.args);
        if (c.expect == nullptr) {
            EXPECT_NE(parsed.error.find(c.refusal), std::string::npos) << parsed.error;
            continue;
        }
        ParsedCommandLine expected;
        c.expect(expected);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.options, expected.options);
        EXPECT_EQ(parsed.helpRequested, expected.helpRequested);
        EXPECT_EQ(parsed.versionRequested, expected.versionRequested);
    }
}

}  // namespace
}  // namespace swirlon::batch
