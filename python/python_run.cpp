// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/python_run.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <variant>

#include "field_io/colour_scale.h"
#include "field_io/diagnostics_csv.h"
#include "field_io/image_loader.h"
#include "field_io/picture.h"
#include "field_io/presets.h"
#include "field_io/state_file.h"
#include "messages/file_error_text.h"
#include "python/field_arrays.h"
#include "python/python_errors.h"
#include "qt_io/picture_decoder.h"
#include "solver/fft.h"
#include "solver/operators.h"
#include "solver/spectra.h"

namespace swirlon::python {

namespace py = pybind11;

namespace {

using Clock = std::chrono::steady_clock;

// How often a run stepping with the lock released looks for Ctrl+C: often enough to stop at
// once to the eye, seldom enough to cost nothing and to leave other threads the lock.
constexpr auto SignalCheckInterval = std::chrono::milliseconds(50);

// A time asked for as a whole number of frames (0.29) may come out a rounding above it when
// divided by the frame's length; that much of a frame is taken for none.
constexpr double FrameRounding = 1e-9;

// Holds a flag set for as long as it lives.
class SteppingFlag {
  public:
    explicit SteppingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~SteppingFlag() { flag_ = false; }
    SteppingFlag(const SteppingFlag&) = delete;
    SteppingFlag& operator=(const SteppingFlag&) = delete;

