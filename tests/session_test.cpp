// SPDX-License-Identifier: GPL-3.0-or-later
// The session behind the window, without widgets: how a saved run goes on, and the loads,
// saves, built-in fields and resets that replace the state.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "field_io/picture.h"
#include "field_io/presets.h"
#include "field_io/state_file.h"
#include "session/saved_run.h"
#include "session/session.h"
#include "solver/diagnostics.h"
#include "solver/regrid.h"
#include "solver/step_threads.h"
#include "tests/bmp_files.h"

namespace swirlon {
namespace {

bool sameBits(const PackedSpectrum& a, const PackedSpectrum& b) {
    return a.grid() == b.grid() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

bool anyReynolds(int) { return true; }

struct Settings {
    int reynolds;
    bool filter;
    double stabilityLimit;
};

// The one saved-run rule, for the window and swirlon-batch alike: the clock always comes from
// the file; each explicit choice outweighs the file, and otherwise the file's setting holds; a
// bare spectrum keeps the settings in force but runs at the safe stability limit it ran with.
TEST(SavedRun, TheClockComesFromTheFileAndEachExplicitChoiceOutweighsTheFilesSetting) {
    constexpr Settings Before{.reynolds = 1000, .filter = false, .stabilityLimit = 1.0};
    const RunClock npz{.frames = 42, .reynolds = 100, .filter = true, .stabilityLimit = 0.5};
    const RunClock npzAtLimit{.frames = 7, .reynolds = 10000, .filter = false, .stabilityLimit = MaxStabilityLimit};
    const RunClock bare{.frames = 0, .reynolds = 0, .filter = false, .stabilityLimit = SafeStabilityNumber};
    struct Row {
        const char* what;
        RunClock clock;
        ExplicitSettings chosen;
        Settings expected;
    };
    const Row rows[]{
        {"the file's settings", npz, {}, {100, true, 0.5}},
        {"explicit Reynolds number", npz, {.reynolds = 10000}, {10000, true, 0.5}},
        {"explicit filter off", npz, {.filter = false}, {100, false, 0.5}},
        {"explicit filter on a run saved without it", npzAtLimit, {.filter = true}, {10000, true, MaxStabilityLimit}},
        {"saved at the highest limit", npzAtLimit, {}, {10000, false, MaxStabilityLimit}},
        {"explicit limit", npz, {.stabilityLimit = 2.5}, {100, true, 2.5}},
        {"bare spectrum", bare, {}, {1000, false, SafeStabilityNumber}},
        {"bare spectrum, explicit choices",
         bare,
         {.reynolds = 100, .filter = true, .stabilityLimit = 0.7},
         {100, true, 0.7}},
    };
    auto psi = std::make_unique<PackedSpectrum>(Grid{});
    loadDefaultField(*psi);
    for (const Row& row : rows) {
        Simulation run(Before.reynolds);
        run.setFrameSettings({.stabilityLimit = Before.stabilityLimit, .filter = Before.filter});
        continueSavedRun(run, *psi, row.clock, row.chosen);
        EXPECT_EQ(run.reynolds(), row.expected.reynolds) << row.what;
        EXPECT_EQ(run.frameSettings().filter, row.expected.filter) << row.what;
        EXPECT_EQ(run.frameSettings().stabilityLimit, row.expected.stabilityLimit) << row.what;
        EXPECT_EQ(run.framesDone(), row.clock.frames) << row.what;
        EXPECT_TRUE(sameBits(run.psi(), *psi)) << row.what;
        // What a run saves is what it runs with, so a saved run reads back as it was.
        const RunClock saved = savedClockOf(run);
        EXPECT_EQ(saved.frames, row.clock.frames);
        EXPECT_EQ(saved.reynolds, row.expected.reynolds);
        EXPECT_EQ(saved.filter, row.expected.filter);
        EXPECT_EQ(saved.stabilityLimit, row.expected.stabilityLimit);
    }
}

// A reset goes back to whatever last replaced the state: the start-up field, a built-in field,
// a picture or a saved run (with its clock); a failed load or an unknown preset changes nothing.
TEST(Session, ResetReturnsToTheStateLastSetAndAFailedReplacementChangesNothing) {
    testing::TempDir dir;
    testing::BmpPicture spot(16, 16, {.blue = 200, .green = 40, .red = 0});
    spot.at(3, 5) = {.blue = 0, .green = 60, .red = 255};
    const std::string bmpPath = dir.write("spot.bmp", testing::encodeBmp(spot));
    const std::string broken = dir.write("broken.npz", {'P', 'K'});
    enum class Start { startUp, preset, picture, savedRun };
    for (const Start start : {Start::startUp, Start::preset, Start::picture, Start::savedRun}) {
        Session session(1000);
        session.advanceFrame();
        std::int64_t startFrames = 0;
        switch (start) {
        case Start::startUp:
            session.reset();
            break;
        case Start::preset:
            ASSERT_TRUE(session.choosePreset("vortex-pair"));
            break;
        case Start::picture:
            ASSERT_EQ(session.loadPicture(bmpPath, {}), std::nullopt);
            break;
        case Start::savedRun: {
            const std::string saved = dir.pathOf("run.npz");
            session.simulation().setReynolds(100);
            session.simulation().setFrameSettings({.stabilityLimit = 1.5, .filter = true});
            ASSERT_EQ(session.saveState(saved), std::nullopt);
            Session other(1000);
            ASSERT_FALSE(other.loadState(saved, anyReynolds).error);
            EXPECT_EQ(other.simulation().reynolds(), 100);
            EXPECT_EQ(other.simulation().frameSettings().stabilityLimit, 1.5);
            EXPECT_TRUE(sameBits(other.simulation().psi(), session.simulation().psi()));
            ASSERT_FALSE(session.loadState(saved, anyReynolds).error);
            startFrames = 1;
            break;
        }
        }
        const auto expected = std::make_unique<PackedSpectrum>(session.simulation().psi());
        session.advanceFrame();
        session.advanceFrame();
        const auto advanced = std::make_unique<PackedSpectrum>(session.simulation().psi());
        EXPECT_FALSE(session.choosePreset("no-such-field"));
        EXPECT_TRUE(session.loadState(broken, anyReynolds).error.has_value());
        EXPECT_TRUE(session.loadPicture(dir.pathOf("missing.bmp"), {}).has_value());
        EXPECT_TRUE(sameBits(session.simulation().psi(), *advanced)) << static_cast<int>(start);
        session.reset();
        EXPECT_TRUE(sameBits(session.simulation().psi(), *expected)) << static_cast<int>(start);
        EXPECT_EQ(session.simulation().framesDone(), startFrames);
    }
}

// However hard and often the hand stirs and paints, at any Reynolds number and grid, every
// frame after stays finite and the flow no faster than the bound; a move that is no move or
// not a point at all changes nothing, and a reset still returns to the start before the strokes.
TEST(Session, StrokesKeepEveryFrameFiniteAndAResetUndoesThem) {
    constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
    for (const int size : {64, 128}) {
        for (const int reynolds : {100, 1000, 10000}) {
            SCOPED_TRACE(::testing::Message() << size << " " << reynolds);
            Session session(reynolds);
            session.changeGrid(Grid(size));
            session.reset();
            const auto start = std::make_unique<PackedSpectrum>(session.simulation().psi());
            const CellPoint centre{size / 2.0, size / 2.0};
            EXPECT_FALSE(session.stir(centre, centre, DefaultStrokeRadius));
            EXPECT_FALSE(session.paint(centre, {Nan, 0.0}, DefaultStrokeRadius, Session::PaintSign::positive));
            EXPECT_FALSE(session.stir({Nan, 1.0}, centre, Nan));
            EXPECT_TRUE(sameBits(session.simulation().psi(), *start));

            int taken = 0;
            for (int stroke = 0; stroke < 120; ++stroke) {
                const double across = size * (stroke % 2 == 0 ? 0.5 : -0.5);
                const CellPoint to{centre.x + across, centre.y + 0.25 * across};
                taken += session.stir(centre, to, MinStrokeRadius) ? 1 : 0;
                const Session::PaintSign sign =
                    stroke % 3 == 0 ? Session::PaintSign::negative : Session::PaintSign::positive;
                taken += session.paint(centre, to, MaxStrokeRadius, sign) ? 1 : 0;
                EXPECT_LE(session.simulation().lastOutcome().stabilityNumber, MaxStrokedStabilityNumber);
                if (stroke % 20 == 0) {
                    ASSERT_TRUE(session.advanceFrame());
                }
            }
            EXPECT_GT(taken, 0);
            for (int frame = 0; frame < 10; ++frame) {
                ASSERT_TRUE(session.advanceFrame());
            }
            session.reset();
            EXPECT_TRUE(sameBits(session.simulation().psi(), *start));
        }
    }
}

// The dye starts as the loaded picture's own colours, or as the vorticity picture of a built-in
// field or of a state saved without dye; a reset brings that start back; and a run saved with
// its dye goes on in another session bit for bit as the uninterrupted run, dye included.
TEST(Session, TheDyeStartsFromThePicturesColoursAndASavedRunGoesOnWithItBitForBit) {
    testing::TempDir dir;
    testing::BmpPicture halves(16, 16, {.blue = 200, .green = 40, .red = 0});
    for (int row = 0; row < 16; ++row) {
        for (int column = 8; column < 16; ++column) {
            halves.at(row, column) = {.blue = 0, .green = 60, .red = 255};
        }
    }
    const std::string bmpPath = dir.write("halves.bmp", testing::encodeBmp(halves));
    Session session(1000);
    session.setDyeOn(true);
    ASSERT_EQ(session.loadPicture(bmpPath, {}), std::nullopt);
    const Grid& grid = session.simulation().grid();
    const DyeField* dye = session.simulation().dye();
    ASSERT_NE(dye, nullptr);
    for (const auto& [column, red, green, blue] :
         {std::tuple{0, 0.0, 40.0, 200.0}, std::tuple{127, 255.0, 60.0, 0.0}}) {
        const int at = grid.entryIndex(5, column);
        EXPECT_EQ(dye->channel(0)[at], red);
        EXPECT_EQ(dye->channel(1)[at], green);
        EXPECT_EQ(dye->channel(2)[at], blue);
    }
    const DyeField loaded = *dye;
    session.advanceFrame();
    EXPECT_FALSE(*session.simulation().dye() == loaded);
    session.reset();
    EXPECT_TRUE(*session.simulation().dye() == loaded);

    ASSERT_TRUE(session.choosePreset("vortex-pair"));
    EXPECT_TRUE(*session.simulation().dye() == vorticityDye(session.simulation()));
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(session.advanceFrame());
    }
    const std::string saved = dir.pathOf("dyed.npz");
    ASSERT_EQ(session.saveState(saved), std::nullopt);
    Session continued(1000);
    ASSERT_FALSE(continued.loadState(saved, anyReynolds).error);
    ASSERT_TRUE(continued.dyeOn());
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(session.advanceFrame());
        ASSERT_TRUE(continued.advanceFrame());
    }
    EXPECT_TRUE(sameBits(continued.simulation().psi(), session.simulation().psi()));
    EXPECT_TRUE(*continued.simulation().dye() == *session.simulation().dye());

