#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "field_io/bmp_loader.h"
#include "field_io/npy.h"
#include "field_io/picture.h"
#include "field_io/presets.h"
#include "solver/diagnostics.h"
#include "solver/fft.h"
#include "solver/operators.h"
#include "solver/stable_frame.h"
#include "tests/bmp_files.h"
#include "tests/png_decoding.h"
#include "tools/batch_options.h"
#include "tools/batch_run.h"

namespace swirlon::batch {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = 0;
    std::string messages;
};

RunResult run(std::vector<std::string> args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    const ParsedCommandLine parsed = parseBatchArguments(views);
    EXPECT_TRUE(parsed.error.empty()) << parsed.error;
    std::ostringstream messages;
    const int exitCode = runBatch(parsed.options, messages, false);
    return {exitCode, messages.str()};
}

struct DiagnosticsRow {
    long long step = 0;
    double time = 0.0;
    double energy = 0.0;
    double enstrophy = 0.0;
    double palinstrophy = 0.0;
    double maxVorticity = 0.0;
    double stabilityNumber = 0.0;
    int subSteps = 0;
};

std::vector<DiagnosticsRow> readDiagnostics(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, DiagnosticsHeader);
    std::vector<DiagnosticsRow> rows;
    while (std::getline(in, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream fields(line);
        DiagnosticsRow row;
        fields >> row.step >> row.time >> row.energy >> row.enstrophy >> row.palinstrophy >> row.maxVorticity >>
            row.stabilityNumber >> row.subSteps;
        EXPECT_TRUE(fields && fields.eof()) << line;
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::uint8_t> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::unique_ptr<FieldBank> zeroBank() {
    auto bank = std::make_unique<FieldBank>();
    for (auto& slot : bank->slots) {
        slot.fill(0.0);
    }
    return bank;
}

std::unique_ptr<PackedSpectrum> readField(const fs::path& path) {
    auto field = std::make_unique<PackedSpectrum>();
    const auto message = readNpyField(path.string(), *field);
    EXPECT_FALSE(message.has_value()) << *message;
    return field;
}

// The enlarged picture of the bank as the window would show it, in PNG pixel order.
std::vector<std::uint8_t> windowPicture(FieldBank& bank, DisplayMode mode) {
    auto picture = std::make_unique<PictureBuffer>();
    auto stretched = std::make_unique<StretchedPicture>();
    renderPicture(bank, mode, *picture);
    stretchPicture(*picture, *stretched);
    return {stretched->begin(), stretched->end()};
}

TEST(BatchDecay, TaylorGreenEnergyFallsByTheRungeKuttaFactor) {
    testing::TempDir dir;
    constexpr int Reynolds = 100;
    constexpr int Frames = 1000;
    const fs::path csv = dir.path() / "decay.csv";
    ASSERT_EQ(run({"--preset", "taylor-green", "--re", "100", "--steps", "1000", "--every", "1000", "--diagnostics",
                   csv.string(), "--quiet"})
                  .exitCode,
              ExitSuccess);
    const auto rows = readDiagnostics(csv);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].step, Frames);
    EXPECT_DOUBLE_EQ(rows[1].time, Frames * TimeStep);
    EXPECT_EQ(rows[1].subSteps, 1);

    // psi decays as exp(z) per step with z = -nu K^2 dt, K^2 = 2; RK4 turns exp(z) into its
    // Taylor polynomial R(z), and energy goes as the square of psi.
    const double z = -2.0 * TimeStep / Reynolds;
    const double stepFactor = 1.0 + z + z * z / 2.0 + z * z * z / 6.0 + z * z * z * z / 24.0;
    const double rungeKuttaRatio = std::pow(stepFactor, 2 * Frames);
    const double ratio = rows[1].energy / rows[0].energy;
    constexpr double RoundOffTolerance = 1e-13;
    EXPECT_NEAR(ratio, rungeKuttaRatio, RoundOffTolerance);
    // The local error of RK4 is |z|^5 / 120 per step.
    const double truncationBound = 2.0 * Frames * std::pow(std::fabs(z), 5) / 120.0;
    EXPECT_NEAR(ratio, std::exp(-0.4), RoundOffTolerance + truncationBound);
}

