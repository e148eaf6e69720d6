// SPDX-License-Identifier: GPL-3.0-or-later
// What a movie frame costs to encode in each format, at the window's usual picture (384 pixels a
// side) and at 512: the shear layer's picture of a late frame, as --movie writes it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "field_io/colour_scale.h"
#include "field_io/movie_writer.h"
#include "field_io/presets.h"
#include "solver/simulation.h"

namespace swirlon {
namespace {

constexpr int ShearFrames = 300;
// Successive pictures five frames apart, taken in turn: an encoder given one picture over and
// over would only mark it unchanged.
constexpr int Pictures = 16;
constexpr int FramesApart = 5;

// The picture of the state enlarged to cover side pixels, cut to side x side from the top left.
StretchedPicture pictureOf(const Simulation& simulation, int side) {
    PictureBuffer buffer;
    renderPicture(simulation, fixedScale(DisplayMode::vorticity), buffer);
    const int grid = simulation.grid().size();
    const int zoom = (side + grid - 1) / grid;
    StretchedPicture stretched;
    stretchPicture(buffer, grid, zoom, stretched);
    StretchedPicture picture;
    for (int y = 0; y < side; ++y) {
        const auto row = stretched.begin() + static_cast<std::ptrdiff_t>(y) * grid * zoom * 3;
        picture.insert(picture.end(), row, row + static_cast<std::ptrdiff_t>(side) * 3);
    }
    return picture;
}

// The shear layer rolling up, from frame ShearFrames on.
const std::vector<StretchedPicture>& shearPictures(int side) {
    static std::map<int, std::vector<StretchedPicture>> made;
    std::vector<StretchedPicture>& pictures = made[side];
    if (pictures.empty()) {
        Simulation simulation(1000);
        PackedSpectrum start(simulation.grid());
        findPreset("shear-layer")->build(start, 1);
        simulation.setState(start);
        for (int frame = 0; frame < ShearFrames + Pictures * FramesApart; ++frame) {
            simulation.advanceFrame();
            if (frame >= ShearFrames && (frame - ShearFrames) % FramesApart == 0) {
                pictures.push_back(pictureOf(simulation, side));
            }
        }
    }
    return pictures;
}

void encodeFrames(benchmark::State& state, const char* extension) {
    const int side = static_cast<int>(state.range(0));
    const std::vector<StretchedPicture>& pictures = shearPictures(side);
    const std::string path = (std::filesystem::temp_directory_path() / "swirlon-movie-bench").string() + extension;
    MovieWriter writer;
    if (writer.open(path, {side, side, 30.0})) {
        state.SkipWithError("cannot open the movie");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        if (writer.addFrame(pictures[next++ % pictures.size()])) {
            state.SkipWithError("cannot encode");
            break;
        }
    }
    // The frames the encoder still holds are part of the cost.
    static_cast<void>(writer.finish());
    std::filesystem::remove(path);
}

BENCHMARK_CAPTURE(encodeFrames, mp4, ".mp4")->Arg(384)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeFrames, webm, ".webm")->Arg(384)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeFrames, gif, ".gif")->Arg(384)->Arg(512)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace swirlon
