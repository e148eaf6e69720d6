// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "field_io/npy.h"
#include "field_io/state_file.h"
#include "field_io/zip_archive.h"
#include "tests/bmp_files.h"

namespace swirlon {
namespace {

// Distinct values everywhere but the mean entry, which every state holds at zero.
std::unique_ptr<PackedSpectrum> sampleState() {
    auto psi = std::make_unique<PackedSpectrum>(Grid{});
    for (int k = 0; k < Grid{}.points(); ++k) {
        (*psi)[k] = 1e-3 * (k % 97) - 0.01 * (k % 13) + 1e-9 * k;
    }
    (*psi)[0] = 0.0;
    return psi;
}

bool sameBits(const PackedSpectrum& a, const PackedSpectrum& b) {
    return a.grid() == b.grid() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

const RunClock SampleClock{.frames = 1234,
                           .reynolds = 10000,
                           .filter = true,
                           .stabilityLimit = 0.5,
                           .physics = {.forcing = ForcingKind::ring,
                                       .forcingWaveNumber = 6,
                                       .injectionRate = 0.25,
                                       .drag = 0.1,
                                       .hyperviscosity = 1e-7,
                                       .hyperOrder = 3},
                           .noise = {.seed = 0xFEDCBA9876543210ULL, .draws = 98765}};

// Either format gives back the spectrum bit for bit; the .npz also the clock, the bare .npy
// (today's --save-state .npy) the clock at zero. The same state always gives the same bytes.
TEST(StateFile, EachFormatReadsBackItsSpectrumAndTheClockItHolds) {
    const auto psi = sampleState();
    const RunClock noClock{};
    for (const auto& [format, expected] :
         {std::pair(StateFormat::npz, SampleClock), std::pair(StateFormat::bareSpectrum, noClock)}) {
        const std::vector<std::uint8_t> bytes = encodeState(format, *psi, SampleClock);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(encodeState(format, *psi, SampleClock), bytes);
        testing::TempDir dir;
        auto back = std::make_unique<PackedSpectrum>(Grid{});
        RunClock clock{.frames = 5, .reynolds = 7, .filter = true, .stabilityLimit = 1.0};
        const auto error = readStateFile(dir.write("state", bytes), *back, clock);
        ASSERT_FALSE(error.has_value()) << error->detail;
        EXPECT_TRUE(sameBits(*back, *psi));
        EXPECT_EQ(clock.frames, expected.frames);
        EXPECT_EQ(clock.reynolds, expected.reynolds);
        EXPECT_EQ(clock.filter, expected.filter);
        EXPECT_EQ(clock.stabilityLimit, expected.stabilityLimit);
        EXPECT_EQ(clock.physics, expected.physics);
        EXPECT_EQ(clock.noise, expected.noise);
    }
    // The highest stability limit the option takes reads back, as a continued run needs it.
    const RunClock atLimit{.frames = 9, .reynolds = 100, .filter = false, .stabilityLimit = MaxStabilityLimit};
    auto back = std::make_unique<PackedSpectrum>(Grid{});
    RunClock clock;
    ASSERT_FALSE(decodeState(encodeState(StateFormat::npz, *psi, atLimit), *back, clock).has_value());
    EXPECT_EQ(clock.stabilityLimit, MaxStabilityLimit);
    EXPECT_EQ(encodeState(StateFormat::bareSpectrum, *psi, SampleClock), encodeNpyField(*psi));
    EXPECT_EQ(stateFormatFor("dir.npz/state.NPY"), StateFormat::bareSpectrum);
    EXPECT_EQ(stateFormatFor("state.npz"), StateFormat::npz);
}

TEST(StateFile, NumpyLoadsTheNpzMembers) {
#ifndef SWIRLON_NUMPY_PYTHON
    GTEST_SKIP() << "no python3 with numpy";
#else
    testing::TempDir dir;
    const auto psi = sampleState();
    const std::string npz = dir.write("s.npz", encodeState(StateFormat::npz, *psi, SampleClock));
    // numpy saves the spectrum it read as a plain .npy and prints the scalars.
    const std::string script =
        "import numpy as np, sys\n"
        "d = np.load(sys.argv[1])\n"
        "np.save(sys.argv[2], d['psi_spectrum'])\n"
        "print(int(d['frames']), repr(float(d['time'])), int(d['reynolds']), bool(d['filter']),\n"
        "      float(d['stability_limit']))\n";
    const std::string scriptPath = dir.write("load.py", {script.begin(), script.end()});
    const std::string command = std::string(SWIRLON_NUMPY_PYTHON) + " " + scriptPath + " " + npz + " " +
                                dir.pathOf("psi.npy") + " >" + dir.pathOf("out.txt");
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream out(dir.pathOf("out.txt"));
    const std::string printed{std::istreambuf_iterator<char>(out), {}};
    EXPECT_EQ(printed, "1234 12.34 10000 True 0.5\n");
    auto back = std::make_unique<PackedSpectrum>(Grid{});
    ASSERT_FALSE(readNpyField(dir.pathOf("psi.npy"), *back).has_value());
    EXPECT_TRUE(sameBits(*back, *psi));
#endif
}

// The members a good archive holds, by file name, for cases to spoil one at a time.
std::map<std::string, std::vector<std::uint8_t>> goodMembers(const PackedSpectrum& psi) {
    return {{"psi_spectrum.npy", encodeNpyField(psi)},
            {"frames.npy", encodeNpyScalar(std::int64_t{1234})},
            {"time.npy", encodeNpyScalar(12.34)},
            {"reynolds.npy", encodeNpyScalar(std::int64_t{10000})},
            {"filter.npy", encodeNpyScalar(true)},
            {"stability_limit.npy", encodeNpyScalar(0.5)},
            {"forcing.npy", encodeNpyScalar(std::int64_t{1})},
            {"forcing_wavenumber.npy", encodeNpyScalar(std::int64_t{4})},
            {"forcing_amplitude.npy", encodeNpyScalar(2.0)},
            {"injection_rate.npy", encodeNpyScalar(0.1)},
            {"drag.npy", encodeNpyScalar(0.05)},
            {"hyperviscosity.npy", encodeNpyScalar(0.0)},
            {"hyper_order.npy", encodeNpyScalar(std::int64_t{2})},
            {"forcing_seed.npy", encodeNpyScalar(std::int64_t{-3})},
            {"forcing_draws.npy", encodeNpyScalar(std::int64_t{40})}};
}

std::vector<std::uint8_t> zipOf(const std::map<std::string, std::vector<std::uint8_t>>& members) {
    std::vector<ZipMember> list;
    for (const auto& [name, bytes] : members) {
        list.push_back({name, bytes});
    }
    return makeZip(list);
}

TEST(StateFile, FilesThatAreNotStatesAreRefusedByKindAndLeaveTheTargetsAlone) {
    const auto psi = sampleState();
    auto vorticity = sampleState();
    (*vorticity)[0] = 0.75;  // a grid field's value at the origin
    const auto spoiled = [&](const std::string& name, std::vector<std::uint8_t> bytes) {
        auto members = goodMembers(*psi);
        if (bytes.empty()) {
            members.erase(name);
        } else {
            members[name] = bytes;
        }
        return zipOf(members);
    };
    std::vector<std::uint8_t> corrupted = encodeState(StateFormat::npz, *psi, SampleClock);
    corrupted[1000] ^= 0x40;  // inside the spectrum's data, which its checksum covers
    const std::string text = "step,time\n";
    const std::vector<std::uint8_t> bare = encodeNpyField(*psi);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        FileErrorKind kind;
        std::string detail;
    };
    const Case cases[] = {
        {"grid vorticity", encodeNpyField(*vorticity), FileErrorKind::stateNotAState, ""},
        {"text", {text.begin(), text.end()}, FileErrorKind::stateNotAState, ""},
        {"bare spectrum cut short", {bare.begin(), bare.begin() + 1000}, FileErrorKind::npyWrongDataSize, "872"},
        {"no spectrum", spoiled("psi_spectrum.npy", {}), FileErrorKind::stateNotAState, "psi_spectrum"},
        {"no frames", spoiled("frames.npy", {}), FileErrorKind::stateNotAState, "frames"},
        {"negative frames", spoiled("frames.npy", encodeNpyScalar(std::int64_t{-1})), FileErrorKind::stateNotAState,
         "frames"},
        {"frames as float", spoiled("frames.npy", encodeNpyScalar(1234.0)), FileErrorKind::stateNotAState, "frames"},
        {"time off the clock", spoiled("time.npy", encodeNpyScalar(12.35)), FileErrorKind::stateNotAState, "time"},
        {"zero reynolds", spoiled("reynolds.npy", encodeNpyScalar(std::int64_t{0})), FileErrorKind::stateNotAState,
         "reynolds"},
        {"filter not bool", spoiled("filter.npy", encodeNpyScalar(std::int64_t{1})), FileErrorKind::stateNotAState,
         "filter"},
        {"zero stability limit", spoiled("stability_limit.npy", encodeNpyScalar(0.0)), FileErrorKind::stateNotAState,
         "stability_limit"},
        {"stability limit past the largest", spoiled("stability_limit.npy", encodeNpyScalar(2.9)),
         FileErrorKind::stateNotAState, "stability_limit"},
        // A member that is there but unreadable is refused, not taken for one from before it existed.
        {"filter damaged", spoiled("filter.npy", {0x93, 'N', 'U', 'M'}), FileErrorKind::stateNotAState, "filter"},
        {"stability limit damaged", spoiled("stability_limit.npy", {0x93, 'N', 'U', 'M'}),
         FileErrorKind::stateNotAState, "stability_limit"},
        // A forced run's terms are all there and in range, or the file is no state: read as a
        // plain run it would go on as another flow.
        {"no forcing kind", spoiled("forcing.npy", {}), FileErrorKind::stateNotAState, "forcing"},
        {"no drag", spoiled("drag.npy", {}), FileErrorKind::stateNotAState, "drag"},
        {"unknown forcing", spoiled("forcing.npy", encodeNpyScalar(std::int64_t{3})), FileErrorKind::stateNotAState,
         "forcing"},
        {"forcing outside the band", spoiled("forcing_wavenumber.npy", encodeNpyScalar(std::int64_t{21})),
         FileErrorKind::stateNotAState, "forcing_wavenumber"},
        {"non-finite amplitude", spoiled("forcing_amplitude.npy", encodeNpyScalar(std::nan(""))),
         FileErrorKind::stateNotAState, "forcing_amplitude"},
        {"zero injection", spoiled("injection_rate.npy", encodeNpyScalar(0.0)), FileErrorKind::stateNotAState,
         "injection_rate"},
        {"negative drag", spoiled("drag.npy", encodeNpyScalar(-0.1)), FileErrorKind::stateNotAState, "drag"},
        {"hyper-order 0", spoiled("hyper_order.npy", encodeNpyScalar(std::int64_t{0})), FileErrorKind::stateNotAState,
         "hyper_order"},
        {"draws negative", spoiled("forcing_draws.npy", encodeNpyScalar(std::int64_t{-1})),
         FileErrorKind::stateNotAState, "forcing_draws"},
        {"corrupted", corrupted, FileErrorKind::stateDamaged, "psi_spectrum"},
        {"cut short", {corrupted.begin(), corrupted.begin() + 3000}, FileErrorKind::stateNotAState, ""},
    };
    for (const Case& c : cases) {
        auto out = std::make_unique<PackedSpectrum>(Grid{});
        out->fill(-7.0);
        RunClock clock{.frames = 5};
        const auto error = decodeState(c.bytes, *out, clock);
        ASSERT_TRUE(error.has_value()) << c.name;
        EXPECT_EQ(error->kind, c.kind) << c.name;
        EXPECT_EQ(error->detail, c.detail) << c.name;
        EXPECT_EQ((*out)[1], -7.0) << c.name;
        EXPECT_EQ(clock.frames, 5) << c.name;
    }
    // Archives from before the filter or the stability limit existed ran unfiltered at the safe limit.
    struct Later {
        const char* member;
        bool filter;
        double stabilityLimit;
    };
    for (const Later& later :
         {Later{"filter.npy", false, 0.5}, Later{"stability_limit.npy", true, SafeStabilityNumber}}) {
        auto out = std::make_unique<PackedSpectrum>(Grid{});
        RunClock clock{.filter = !later.filter, .stabilityLimit = 1.0};
        ASSERT_FALSE(decodeState(spoiled(later.member, {}), *out, clock).has_value()) << later.member;
        EXPECT_EQ(clock.filter, later.filter) << later.member;
        EXPECT_EQ(clock.stabilityLimit, later.stabilityLimit) << later.member;
    }
    // Archives from before the forcing existed, or of plain runs, ran the plain equation.
    auto members = goodMembers(*psi);
    for (const char* name :
         {"forcing.npy", "forcing_wavenumber.npy", "forcing_amplitude.npy", "injection_rate.npy", "drag.npy",
          "hyperviscosity.npy", "hyper_order.npy", "forcing_seed.npy", "forcing_draws.npy"}) {
        members.erase(name);
    }
    auto out = std::make_unique<PackedSpectrum>(Grid{});
    RunClock clock{.physics = SampleClock.physics, .noise = SampleClock.noise};
    ASSERT_FALSE(decodeState(zipOf(members), *out, clock).has_value());
    EXPECT_EQ(clock.physics, PhysicsParams{});
    EXPECT_EQ(clock.noise, ForcingNoise{});
}

}  // namespace
}  // namespace swirlon