// Advection neither makes nor destroys energy or enstrophy on the band, so dE/dt = -2 nu Z and
// dZ/dt = -2 nu P. Over one frame of length h, E(n+1) - E(n) = -2 nu times the integral of Z,
// which the trapezoid rule gives to O(h^3) and the trapezoid rule with its end correction
// h^2/12 (dZ/dt(n+1) - dZ/dt(n)), known from P, to O(h^5).
struct BudgetResiduals {
    // Largest |(E(n+1) - E(n))/h + 2 nu (integral estimate)/h| relative to the dissipation.
    double trapezoid = 0.0;
    double corrected = 0.0;
};

BudgetResiduals energyBudget(const std::vector<DiagnosticsRow>& rows, int reynolds) {
    const double nu = 1.0 / reynolds;
    BudgetResiduals worst;
    for (std::size_t n = 0; n + 1 < rows.size(); ++n) {
        const DiagnosticsRow& start = rows[n];
        const DiagnosticsRow& end = rows[n + 1];
        const double rate = (end.energy - start.energy) / TimeStep;
        const double trapezoid = nu * (start.enstrophy + end.enstrophy);
        const double corrected = trapezoid + nu * nu * TimeStep * (end.palinstrophy - start.palinstrophy) / 3.0;
        worst.trapezoid = std::max(worst.trapezoid, std::fabs(rate + trapezoid) / trapezoid);
        worst.corrected = std::max(worst.corrected, std::fabs(rate + corrected) / corrected);
    }
    return worst;
}

std::vector<DiagnosticsRow> diagnosticsOfRun(const testing::TempDir& dir, std::vector<std::string> args) {
    const fs::path csv = dir.path() / "budget.csv";
    args.insert(args.end(), {"--diagnostics", csv.string(), "--quiet"});
    EXPECT_EQ(run(args).exitCode, ExitSuccess);
    return readDiagnostics(csv);
}

TEST(BatchEnergyBudget, TurbulenceLosesEnergyAtTwiceNuTimesEnstrophy) {
    testing::TempDir dir;
    const auto rows = diagnosticsOfRun(dir, {"--preset", "mcwilliams", "--seed", "11", "--re", "1000", "--steps", "40"});
    ASSERT_EQ(rows.size(), 41u);
    // Measured worst 2e-4 with one RK4 step a frame: the random field is rough up to the band
    // edge, where RK4 at a stability number of 1.6 adds damping of its own (4e-5 when frames
    // are split in two sub-steps). The quadrature error is far below that.
    constexpr double TurbulentBudgetTolerance = 5e-4;
    EXPECT_LT(energyBudget(rows, 1000).trapezoid, TurbulentBudgetTolerance);
}

TEST(BatchEnergyBudget, SmoothFlowClosesTheBudgetToTheQuadratureError) {
    testing::TempDir dir;
    const auto rows = diagnosticsOfRun(dir, {"--preset", "shear-layer", "--re", "1000", "--steps", "40"});
    ASSERT_EQ(rows.size(), 41u);
    // Measured: 4e-8 with the trapezoid rule, 3e-11 with its end correction.
    constexpr double TrapezoidTolerance = 1e-7;
    constexpr double CorrectedTolerance = 1e-9;
    const BudgetResiduals worst = energyBudget(rows, 1000);
    EXPECT_LT(worst.trapezoid, TrapezoidTolerance);
    EXPECT_LT(worst.corrected, CorrectedTolerance);
}

TEST(BatchRestart, SaveThenContinueEqualsAnUninterruptedRun) {
    testing::TempDir dir;
    const fs::path middle = dir.path() / "middle.npy";
    const fs::path continued = dir.path() / "continued.npy";
    const fs::path straight = dir.path() / "straight.npy";
    ASSERT_EQ(run({"--preset", "mcwilliams", "--steps", "12", "--save-state", middle.string(), "--quiet"}).exitCode,
              ExitSuccess);
    ASSERT_EQ(run({"--state", middle.string(), "--steps", "8", "--save-state", continued.string(), "--quiet"}).exitCode,
              ExitSuccess);
    ASSERT_EQ(run({"--preset", "mcwilliams", "--steps", "20", "--save-state", straight.string(), "--quiet"}).exitCode,
              ExitSuccess);
    EXPECT_EQ(readAll(continued), readAll(straight));
    EXPECT_NE(readAll(middle), readAll(straight));
}

