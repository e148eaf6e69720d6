// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "field_io/bmp_loader.h"
#include "field_io/diagnostics_csv.h"
#include "field_io/frame_files.h"
#include "field_io/npy.h"
#include "field_io/picture.h"
#include "field_io/png_writer.h"
#include "field_io/presets.h"
#include "field_io/state_file.h"
#include "messages/file_error_text.h"
#include "solver/diagnostics.h"
#include "solver/simulation.h"
#include "solver/spectra.h"
#include "tests/bmp_files.h"
#include "tests/movie_probe.h"
#include "tools/batch_options.h"
#include "tools/batch_run.h"

namespace swirlon::batch {
namespace {

namespace fs = std::filesystem;

struct DiagnosticsRow {
    long long step = 0;
    double time = 0.0, energy = 0.0, enstrophy = 0.0, palinstrophy = 0.0, maxVorticity = 0.0, stabilityNumber = 0.0;
    int subSteps = 0;
    double edgeShare = 0.0, injection = 0.0, viscous = 0.0, hyperviscous = 0.0, drag = 0.0, residual = 0.0,
           filterShare = 0.0;
};

std::vector<std::uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Width and height from a PNG file's header chunk (big-endian, right after the signature).
std::pair<int, int> readPngSize(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readAll(path);
    constexpr std::size_t WidthAt = 16;
    constexpr std::size_t HeightAt = 20;
    if (bytes.size() < HeightAt + 4) {
        return {0, 0};
    }
    const auto bigEndian = [&](std::size_t at) {
        return (bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
    };
    return {bigEndian(WidthAt), bigEndian(HeightAt)};
}

class BatchRun : public ::testing::Test {
  protected:
    // Runs in process and quietly, with a signal pending if one is given; a failed run shows
    // its messages.
    static std::string run(std::vector<std::string> args, int expectedExit = ExitSuccess,
                           const volatile std::sig_atomic_t* signal = nullptr) {
        args.emplace_back("--quiet");
        const std::vector<std::string_view> views(args.begin(), args.end());
        const ParsedCommandLine parsed = parseBatchArguments(views);
        EXPECT_TRUE(parsed.error.empty()) << parsed.error;
        std::ostringstream messages;
        EXPECT_EQ(runBatch(parsed.options, messages, false, signal), expectedExit) << messages.str();
        return messages.str();
    }

    std::string at(std::string_view name) const { return dir.pathOf(name); }

    std::vector<DiagnosticsRow> diagnosticsOf(std::vector<std::string> args) const {
        args.insert(args.end(), {"--diagnostics", at("d.csv")});
        run(args);
        std::ifstream in(at("d.csv"));
        std::string line;
        std::getline(in, line);
        EXPECT_EQ(line, DiagnosticsCsvHeader);
        std::vector<DiagnosticsRow> rows;
        while (std::getline(in, line)) {
            DiagnosticsRow& row = rows.emplace_back();
            int end = 0;
            std::sscanf(line.c_str(), "%lld,%lf,%lf,%lf,%lf,%lf,%lf,%d,%lf,%lf,%lf,%lf,%lf,%lf,%lf%n", &row.step,
                        &row.time, &row.energy, &row.enstrophy, &row.palinstrophy, &row.maxVorticity,
                        &row.stabilityNumber, &row.subSteps, &row.edgeShare, &row.injection, &row.viscous,
                        &row.hyperviscous, &row.drag, &row.residual, &row.filterShare, &end);
            EXPECT_EQ(end, static_cast<int>(line.size())) << "unparsed: " << line;
        }
        return rows;
    }

    std::unique_ptr<PackedSpectrum> field(std::string_view name) const {
        auto result = std::make_unique<PackedSpectrum>(Grid{});
        const auto message = readNpyField(at(name), *result);
        EXPECT_FALSE(message.has_value()) << english::fileErrorText(*message);
        return result;
    }

    // A simulation of the saved state, as the window would hold it.
    std::unique_ptr<Simulation> simulationOf(std::string_view stateName) const {
        auto simulation = std::make_unique<Simulation>(DefaultReynolds);
        simulation->setState(*field(stateName));
        return simulation;
    }

    testing::TempDir dir;
};

// The PNG file of the state's enlarged picture as the window would show it.
std::vector<std::uint8_t> windowPicturePng(const Simulation& simulation, DisplayMode mode) {
    auto picture = std::make_unique<PictureBuffer>();
    auto stretched = std::make_unique<StretchedPicture>();
    renderPicture(simulation, mode, *picture);
    const int size = simulation.grid().size();
    const int scale = defaultPictureScale(simulation.grid());
    stretchPicture(*picture, size, scale, *stretched);
    return encodePng(size * scale, size * scale, *stretched);
}

// Advection neither makes nor destroys energy or enstrophy on the band, so dE/dt = -2 nu Z and
// dZ/dt = -2 nu P. Over one frame of length h, E(n+1) - E(n) = -2 nu times the integral of Z,
// which the trapezoid rule gives to O(h^3) and the trapezoid rule with its end correction
// h^2/12 (dZ/dt(n+1) - dZ/dt(n)), known from P, to O(h^5). Residuals are relative to the
// dissipation, worst over the frames of a run at Re 1000.
struct BudgetResiduals {
    double trapezoid = 0.0;
    double corrected = 0.0;
};

BudgetResiduals energyBudget(const std::vector<DiagnosticsRow>& rows) {
    constexpr double Nu = 1.0 / 1000;
    BudgetResiduals worst;
    for (std::size_t n = 0; n + 1 < rows.size(); ++n) {
        const double rate = (rows[n + 1].energy - rows[n].energy) / TimeStep;
        const double trapezoid = Nu * (rows[n].enstrophy + rows[n + 1].enstrophy);
        const double corrected =
            trapezoid + Nu * Nu * TimeStep * (rows[n + 1].palinstrophy - rows[n].palinstrophy) / 3.0;
        worst.trapezoid = std::max(worst.trapezoid, std::fabs(rate + trapezoid) / trapezoid);
        worst.corrected = std::max(worst.corrected, std::fabs(rate + corrected) / corrected);
    }
    return worst;
}

TEST_F(BatchRun, EnergyIsLostAtTwiceNuTimesEnstrophy) {
    const auto turbulent = diagnosticsOf({"--preset", "mcwilliams", "--seed", "11", "--re", "1000", "--steps", "40"});
    ASSERT_EQ(turbulent.size(), 41u);
    // Measured worst 7e-6 with one RK4 step a frame; RK4 at stability numbers of 1.4 to 1.6 adds
    // damping of its own to whatever the field holds near the band edge.
    constexpr double TurbulentBudgetTolerance = 5e-5;
    EXPECT_LT(energyBudget(turbulent).trapezoid, TurbulentBudgetTolerance);

    // A smooth flow closes the budget to the quadrature error: measured 4e-8 with the trapezoid
    // rule, 3e-11 with its end correction.
    const auto smooth = diagnosticsOf({"--preset", "shear-layer", "--re", "1000", "--steps", "40"});
    ASSERT_EQ(smooth.size(), 41u);
    constexpr double TrapezoidTolerance = 1e-7;
    constexpr double CorrectedTolerance = 1e-9;
    EXPECT_LT(energyBudget(smooth).trapezoid, TrapezoidTolerance);
    EXPECT_LT(energyBudget(smooth).corrected, CorrectedTolerance);
}

// Names and bytes of the pictures in a folder.
std::map<std::string, std::vector<std::uint8_t>> picturesIn(const std::string& folder) {
    std::map<std::string, std::vector<std::uint8_t>> pictures;
    for (const auto& entry : fs::directory_iterator(folder)) {
        pictures[entry.path().filename().string()] = readAll(entry.path().string());
    }
    return pictures;
}

std::string textOf(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readAll(path);
    return {bytes.begin(), bytes.end()};
}

// 12 frames saved and 8 more continued from the file are the 20 frames of one run: the state,
// and with the clock in the file also the rows and pictures (counted from frame 0 of the flow,
// so --every 8 records frame 16, not frame 12 + 8), and the Reynolds number, the terms and the
// forcing's random numbers the run kept.
TEST_F(BatchRun, ContinuedRunsAreOneUninterruptedRun) {
    struct Case {
        std::string state;
        std::string every;
        bool clockCarried;
        // A saved run keeps its sub-steps: 0.5 takes more than the default.
        std::string stabilityLimit;
        std::vector<std::string> terms = {};
    };
    const Case cases[] = {
        {"middle.npz", "4", true, "2"},
        {"middle.npz", "8", true, "0.5"},
        {"middle.npy", "4", false, "2"},
        {"forced.npz",
         "4",
         true,
         "2",
         {"--forcing", "ring", "--injection-rate", "0.5", "--drag", "0.1", "--hyperviscosity", "1e-7"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state + " every " + c.every);
        const std::string folder = at(c.state + c.every);
        fs::create_directory(folder);
        const auto in = [&](const std::string& name) { return folder + "/" + name; };
        const std::string savedAs = c.clockCarried ? "end.npz" : "end.npy";
        std::vector<std::string> first{"--preset",      "mcwilliams",    "--re",
                                       "3000",          "--steps",       "12",
                                       "--every",       c.every,         "--frames",
                                       in("split"),     "--diagnostics", in("first.csv"),
                                       "--save-state",  in(c.state),     "--stability-limit",
                                       c.stabilityLimit};
        first.insert(first.end(), c.terms.begin(), c.terms.end());
        run(first);
        std::vector<std::string> continued{
            "--state",       in(c.state),      "--steps",      "8",
            "--every",       c.every,          "--frames",     in("split"),
            "--diagnostics", in("second.csv"), "--save-state", in("continued-" + savedAs)};
        if (!c.clockCarried) {
            continued.insert(continued.end(), {"--re", "3000"});
        }
        run(continued);
        std::vector<std::string> straight{"--preset",
                                          "mcwilliams",
                                          "--re",
                                          "3000",
                                          "--steps",
                                          "20",
                                          "--every",
                                          c.every,
                                          "--frames",
                                          in("straight"),
                                          "--diagnostics",
                                          in("straight.csv"),
                                          "--save-state",
                                          in("straight-" + savedAs),
                                          "--stability-limit",
                                          c.stabilityLimit};
        straight.insert(straight.end(), c.terms.begin(), c.terms.end());
        run(straight);

        EXPECT_EQ(readAll(in("continued-" + savedAs)), readAll(in("straight-" + savedAs)));
        if (c.clockCarried) {
            const std::string second = textOf(in("second.csv"));
            EXPECT_EQ(textOf(in("first.csv")) + second.substr(second.find('\n') + 1), textOf(in("straight.csv")));
            EXPECT_EQ(picturesIn(in("split")), picturesIn(in("straight")));
        }
    }
    // The filter: given on the command line it holds for the continued run; not given, the
    // continued run keeps the setting it was saved with.
    for (const bool savedWith : {false, true}) {
        for (const bool given : {false, true}) {
            std::vector<std::string> first{"--steps", "1", "--save-state", at("f.npz")};
            if (savedWith) {
                first.emplace_back("--filter");
            }
            run(first);
            std::vector<std::string> next{"--state", at("f.npz"), "--steps", "1", "--save-state", at("g.npz")};
            if (given) {
                next.emplace_back("--filter");
            }
            run(next);
            auto psi = std::make_unique<PackedSpectrum>(Grid{});
            RunClock clock;
            ASSERT_FALSE(readStateFile(at("g.npz"), *psi, clock).has_value());
            EXPECT_EQ(clock.filter, savedWith || given) << savedWith << given;
        }
    }
}

// A run takes the grid of the array it starts from unless --grid names another; a state moved
// onto a finer grid starts as the same field with the same clock; the thread count changes no bit.
TEST_F(BatchRun, GridsComeFromTheInputOrTheOptionAndThreadsChangeNothing) {
    run({"--preset", "vortex-pair", "--grid", "64", "--steps", "0", "--save-vorticity", at("w64.npy"), "--save-state",
         at("s64.npz")});
    EXPECT_EQ(field("w64.npy")->grid().size(), 64);
    run({"--input", at("w64.npy"), "--steps", "1", "--frames", at("f64"), "--save-vorticity", at("after64.npy")});
    EXPECT_EQ(field("after64.npy")->grid().size(), 64) << "an array keeps its own grid";
    EXPECT_EQ(readPngSize(at("f64/frame-000000.png")), std::pair(384, 384)) << "6 pixels a point at 64";

    const std::vector<DiagnosticsRow> coarse = diagnosticsOf({"--state", at("s64.npz"), "--steps", "0"});
    const std::vector<DiagnosticsRow> fine =
        diagnosticsOf({"--state", at("s64.npz"), "--grid", "256", "--steps", "0", "--save-state", at("s256.npz")});
    ASSERT_EQ(coarse.size(), 1u);
    ASSERT_EQ(fine.size(), 1u);
    EXPECT_EQ(fine[0].energy, coarse[0].energy);
    EXPECT_EQ(fine[0].enstrophy, coarse[0].enstrophy);

    for (const char* threads : {"1", "2"}) {
        run({"--state", at("s256.npz"), "--re", "10000", "--steps", "3", "--threads", threads, "--save-state",
             at(std::string("t") + threads + ".npz")});
    }
    EXPECT_EQ(readAll(at("t1.npz")), readAll(at("t2.npz")));
}

TEST_F(BatchRun, StartingStatesAreThoseOfTheWindowsLoaders) {
    testing::BmpPicture picture(32, 32);
    picture.at(10, 12) = {.blue = 0, .green = 64, .red = 255};
    picture.at(20, 5) = {.blue = 200, .green = 30, .red = 0};
    const std::string bmp = dir.write("start.bmp", testing::encodeBmp(picture));
    run({"--input", bmp, "--steps", "0", "--save-state", at("from-bmp.npy")});
    run({"--preset", "shear-layer", "--steps", "0", "--save-state", at("from-preset.npy")});
    auto start = std::make_unique<PackedSpectrum>(Grid{});
    ASSERT_FALSE(loadVorticityBmp(bmp, *start).has_value());
    Simulation window(DefaultReynolds);
    window.setStateFromVorticity(*start);
    EXPECT_EQ(*field("from-bmp.npy"), window.psi());
    ASSERT_TRUE(loadPreset("shear-layer", *start));
    EXPECT_EQ(*field("from-preset.npy"), *start);
    // With the filter on a picture is filtered once as it comes in.
    run({"--input", bmp, "--steps", "0", "--filter", "--save-state", at("filtered.npy")});
    window.setFrameSettings({.filter = true});
    ASSERT_FALSE(loadVorticityBmp(bmp, *start).has_value());
    window.setStateFromVorticity(*start);
    EXPECT_EQ(*field("filtered.npy"), window.psi());
    EXPECT_NE(*field("filtered.npy"), *field("from-bmp.npy"));

    // Saved vorticity passes the forward transform, the Poisson solve and back unchanged but
    // for round-off.
    run({"--preset", "vortex-pair", "--steps", "3", "--save-vorticity", at("first.npy")});
    run({"--input", at("first.npy"), "--steps", "0", "--save-vorticity", at("second.npy")});
    const auto before = field("first.npy");
    const auto after = field("second.npy");
    constexpr double RoundTripTolerance = 1e-12;
    for (int k = 0; k < Grid{}.points(); ++k) {
        ASSERT_NEAR((*before)[k], (*after)[k], RoundTripTolerance) << k;
    }
}

TEST_F(BatchRun, DiagnosticsAndFramesDescribeTheStateEveryKFrames) {
    const auto split = diagnosticsOf({"--steps", "5", "--every", "2", "--stability-limit", "0.1"});
    EXPECT_EQ(split.size(), 3u) << "frames 0, 2 and 4";
    EXPECT_GT(split[1].subSteps, 1) << "a low stability limit splits the frames";
    const auto rows = diagnosticsOf({"--steps", "4", "--every", "2", "--frames", at("frames"), "--save-state",
                                     at("s.npy"), "--save-vorticity", at("w.npy"), "--spectra", at("k.csv")});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].step, 0);
    EXPECT_EQ(rows[0].subSteps, 0);
    EXPECT_EQ(rows[1].step, 2);
    EXPECT_EQ(rows[2].step, 4);
    EXPECT_EQ(rows[2].subSteps, 1) << "the default field starts gently";
    const auto psi = field("s.npy");
    EXPECT_EQ(rows[2].energy, energy(*psi));
    EXPECT_EQ(rows[2].enstrophy, enstrophy(*psi));
    EXPECT_EQ(rows[2].palinstrophy, palinstrophy(*psi));
    const auto omega = field("w.npy");
    const auto [lowest, highest] = std::minmax_element(omega->begin(), omega->end());
    EXPECT_EQ(rows[2].maxVorticity, std::max(-*lowest, *highest));
    EXPECT_EQ(rows[2].edgeShare, edgeEnstrophyShare(*psi));
    // The spectra file: a header, then shells 1..59 of each recorded frame; the last frame's
    // shells hold the state's energy.
    std::ifstream spectra(at("k.csv"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(spectra, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 1 + 3 * largestShell(Grid{}));
    EXPECT_EQ(lines[0], SpectraHeader);
    double energySum = 0.0;
    for (int shell = 1; shell <= largestShell(Grid{}); ++shell) {
        long long step = 0;
        int k = 0;
        double shellEnergy = 0.0;
        ASSERT_EQ(
            std::sscanf(lines[2 * largestShell(Grid{}) + shell].c_str(), "%lld,%*f,%d,%lf", &step, &k, &shellEnergy),
            3);
        EXPECT_EQ(std::pair(step, k), std::pair(4LL, shell));
        energySum += shellEnergy;
    }
    EXPECT_NEAR(energySum, rows[2].energy, 1e-13 * rows[2].energy);

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(at("frames"))) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame-000000.png", "frame-000002.png", "frame-000004.png"}));
    EXPECT_EQ(frameFileName(42, frameNumberWidth(12345678)), "frame-00000042.png");
    EXPECT_LT(frameFileName(999, frameNumberWidth(1000)), frameFileName(1000, frameNumberWidth(1000)));
    const auto saved = simulationOf("s.npy");
    EXPECT_EQ(readAll(at("frames/frame-000004.png")), windowPicturePng(*saved, DisplayMode::vorticity));
    // An independent reader sees 384x384 pixels, grid element (row 0, column 0) at the bottom left.
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(at("frames/frame-000004.png")), "PNG"));
    EXPECT_EQ(image.size(), QSize(384, 384));
    const Rgb corner = mapVorticityColor(saved->gridVorticity()[0] * 8.0);
    EXPECT_EQ(image.pixel(0, 383), qRgb(corner.red, corner.green, corner.blue));
}

// At Re 10000 the 128 band cannot hold the enstrophy cascade. Without the filter enstrophy piles
// up at the band edge (above 1% from t = 0.25 for the turbulence, t = 6.1 for the shear layer);
// with it the edge stays clean to t = 10, and what shows the grid falling short is the share of
// the loss the filter takes (above a quarter from t = 0.01 and t = 4.4). At Re 1000 the shear
// layer is resolved and its filter stays a small part of the loss. Under the sanitizers, where a
// frame takes some twenty times longer, only the turbulence runs, to t = 1.
TEST_F(BatchRun, TheIndicatorFlagsWhatTheGridCannotHoldWithOrWithoutTheFilter) {
    struct Case {
        std::string preset, reynolds, frames;
        bool unresolved;
    };
#if defined(SWIRLON_SANITIZED_BUILD)
    const Case cases[] = {{"mcwilliams", "10000", "100", true}};
#else
    const Case cases[] = {{"mcwilliams", "10000", "1000", true},
                          {"shear-layer", "10000", "1000", true},
                          {"shear-layer", "1000", "1000", false}};
#endif
    for (const Case& c : cases) {
        for (const bool filter : {true, false}) {
            std::vector<std::string> args{"--preset", c.preset, "--re", c.reynolds, "--steps", c.frames};
            args.insert(args.end(), filter ? 1 : 0, "--filter");
            double largestEdge = 0.0;
            bool flagged = false;
            for (const DiagnosticsRow& row : diagnosticsOf(args)) {
                largestEdge = std::max(largestEdge, row.edgeShare);
                flagged = flagged || isUnderResolved(row.edgeShare, row.filterShare);
            }
            const std::string run = c.preset + " Re " + c.reynolds + (filter ? " filter" : "");
            EXPECT_EQ(flagged, c.unresolved) << run;
            EXPECT_EQ(isUnderResolved(largestEdge), c.unresolved && !filter) << run << ": the edge " << largestEdge;
        }
    }
}

TEST_F(BatchRun, SpeedPictureShowsTheVelocitiesTheFrameLeft) {
    run({"--preset", "vortex-pair", "--steps", "3", "--every", "3", "--picture", "speed", "--frames", at("frames")});
    run({"--preset", "vortex-pair", "--steps", "2", "--save-state", at("before.npy")});
    const auto before = simulationOf("before.npy");
    ASSERT_TRUE(before->advanceFrame().finite);
    EXPECT_EQ(readAll(at("frames/frame-000003.png")), windowPicturePng(*before, DisplayMode::speed));
}

// The progress bar is drawn only on a terminal, so the run is told it has one.
TEST_F(BatchRun, QuietRunsPrintNothingEvenOnATerminalAndLoudOnesShowTheProgress) {
    for (const bool quiet : {true, false}) {
        BatchOptions options;
        options.steps = 3;
        options.quiet = quiet;
        std::ostringstream messages;
        EXPECT_EQ(runBatch(options, messages, true), ExitSuccess);
        EXPECT_EQ(messages.str().empty(), quiet) << messages.str();
        EXPECT_EQ(messages.str().find("3/3 frames") != std::string::npos, !quiet) << messages.str();
    }
}

// The movie holds the pictures --frames writes, every K frames from frame 0, at their size; its
// first frame is the first picture within the codec's loss, exactly for GIF when the colours fit
// its palette (a tabled map has 256).
TEST_F(BatchRun, TheMovieHoldsThePicturesOfTheFramesEveryKFrames) {
    struct Case {
        std::string name;
        double tolerance;
    };
    for (const Case& c : {Case{"m.mp4", 2.0}, Case{"m.webm", 3.0}, Case{"m.gif", 0.0}}) {
        SCOPED_TRACE(c.name);
        const std::string frames = at(c.name + "-frames");
        run({"--preset", "shear-layer", "--steps", "6", "--every", "2", "--colours", "sequential", "--frames", frames,
             "--movie", at(c.name), "--fps", "12.5"});
        const testing::DecodedMovie movie = testing::decodeMovie(at(c.name));
        EXPECT_TRUE(movie.readable);
        EXPECT_EQ(movie.frames, 4);
        ASSERT_EQ(movie.width, 384);
        ASSERT_EQ(movie.height, 384);
        const QImage first = QImage(QString::fromStdString(frames + "/" + frameFileName(0, MinFrameNumberWidth)))
                                 .convertToFormat(QImage::Format_RGB888);
        ASSERT_EQ(first.width(), 384);
        std::vector<std::uint8_t> png;
        for (int y = 0; y < first.height(); ++y) {
            png.insert(png.end(), first.constScanLine(y), first.constScanLine(y) + first.width() * 3);
        }
        EXPECT_LE(testing::meanChannelDifference(movie.firstFrame, png), c.tolerance);
    }
}

TEST_F(BatchRun, FailedRunsNameTheCauseAndLeaveNoOutputBehind) {
    // Two modes of different wave numbers interact; at this size their product overflows.
    constexpr double Overwhelming = 1e150;
    auto huge = std::make_unique<PackedSpectrum>(Grid{});
    huge->fill(0.0);
    (*huge)[Grid{}.entryIndex(1, 2)] = Overwhelming;
    (*huge)[Grid{}.entryIndex(3, 1)] = Overwhelming;
    ASSERT_FALSE(writeNpyField(at("huge.npy"), *huge).has_value());
    const std::string blocked = at("no-such-folder/d.csv");
    const std::string taken = dir.write("taken", {1, 2, 3});
    fs::create_directory(at("out"));
    const std::string csv = at("out/d.csv");
    const std::string frames = at("out/frames");
    // A signal that arrives during the last frame still ends the run without its outputs.
    const volatile std::sig_atomic_t interrupted = SIGINT;
    struct Case {
        std::vector<std::string> args;
        std::string expected;
        int exitCode = ExitFailure;
        const volatile std::sig_atomic_t* signal = nullptr;
    };
    const Case cases[] = {
        {{"--state", at("huge.npy"), "--steps", "3", "--diagnostics", csv}, "frame 1 produced non-finite values"},
        {{"--steps", "50", "--diagnostics", blocked, "--frames", frames}, blocked},
        {{"--steps", "1", "--frames", taken, "--diagnostics", csv}, taken},
        {{"--steps", "0", "--diagnostics", csv},
         "stopped by SIGINT after frame 0",
         ExitSignalBase + SIGINT,
         &interrupted},
    };
    for (Case c : cases) {
        c.args.insert(c.args.end(), {"--save-state", at("out/s.npy"), "--save-vorticity", at("out/w.npy"), "--movie",
                                     at("out/m.gif")});
        EXPECT_NE(run(c.args, c.exitCode, c.signal).find(c.expected), std::string::npos) << c.expected;
        // A stopped run keeps its movie so far, a failed one does not.
        if (c.signal != nullptr) {
            EXPECT_EQ(testing::decodeMovie(at("out/m.gif")).frames, 1);
            fs::remove(at("out/m.gif"));
        }
        EXPECT_TRUE(fs::is_empty(at("out"))) << c.expected;
    }
}

}  // namespace
}  // namespace swirlon::batch