  private:
    bool& flag_;
};

}  // namespace

PythonRun::PythonRun(const RunChoices& choices) : session_(std::make_unique<Session>(DefaultRunReynolds)) {
    Simulation& simulation = session_->simulation();
    simulation.setGrid(chosenGrid(choices));
    simulation.setFrameSettings(chosenFrameSettings(choices));
}

std::unique_ptr<PythonRun> PythonRun::fromPreset(const std::string& name, const RunChoices& choices) {
    const Preset* preset = findPreset(name);
    if (preset == nullptr) {
        raiseValueError(english::unknownPresetText(name));
    }
    std::unique_ptr<PythonRun> run(new PythonRun(choices));
    startFromPreset(run->session_->simulation(), *preset, choices);
    return run;
}

std::unique_ptr<PythonRun> PythonRun::fromVorticity(const py::handle& array, const RunChoices& choices) {
    const std::unique_ptr<PackedSpectrum> vorticity = fieldFromArray(array, "vorticity");
    std::unique_ptr<PythonRun> run(new PythonRun(choices));
    startFromVorticity(run->session_->simulation(), *vorticity, choices);
    return run;
}

std::unique_ptr<PythonRun> PythonRun::fromPicture(const std::string& path, const RunChoices& choices) {
    std::unique_ptr<PythonRun> run(new PythonRun(choices));
    Simulation& simulation = run->session_->simulation();
    // A picture is made on the run's grid.
    auto vorticity = std::make_unique<PackedSpectrum>(simulation.grid());
    if (const auto error = loadVorticityPicture(path, *vorticity, decodePictureWithQt)) {
        raiseFileError(*error);
    }
    startFromVorticity(simulation, *vorticity, choices);
    return run;
}

std::unique_ptr<PythonRun> PythonRun::fromState(const std::string& path, const RunChoices& choices) {
    std::unique_ptr<PythonRun> run(new PythonRun(choices));
    Simulation& simulation = run->session_->simulation();
    auto psi = std::make_unique<PackedSpectrum>(simulation.grid());
    RunClock clock;
    if (const auto error = readStateFile(path, *psi, clock)) {
        raiseFileError(*error);
    }
    continueFromState(simulation, *psi, clock, choices);
    return run;
}

void PythonRun::refuseWhileStepping() const {
    if (stepping_) {
        raiseRuntimeError("the simulation is being stepped in another thread");
    }
}

const Simulation& PythonRun::simulation() const {
    refuseWhileStepping();
    return session_->simulation();
}

Simulation& PythonRun::idleSimulation() {
    refuseWhileStepping();
    return session_->simulation();
}

void PythonRun::step(long long count) {
    if (count < 0) {
        raiseValueError("frames must be at least 0, not " + std::to_string(count));
    }
    Simulation& simulation = idleSimulation();
    std::int64_t divergedFrame = 0;
    bool interrupted = false;
    {
        // Other threads may run while the lock is released, but not use this run.
        const SteppingFlag flag(stepping_);
        const py::gil_scoped_release release;
        Clock::time_point lastCheck = Clock::now();
        for (long long done = 0; done < count && !interrupted; ++done) {
            if (!simulation.advanceFrame().finite) {
                divergedFrame = simulation.framesDone() + 1;
                break;
            }
            if (Clock::now() - lastCheck >= SignalCheckInterval) {
                const py::gil_scoped_acquire acquire;
                interrupted = PyErr_CheckSignals() != 0;
                lastCheck = Clock::now();
            }
        }
    }
    if (interrupted) {
        throw py::error_already_set();
    }
    if (divergedFrame != 0) {
        raiseFloatingPointError("frame " + std::to_string(divergedFrame) +
                                " produced non-finite values; the state is as it was before that frame");
    }
}

long long PythonRun::framesUntil(double until) const {
    const std::int64_t done = simulation().framesDone();
    const double target = std::ceil(until / TimeStep - FrameRounding);
    if (!std::isfinite(until) || target >= static_cast<double>(LLONG_MAX)) {
        raiseValueError("until must be a finite time within reach, not " + std::string(py::repr(py::float_(until))));
    }
    return target > static_cast<double>(done) ? static_cast<long long>(target) - done : 0;
}

py::array_t<double> PythonRun::vorticity() const { return gridArray(simulation().gridVorticity()); }

py::array_t<double> PythonRun::streamFunction() const {
    auto field = std::make_unique<PackedSpectrum>(simulation().grid());
    copyBand(*field, simulation().psi());
    inverseRealFft2d(field->grid().size(), field->data());
    return gridArray(*field);
}

std::tuple<py::array_t<double>, py::array_t<double>> PythonRun::velocity() const {
    return {gridArray(simulation().velocityX()), gridArray(simulation().velocityY())};
}

std::tuple<py::array_t<long long>, py::array_t<double>, py::array_t<double>> PythonRun::spectrum() const {
    const ShellSpectra spectra = shellSpectra(simulation().psi());
    const int shells = largestShell(simulation().grid());
    py::array_t<long long> k(shells);
    py::array_t<double> energy(shells);
    py::array_t<double> enstrophy(shells);
    for (int shell = 1; shell <= shells; ++shell) {
        const auto at = static_cast<std::size_t>(shell);
        k.mutable_at(shell - 1) = shell;
        energy.mutable_at(shell - 1) = spectra.energy[at];
        enstrophy.mutable_at(shell - 1) = spectra.enstrophy[at];
    }
    return {k, energy, enstrophy};
}

py::dict PythonRun::diagnostics() const {
    const DiagnosticsRecord record = recordDiagnostics(simulation());
    const std::vector<std::string_view> columns = diagnosticsCsvColumns();
    const std::vector<DiagnosticsCell> cells = diagnosticsCsvCells(record);
    py::dict row;
    for (std::size_t i = 0; i < columns.size() && i < cells.size(); ++i) {
        const py::str key(columns[i].data(), columns[i].size());
        row[key] = std::visit([](auto value) -> py::object { return py::cast(value); }, cells[i]);
    }
    return row;
}

py::array_t<std::uint8_t> PythonRun::picture(const PictureChoice& choice, std::optional<int> zoom) const {
    const Simulation& flow = simulation();
    if (zoom && (*zoom < 1 || *zoom > MaxPictureScale)) {
        raiseValueError("zoom must be an integer from 1 to " + std::to_string(MaxPictureScale) + ", not " +
                        std::to_string(*zoom));
    }
    const int gridSize = flow.grid().size();
    const int scale = zoom.value_or(defaultPictureScale(flow.grid()));
    PictureBuffer picture;
    StretchedPicture stretched;
    renderPicture(flow, fixedScale(choice.mode, choice.colours), picture);
    stretchPicture(picture, gridSize, scale, stretched);
    const auto side = static_cast<py::ssize_t>(gridSize) * scale;
    py::array_t<std::uint8_t> pixels({side, side, static_cast<py::ssize_t>(PictureBytesPerPixel)});
    std::memcpy(pixels.mutable_data(), stretched.data(), stretched.size());
    return pixels;
}

void PythonRun::setDyeOn(bool on) {
    // A dye already carried (a loaded run's, say) goes on as it is.
    const bool carried = idleSimulation().hasDye();
    if (carried != on) {
        session_->setDyeOn(on);
    }
}

void PythonRun::setVorticity(const py::handle& array) {
    const std::unique_ptr<PackedSpectrum> vorticity = fieldFromArray(array, "vorticity");
    Simulation& flow = idleSimulation();
    if (vorticity->grid() != flow.grid()) {
        const std::string side = std::to_string(flow.grid().size());
        raiseValueError("vorticity: shape must be the run's grid (" + side + ", " + side + "), found (" +
                        std::to_string(vorticity->grid().size()) + ", " + std::to_string(vorticity->grid().size()) +
                        ")");
    }
    const std::int64_t frames = flow.framesDone();
    flow.setStateFromVorticity(*vorticity);
    // The clock goes on from where it stood.
    const auto psi = std::make_unique<PackedSpectrum>(flow.psi());
    flow.setState(*psi, frames);
}

void PythonRun::saveState(const std::string& path) const {
    refuseWhileStepping();
    if (const auto error = session_->saveState(path)) {
        raiseFileError(*error);
    }
}

}  // namespace swirlon::python