TEST(BatchRestart, ZeroStepsSavesTheLoadedStateExactly) {
    testing::TempDir dir;
    const fs::path state = dir.path() / "state.npy";
    ASSERT_EQ(run({"--preset", "shear-layer", "--steps", "0", "--save-state", state.string(), "--quiet"}).exitCode,
              ExitSuccess);
    auto bank = zeroBank();
    ASSERT_FALSE(loadPreset("shear-layer", *bank).has_value());
    EXPECT_EQ(*readField(state), (*bank)[Slot::psi]);
}

TEST(BatchInput, BmpFilesGoThroughTheWindowsLoader) {
    testing::TempDir dir;
    testing::BmpPicture picture(32, 32);
    picture.at(10, 12) = {.blue = 0, .green = 64, .red = 255};
    picture.at(20, 5) = {.blue = 200, .green = 30, .red = 0};
    const std::string bmp = dir.write("start.bmp", testing::encodeBmp(picture));
    const fs::path state = dir.path() / "state.npy";
    ASSERT_EQ(run({"--input", bmp, "--steps", "0", "--save-state", state.string(), "--quiet"}).exitCode, ExitSuccess);
    auto bank = zeroBank();
    ASSERT_FALSE(loadVorticityBmp(bmp, *bank).has_value());
    EXPECT_EQ(*readField(state), (*bank)[Slot::psi]);
}

TEST(BatchInput, SavedVorticityLoadsBackAsTheSameFlow) {
    testing::TempDir dir;
    const fs::path first = dir.path() / "first.npy";
    const fs::path second = dir.path() / "second.npy";
    ASSERT_EQ(run({"--preset", "vortex-pair", "--steps", "3", "--save-vorticity", first.string(), "--quiet"}).exitCode,
              ExitSuccess);
    ASSERT_EQ(run({"--input", first.string(), "--steps", "0", "--save-vorticity", second.string(), "--quiet"}).exitCode,
              ExitSuccess);
    const auto before = readField(first);
    const auto after = readField(second);
    // A band-limited field passes the forward transform, the Poisson solve and back unchanged
    // but for round-off.
    constexpr double RoundTripTolerance = 1e-12;
    double worst = 0.0;
    for (int k = 0; k < GridPoints; ++k) {
        worst = std::max(worst, std::fabs((*before)[k] - (*after)[k]));
    }
    EXPECT_LT(worst, RoundTripTolerance);
}

TEST(BatchDiagnostics, RowsFollowEveryKAndDescribeTheState) {
    testing::TempDir dir;
    const fs::path csv = dir.path() / "d.csv";
    const fs::path state = dir.path() / "s.npy";
    const fs::path vorticity = dir.path() / "w.npy";
    ASSERT_EQ(run({"--steps", "7", "--every", "3", "--diagnostics", csv.string(), "--save-state", state.string(),
                   "--save-vorticity", vorticity.string(), "--quiet"})
                  .exitCode,
              ExitSuccess);
    const auto rows = readDiagnostics(csv);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].step, 0);
    EXPECT_EQ(rows[0].subSteps, 0);
    EXPECT_EQ(rows[1].step, 3);
    EXPECT_EQ(rows[2].step, 6);
    EXPECT_GE(rows[2].subSteps, 1);

    // The saved state is frame 7; a run of 6 frames ends on the last row.
    const fs::path sixth = dir.path() / "six.npy";
    const fs::path sixthVorticity = dir.path() / "six-w.npy";
    ASSERT_EQ(run({"--steps", "6", "--save-state", sixth.string(), "--save-vorticity", sixthVorticity.string(), "--quiet"})
                  .exitCode,
              ExitSuccess);
    const auto psi = readField(sixth);
    EXPECT_EQ(rows[2].energy, energy(*psi));
    EXPECT_EQ(rows[2].enstrophy, enstrophy(*psi));
    EXPECT_EQ(rows[2].palinstrophy, palinstrophy(*psi));
    const auto omega = readField(sixthVorticity);
    double largest = 0.0;
    for (const double value : *omega) {
        largest = std::max(largest, std::fabs(value));
    }
    EXPECT_EQ(rows[2].maxVorticity, largest);
}

