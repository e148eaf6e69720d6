// SPDX-License-Identifier: GPL-3.0-or-later
// The run behind a swirlon.Simulation: a session started by the shared rules of headless runs
// (session/run_start.h), stepped with Python's lock released, read out as numpy arrays.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "python/picture_choice.h"
#include "session/run_start.h"
#include "session/session.h"

namespace swirlon::python {

class PythonRun {
  public:
    // Each start raises the exception its failure calls for; nothing is made then.
    static std::unique_ptr<PythonRun> fromPreset(const std::string& name, const RunChoices& choices);
    static std::unique_ptr<PythonRun> fromVorticity(const pybind11::handle& array, const RunChoices& choices);
    static std::unique_ptr<PythonRun> fromPicture(const std::string& path, const RunChoices& choices);
    static std::unique_ptr<PythonRun> fromState(const std::string& path, const RunChoices& choices);

    // Advances count frames, Python's lock released; raises FloatingPointError when a frame
    // diverges (that frame undone) and KeyboardInterrupt on Ctrl+C, between frames.
    void step(long long count);
    // Frames to reach time until (the first frame at or past it), from the current one.
    long long framesUntil(double until) const;

    // The simulation, refused (RuntimeError) while another thread steps it.
    const Simulation& simulation() const;

    pybind11::array_t<double> vorticity() const;
    pybind11::array_t<double> streamFunction() const;
    std::tuple<pybind11::array_t<double>, pybind11::array_t<double>> velocity() const;
    // Shells k = 1.. with the energy and enstrophy in each.
    std::tuple<pybind11::array_t<long long>, pybind11::array_t<double>, pybind11::array_t<double>> spectrum() const;
    // The diagnostics file's row of the current state, keyed by its column names.
    pybind11::dict diagnostics() const;
    // The picture as swirlon-batch writes it: (side, side, 3) red, green, blue, rows top-down.
    pybind11::array_t<std::uint8_t> picture(const PictureChoice& choice, std::optional<int> zoom) const;

    // The state becomes the stream function of this vorticity, the clock going on.
    void setVorticity(const pybind11::handle& array);
    void saveState(const std::string& path) const;
    // The dye starts as the vorticity picture of the current state (as the window's does for a
    // built-in field), or stops; a run that carries dye moves it every frame.
    void setDyeOn(bool on);
    bool dyeOn() const { return simulation().hasDye(); }

  private:
    explicit PythonRun(const RunChoices& choices);

    void refuseWhileStepping() const;
    Simulation& idleSimulation();

    std::unique_ptr<Session> session_;
    // Set while a thread steps the run with Python's lock released.
    bool stepping_ = false;
};

}  // namespace swirlon::python