    session.setDyeOn(false);
    EXPECT_FALSE(session.dyeOn());
    const std::string plain = dir.pathOf("plain.npz");
    ASSERT_EQ(session.saveState(plain), std::nullopt);
    ASSERT_FALSE(continued.loadState(plain, anyReynolds).error);
    ASSERT_TRUE(continued.dyeOn());
    EXPECT_TRUE(*continued.simulation().dye() == vorticityDye(continued.simulation()));
}

// Another grid holds the same flow with its clock; a reset returns to the start on the new
// grid; and back on the first grid the run is the one it was, bit for bit.
TEST(Session, ChangingTheGridKeepsTheFlowAndTheClockAndMovesTheStartAlong) {
    Session session(1000);
    session.advanceFrame();
    const PackedSpectrum before = session.simulation().psi();
    const PackedSpectrum start = [] {
        Session fresh(1000);
        return fresh.simulation().psi();
    }();
    session.changeGrid(Grid(256));
    EXPECT_EQ(session.simulation().grid().size(), 256);
    EXPECT_EQ(session.simulation().framesDone(), 1);
    EXPECT_EQ(session.simulation().threads(), defaultStepThreads(Grid(256)));
    EXPECT_EQ(energy(session.simulation().psi()), energy(before));
    session.changeGrid(Grid{});
    EXPECT_TRUE(sameBits(session.simulation().psi(), regridSpectrum(before, Grid{})));
    session.changeGrid(Grid(64));
    session.reset();
    EXPECT_EQ(session.simulation().framesDone(), 0);
    EXPECT_TRUE(sameBits(session.simulation().psi(), regridSpectrum(start, Grid(64))));
}

// A Reynolds number the front end does not accept leaves the session's own, and says so.
TEST(Session, AReynoldsNumberNotAcceptedKeepsTheSessionsAndIsReported) {
    testing::TempDir dir;
    Session saver(1000);
    saver.simulation().setReynolds(1234);
    const std::string path = dir.pathOf("odd.npz");
    ASSERT_EQ(saver.saveState(path), std::nullopt);
    Session session(100);
    const Session::StateLoad loaded = session.loadState(path, [](int reynolds) { return reynolds != 1234; });
    EXPECT_FALSE(loaded.error);
    EXPECT_EQ(loaded.reynoldsRefused, 1234);
    EXPECT_EQ(session.simulation().reynolds(), 100);
}

}  // namespace
}  // namespace swirlon