TEST(BatchFrames, PicturesAreNamedInFrameOrderEveryKFrames) {
    testing::TempDir dir;
    const fs::path frames = dir.path() / "frames";
    ASSERT_EQ(run({"--preset", "taylor-green", "--steps", "10", "--every", "5", "--frames", frames.string(), "--quiet"})
                  .exitCode,
              ExitSuccess);
    EXPECT_EQ(namesIn(frames), (std::vector<std::string>{"frame-000000.png", "frame-000005.png", "frame-000010.png"}));
    const testing::DecodedPng png = testing::decodePng(readAll(frames / "frame-000005.png"));
    EXPECT_EQ(png.width, PictureSide);
    EXPECT_EQ(png.height, PictureSide);
}

TEST(BatchFrames, NumbersWidenForLongRunsSoNamesStillSort) {
    EXPECT_EQ(frameFileName(42, frameNumberWidth(1000)), "frame-000042.png");
    EXPECT_EQ(frameFileName(42, frameNumberWidth(12345678)), "frame-00000042.png");
    EXPECT_LT(frameFileName(999, frameNumberWidth(1000)), frameFileName(1000, frameNumberWidth(1000)));
}

TEST(BatchFrames, VorticityPictureIsTheWindowsPictureOfTheState) {
    testing::TempDir dir;
    const fs::path frames = dir.path() / "frames";
    const fs::path state = dir.path() / "s.npy";
    ASSERT_EQ(run({"--steps", "4", "--every", "4", "--frames", frames.string(), "--save-state", state.string(), "--quiet"})
                  .exitCode,
              ExitSuccess);
    auto bank = zeroBank();
    (*bank)[Slot::psi] = *readField(state);
    const std::vector<std::uint8_t> expected = windowPicture(*bank, DisplayMode::vorticity);
    const testing::DecodedPng png = testing::decodePng(readAll(frames / "frame-000004.png"));
    EXPECT_EQ(png.rgb, expected);
    // One pixel by hand: grid element (row 0, column 0) is drawn at the bottom-left corner.
    const Rgb corner = mapVorticityColor((*bank)[Slot::psiBase][0] * 8.0);
    const std::size_t bottomLeft = static_cast<std::size_t>(PictureSide - 1) * PictureSide * 3;
    EXPECT_EQ(png.rgb[bottomLeft], corner.red);
    EXPECT_EQ(png.rgb[bottomLeft + 1], corner.green);
    EXPECT_EQ(png.rgb[bottomLeft + 2], corner.blue);
}

TEST(BatchFrames, SpeedPictureShowsTheVelocitiesTheFrameLeft) {
    testing::TempDir dir;
    const fs::path frames = dir.path() / "frames";
    const fs::path before = dir.path() / "before.npy";
    ASSERT_EQ(run({"--preset", "vortex-pair", "--steps", "3", "--every", "3", "--picture", "speed", "--frames",
                   frames.string(), "--quiet"})
                  .exitCode,
              ExitSuccess);
    ASSERT_EQ(run({"--preset", "vortex-pair", "--steps", "2", "--save-state", before.string(), "--quiet"}).exitCode,
              ExitSuccess);
    auto bank = zeroBank();
    (*bank)[Slot::psi] = *readField(before);
    auto rollback = std::make_unique<PackedSpectrum>();
    ASSERT_TRUE(advanceFrame(*bank, DefaultReynolds, *rollback).finite);
    const testing::DecodedPng png = testing::decodePng(readAll(frames / "frame-000003.png"));
    EXPECT_EQ(png.rgb, windowPicture(*bank, DisplayMode::speed));
}

TEST(BatchMessages, QuietRunsPrintNothingAndOthersASummary) {
    testing::TempDir dir;
    EXPECT_EQ(run({"--steps", "2", "--quiet"}).messages, "");
    const RunResult loud = run({"--steps", "2"});
    EXPECT_EQ(loud.exitCode, ExitSuccess);
    EXPECT_NE(loud.messages.find("2 frames"), std::string::npos) << loud.messages;
}

