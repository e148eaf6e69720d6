// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the BMP loader: any byte string, written to a file, must load or be refused
// with a message, and a refusal must leave the caller's field exactly as it was.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "field_io/bmp_loader.h"
#include "solver/grid.h"

namespace {

// The field starts with a pattern no load produces, so any stray write shows.
constexpr double SentinelBase = -1234.5;
constexpr double SentinelStep = 0.25;

struct FuzzState {
    std::string path;
    std::unique_ptr<swirlon::PackedSpectrum> vorticity = std::make_unique<swirlon::PackedSpectrum>(swirlon::Grid{});
    std::unique_ptr<swirlon::PackedSpectrum> pristine = std::make_unique<swirlon::PackedSpectrum>(swirlon::Grid{});

    FuzzState() {
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() / ("swirlon-bmp-fuzz-" + std::to_string(getpid()) + ".bmp");
        path = file.string();
        double value = SentinelBase;
        for (double& entry : *pristine) {
            entry = value;
            value += SentinelStep;
        }
        *vorticity = *pristine;
    }
    FuzzState(const FuzzState&) = delete;
    FuzzState& operator=(const FuzzState&) = delete;
    ~FuzzState() { std::remove(path.c_str()); }
};

FuzzState& state() {
    static FuzzState instance;
    return instance;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "bmp loader fuzz: %s\n", what);
    std::abort();
}

bool fieldEquals(const swirlon::PackedSpectrum& a, const swirlon::PackedSpectrum& b) {
    return std::memcmp(a.data(), b.data(), sizeof(swirlon::PackedSpectrum)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzState& fuzz = state();
    std::FILE* file = std::fopen(fuzz.path.c_str(), "wb");
    if (file == nullptr) {
        fail("cannot write the input file");
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) {
        fail("cannot write the input file");
    }

    swirlon::BmpInfoHeaderBytes infoHeader{};
    const auto error = swirlon::loadVorticityBmp(fuzz.path, *fuzz.vorticity, &infoHeader);
    if (error) {
        if (error->path != fuzz.path) {
            fail("a refusal did not name the file");
        }
        if (!fieldEquals(*fuzz.vorticity, *fuzz.pristine)) {
            fail("a refused load changed the field");
        }
        return 0;
    }
    for (const double entry : *fuzz.vorticity) {
        if (!std::isfinite(entry)) {
            fail("a load left a non-finite value in the field");
        }
    }
    *fuzz.vorticity = *fuzz.pristine;
    return 0;
}
