// SPDX-License-Identifier: GPL-3.0-or-later
// The `swirlon` Python module: Simulation and its constructors, stepping, arrays, pictures and
// files. The wording of the docstrings is what help(swirlon) shows.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <utility>

#include "field_io/diagnostics_csv.h"
#include "field_io/presets.h"
#include "python/picture_choice.h"
#include "python/python_errors.h"
#include "python/python_run.h"
#include "python/run_choices.h"
#include "session/run_start.h"
#include "solver/stable_frame.h"
#include "swirlon_version.h"

namespace py = pybind11;
using swirlon::python::ChoiceArguments;
using swirlon::python::PythonRun;

namespace {

constexpr const char* ModuleDoc = R"(Two-dimensional incompressible viscous flow in a doubly periodic box.

The same pseudo-spectral solver as the Swirlon window and swirlon-batch: a run started, stepped
and saved here gives bit for bit the vorticity, diagnostics and state files swirlon-batch
gives for the same choices. Fields are numpy float64 arrays indexed [y, x] (row y, column x,
as .npy files hold them), always fresh copies.

    import swirlon
    sim = swirlon.Simulation.from_preset("mcwilliams", seed=3, grid=256)
    sim.run(until=5.0)
    print(sim.diagnostics()["energy"])
)";

constexpr const char* ChoicesDoc = R"(
Settings and terms, each None to take the start field's own (a saved state's, a preset's) or
else the default, as swirlon-batch's options of the same names do:
  grid             points per side, 64, 128, 256 or 512 (default: a saved state's or the
                   array's, else 128); another grid's field is moved onto it by its band
  re               Reynolds number, a positive integer (default 1000)
  filter           damp the smallest scales after every sub-step (default False)
  stability_limit  largest stability number of a sub-step, 0 < x <= 2.8 (default 2.0)
  seed             seed of the random preset mcwilliams and of the ring forcing (default 1)
  threads          threads sharing each step, 1 to 8 (default: what runs best on the grid)
  forcing          'none', 'stripes' (A k cos(k y)) or 'ring' (white noise on k-1..k+1)
  forcing_wavenumber  k of the forcing, 1 to 20 (default 4)
  forcing_amplitude   A of the stripes, above 0 (default 1)
  injection_rate      mean energy injection rate of the ring, above 0 (default 0.1)
  drag             large-scale drag -mu omega, mu >= 0 (default 0)
  hyperviscosity   -nu_h (-laplacian)^p omega, nu_h >= 0 (default 0)
  hyper_order      order p of the hyperviscosity, 1 to 8 (default 2)
Raises ValueError or TypeError for a value out of range or of the wrong kind.)";

std::string withChoices(const char* doc) { return std::string(doc) + ChoicesDoc; }

// The keyword arguments every constructor takes after its own, with None for each.
auto choiceArgs() {
    return std::make_tuple(py::arg("grid") = py::none(), py::arg("re") = py::none(), py::arg("filter") = py::none(),
                           py::arg("stability_limit") = py::none(), py::arg("seed") = py::none(),
                           py::arg("threads") = py::none(), py::arg("forcing") = py::none(),
                           py::arg("forcing_wavenumber") = py::none(), py::arg("forcing_amplitude") = py::none(),
                           py::arg("injection_rate") = py::none(), py::arg("drag") = py::none(),
                           py::arg("hyperviscosity") = py::none(), py::arg("hyper_order") = py::none());
}

// A constructor from its own arguments (none or one) and the choices, as Python calls it.
template <typename... Own, typename Make>
auto withChoiceArguments(Make make) {
    return [make](Own... own, py::object grid, py::object re, py::object filter, py::object stabilityLimit,
                  py::object seed, py::object threads, py::object forcing, py::object forcingWaveNumber,
                  py::object forcingAmplitude, py::object injectionRate, py::object drag, py::object hyperviscosity,
                  py::object hyperOrder) {
        return make(own..., swirlon::python::runChoicesFrom(ChoiceArguments{
                                std::move(grid), std::move(re), std::move(filter), std::move(stabilityLimit),
                                std::move(seed), std::move(threads), std::move(forcing), std::move(forcingWaveNumber),
                                std::move(forcingAmplitude), std::move(injectionRate), std::move(drag),
                                std::move(hyperviscosity), std::move(hyperOrder)}));
    };
}

template <typename Class, typename Function, typename... Extra>
void defineStatic(Class& cls, const char* name, Function function, const std::string& doc, Extra&&... leading) {
    std::apply(
        [&](auto&&... choices) { cls.def_static(name, function, leading..., py::kw_only(), choices..., doc.c_str()); },
        choiceArgs());
}