TEST(BatchFailures, MissingInputFailsWithThePathAndWritesNothing) {
    testing::TempDir dir;
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    for (const char* name : {"absent.bmp", "absent.npy"}) {
        const std::string missing = (dir.path() / name).string();
        const RunResult result = run({"--input", missing, "--frames", (out / "frames").string(), "--diagnostics",
                                      (out / "d.csv").string(), "--save-state", (out / "s.npy").string(), "--quiet"});
        EXPECT_EQ(result.exitCode, ExitFailure);
        EXPECT_NE(result.messages.find(missing), std::string::npos) << result.messages;
        EXPECT_TRUE(fs::is_empty(out)) << name;
    }
}

TEST(BatchFailures, WrongNpyShapeOrDtypeIsRefusedWithItsReason) {
    testing::TempDir dir;
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    std::vector<std::uint8_t> wrongDtype = encodeNpyField(PackedSpectrum{});
    const std::string header(wrongDtype.begin(), wrongDtype.begin() + 64);
    const std::size_t dtypeAt = header.find("<f8");
    ASSERT_NE(dtypeAt, std::string::npos);
    wrongDtype[dtypeAt + 2] = '4';
    const std::string dtypePath = dir.write("f4.npy", wrongDtype);
    std::vector<std::uint8_t> wrongShape = encodeNpyField(PackedSpectrum{});
    const std::size_t shapeAt = header.find("(128, 128)");
    wrongShape[shapeAt + 1] = '2';  // (228, 128)
    const std::string shapePath = dir.write("shape.npy", wrongShape);

    for (const auto& [path, reason] : {std::pair{dtypePath, std::string("dtype")}, std::pair{shapePath, std::string("shape")}}) {
        const RunResult asInput = run({"--input", path, "--diagnostics", (out / "d.csv").string(), "--quiet"});
        EXPECT_EQ(asInput.exitCode, ExitFailure);
        EXPECT_NE(asInput.messages.find(reason), std::string::npos) << asInput.messages;
        EXPECT_NE(asInput.messages.find(path), std::string::npos) << asInput.messages;
        const RunResult asState = run({"--state", path, "--save-state", (out / "s.npy").string(), "--quiet"});
        EXPECT_EQ(asState.exitCode, ExitFailure);
        EXPECT_TRUE(fs::is_empty(out));
    }
}

TEST(BatchFailures, UnwritableOutputFailsBeforeAnyFrameAndLeavesNothing) {
    testing::TempDir dir;
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    const std::string blocked = (dir.path() / "no-such-folder" / "d.csv").string();
    const RunResult result = run({"--steps", "50", "--diagnostics", blocked, "--save-state", (out / "s.npy").string(),
                                  "--frames", (out / "frames").string(), "--quiet"});
    EXPECT_EQ(result.exitCode, ExitFailure);
    EXPECT_NE(result.messages.find(blocked), std::string::npos) << result.messages;
    EXPECT_TRUE(fs::is_empty(out));
}

TEST(BatchFailures, RunThatOverflowsStopsWithAMessageAndSavesNothing) {
    testing::TempDir dir;
    // Two modes of different wave numbers interact; at this size their product overflows.
    constexpr double Overwhelming = 1e150;
    auto state = std::make_unique<PackedSpectrum>();
    state->fill(0.0);
    (*state)[entryIndex(1, 2)] = Overwhelming;
    (*state)[entryIndex(3, 1)] = Overwhelming;
    const std::string statePath = (dir.path() / "huge.npy").string();
    ASSERT_FALSE(writeNpyField(statePath, *state).has_value());
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    const RunResult result = run({"--state", statePath, "--steps", "3", "--diagnostics", (out / "d.csv").string(),
                                  "--save-state", (out / "s.npy").string(), "--quiet"});
    EXPECT_EQ(result.exitCode, ExitFailure);
    EXPECT_NE(result.messages.find("frame 1 produced non-finite values"), std::string::npos) << result.messages;
    EXPECT_TRUE(fs::is_empty(out));
}

TEST(BatchFailures, FramesFolderThatIsAFileIsRefused) {
    testing::TempDir dir;
    const std::string file = dir.write("taken", {1, 2, 3});
    const RunResult result = run({"--steps", "1", "--frames", file, "--quiet"});
    EXPECT_EQ(result.exitCode, ExitFailure);
    EXPECT_NE(result.messages.find(file), std::string::npos) << result.messages;
}

}  // namespace
}  // namespace swirlon::batch