// run(): frames from the arguments, then steps to each multiple of every, calling back there.
void runFrames(PythonRun& run, const py::object& self, const std::optional<double>& until,
               const std::optional<long long>& frames, long long every, const py::object& callback) {
    if (until.has_value() == frames.has_value()) {
        swirlon::python::raiseValueError("run needs either until or frames");
    }
    if (every < 1) {
        swirlon::python::raiseValueError("every must be at least 1, not " + std::to_string(every));
    }
    if (frames && *frames < 0) {
        swirlon::python::raiseValueError("frames must be at least 0, not " + std::to_string(*frames));
    }
    long long left = until ? run.framesUntil(*until) : *frames;
    while (left > 0) {
        const long long done = run.simulation().framesDone();
        // Frames are counted from the start of the flow, as swirlon-batch's --every counts them.
        const long long chunk = callback.is_none() ? left : std::min(left, every - done % every);
        run.step(chunk);
        left -= chunk;
        if (!callback.is_none() && run.simulation().framesDone() % every == 0) {
            callback(self);
        }
    }
}

}  // namespace

PYBIND11_MODULE(swirlon, module) {
    module.doc() = ModuleDoc;
    module.attr("__version__") = swirlon::SwirlonVersion;
    module.attr("TIME_STEP") = swirlon::TimeStep;
    module.attr("GRID_SIZES") =
        py::cast(std::vector<int>(swirlon::SupportedGridSizes.begin(), swirlon::SupportedGridSizes.end()));
    py::list presetNames;
    for (const swirlon::Preset& preset : swirlon::presets()) {
        presetNames.append(py::str(preset.name.data(), preset.name.size()));
    }
    module.attr("PRESETS") = presetNames;
    module.attr("DIAGNOSTICS_COLUMNS") =
        py::str(swirlon::DiagnosticsCsvHeader.data(), swirlon::DiagnosticsCsvHeader.size()).attr("split")(",");

    py::class_<PythonRun> simulation(module, "Simulation", R"(One run of the flow.

Start one with Simulation(...) (the built-in default field), Simulation.from_preset,
from_vorticity, from_picture or load_state; advance it with step or run; read it through the
properties, arrays, spectrum(), diagnostics() and picture(); save it with save_state.
While run or step works in one thread, the others may run Python but not use this simulation.)");

    simulation.def(
        py::init(withChoiceArguments<>([](const swirlon::RunChoices& choices) {
            return PythonRun::fromPreset(std::string(swirlon::presets().front().name), choices);
        })),
        py::kw_only(), py::arg("grid") = 128, py::arg("re") = 1000, py::arg("filter") = false,
        py::arg("stability_limit") = swirlon::SafeStabilityNumber, py::arg("seed") = py::none(),
        py::arg("threads") = py::none(), py::arg("forcing") = py::none(), py::arg("forcing_wavenumber") = py::none(),
        py::arg("forcing_amplitude") = py::none(), py::arg("injection_rate") = py::none(), py::arg("drag") = 0.0,
        py::arg("hyperviscosity") = py::none(), py::arg("hyper_order") = py::none(),
        withChoices("A run of the built-in field the window starts with, a few vortices of both signs, clock at "
                    "zero; from_preset draws the others.\n")
            .c_str());

    defineStatic(simulation, "from_preset", withChoiceArguments<const std::string&>(&PythonRun::fromPreset),
                 withChoices("A run of the built-in field name (swirlon.PRESETS) drawn with seed; a forced preset "
                             "brings its terms and Reynolds number.\nValueError for an unknown name.\n"),
                 py::arg("name"));
    defineStatic(simulation, "from_vorticity", withChoiceArguments<py::handle>(&PythonRun::fromVorticity),
                 withChoices("A run from grid vorticity: an N x N float64 numpy array of finite values [y, x], N "
                             "one of 64, 128, 256, 512 (the run's grid unless grid names another), as "
                             "swirlon-batch --input FILE.npy.\nTypeError or ValueError for another dtype, shape or "
                             "non-finite values.\n"),
                 py::arg("array"));
    defineStatic(simulation, "from_picture", withChoiceArguments<const std::string&>(&PythonRun::fromPicture),
                 withChoices("A run from a picture whose colours give the vorticity (24-bit BMP, PNG, JPEG, ...), "
                             "made on the run's grid, as swirlon-batch --input.\nFileNotFoundError, OSError or "
                             "ValueError with swirlon-batch's message when it cannot be read.\n"),
                 py::arg("path"));
    defineStatic(simulation, "load_state", withChoiceArguments<const std::string&>(&PythonRun::fromState),
                 withChoices("A saved run (.npz from save_state or swirlon-batch --save-state, or a bare .npy "
                             "spectrum) going on where it stopped: its clock, and its settings and terms for "
                             "those not given, as swirlon-batch --state.\nFileNotFoundError, OSError or "
                             "ValueError with swirlon-batch's message when it cannot be read.\n"),
                 py::arg("path"));

    simulation.def("step", &PythonRun::step, py::arg("frames") = 1,
                   R"(Advances the given number of frames (0.01 of time each).

Python's lock is released while the solver works, so other threads go on; Ctrl+C stops it between
frames with KeyboardInterrupt. FloatingPointError when a frame produces non-finite values (the
state is then as it was before that frame).)");
    simulation.def(
        "run",
        [](py::object self, std::optional<double> until, std::optional<long long> frames, long long every,
           py::object callback) { runFrames(self.cast<PythonRun&>(), self, until, frames, every, callback); },
        py::arg("until") = py::none(), py::arg("frames") = py::none(), py::arg("every") = 1,
        py::arg("callback") = py::none(),
        R"(Advances until the time reaches until (the first frame at or past it), or by frames.

callback(sim), when given, is called after each frame whose number is a multiple of every
(frames counted from the start of the flow, as swirlon-batch's --every counts them). Stepping
releases Python's lock and stops on Ctrl+C as step does; an exception from the callback ends
the run there.)");

    simulation.def_property_readonly(
        "time", [](const PythonRun& run) { return run.simulation().time(); }, "Simulated time: frames x 0.01.");
    simulation.def_property_readonly(
        "frames", [](const PythonRun& run) { return run.simulation().framesDone(); },
        "Frames done since the start of the flow (a loaded state's count included).");
    simulation.def_property_readonly(
        "grid", [](const PythonRun& run) { return run.simulation().grid().size(); }, "Points per side of the grid.");
    simulation.def_property_readonly(
        "re", [](const PythonRun& run) { return run.simulation().reynolds(); }, "The Reynolds number.");
    simulation.def_property_readonly(
        "filter", [](const PythonRun& run) { return run.simulation().frameSettings().filter; },
        "Whether the small-scale filter is on.");
    simulation.def_property_readonly(
        "stability_limit", [](const PythonRun& run) { return run.simulation().frameSettings().stabilityLimit; },
        "The largest stability number of a sub-step.");
    simulation.def_property_readonly(
        "forcing",
        [](const PythonRun& run) { return swirlon::python::forcingName(run.simulation().physics().forcing); },
        "The forcing: 'none', 'stripes' or 'ring'.");

    simulation.def_property_readonly("vorticity", &PythonRun::vorticity,
                                     "Grid vorticity, an N x N float64 array [y, x] (a copy).");
    simulation.def_property_readonly("stream_function", &PythonRun::streamFunction,
                                     "The stream function on the grid, N x N float64 [y, x] (a copy); its mean is 0.");
    simulation.def_property_readonly("velocity", &PythonRun::velocity,
                                     R"((u, v) on the grid, each N x N float64 [y, x] (copies): of the state just set,
or after a frame of its last Runge-Kutta stage, as the speed picture shows them.)");
    simulation.def("spectrum", &PythonRun::spectrum,
                   "(k, energy, enstrophy): shells k = 1.. of |k| rounded, each with its energy and enstrophy, as "
                   "swirlon-batch --spectra writes them.");
    simulation.def("diagnostics", &PythonRun::diagnostics,
                   "The current state's row of swirlon-batch --diagnostics, a dict keyed by the file's column names "
                   "(swirlon.DIAGNOSTICS_COLUMNS): step and sub_steps int, the others float.");
    simulation.def(
        "picture",
        [](const PythonRun& run, const py::object& mode, const py::object& colours, std::optional<int> zoom) {
            return run.picture(swirlon::python::pictureChoiceNamed(mode, colours), zoom);
        },
        py::arg("mode") = "vorticity", py::arg("colours") = py::none(), py::arg("zoom") = py::none(),
        R"(The false-colour picture as swirlon-batch --frames writes it, a uint8 array (H, W, 3) of
red, green, blue, top row first: mode 'vorticity', 'speed' (squared speed) or 'dye' (the dye's
own colours, see the dye property; the vorticity picture while there is none); colours None or
'classic' (the fixed colours the window starts with), 'diverging' or 'sequential', as
swirlon-batch --colours; zoom pixels per grid point, 1 to 16 (default: 6 at 64, 3 at 128, 2 at
256, 1 at 512).)");
    simulation.def_property("dye", &PythonRun::dyeOn, &PythonRun::setDyeOn,
                            R"(Whether the run carries dye: a colour picture moved by the flow every frame. Set True
to start it as the current vorticity picture (as swirlon-batch --picture dye does for a built-in
field), False to drop it. save_state keeps it, and load_state brings back a saved run's dye.)");
    simulation.def("set_vorticity", &PythonRun::setVorticity, py::arg("array"),
                   R"(The state becomes this grid vorticity (N x N float64 [y, x] of finite values on the
run's grid; its mean is dropped, and it is filtered once when the filter is on), the clock
going on. TypeError or ValueError otherwise, the state untouched.)");
    simulation.def("save_state", &PythonRun::saveState, py::arg("path"),
                   R"(Writes the run as swirlon-batch --save-state does: an .npz that load_state, the window
and swirlon-batch --state continue bit for bit (a .npy name gets the bare spectrum). The file
is replaced whole or not at all; OSError with swirlon-batch's message on failure.)");
    simulation.def("__repr__", [](const PythonRun& run) {
        const swirlon::Simulation& flow = run.simulation();
        return "<swirlon.Simulation grid=" + std::to_string(flow.grid().size()) +
               " re=" + std::to_string(flow.reynolds()) + " frames=" + std::to_string(flow.framesDone()) + ">";
    });
}
