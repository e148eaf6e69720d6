# SPDX-License-Identifier: GPL-3.0-or-later
"""Arrays in and out: their shapes, types and orientation, that they are the caller's own, and
that bad input is refused with the state left as it was."""
import numpy as np
import pytest

import swirlon


def spectral_derivative(field, axis):
    """d/dx (axis 1) or d/dy (axis 0) of a periodic field on [0, 2 pi)."""
    k = np.fft.fftfreq(field.shape[axis], 1.0 / field.shape[axis])
    k = k[:, None] if axis == 0 else k[None, :]
    return np.real(np.fft.ifft2(1j * k * np.fft.fft2(field)))


@pytest.mark.parametrize("grid", [64, 256])
def test_arrays_are_fresh_float64_copies_indexed_y_x(grid):
    sim = swirlon.Simulation.from_preset("vortex-pair", grid=grid)
    psi = sim.stream_function
    u, v = sim.velocity
    fields = [sim.vorticity, psi, u, v]
    for field in fields:
        assert field.shape == (grid, grid) and field.dtype == np.float64 and field.flags.writeable
    # Orientation [y, x]: u = -dpsi/dy, v = dpsi/dx, omega = dv/dx - du/dy.
    np.testing.assert_allclose(u, -spectral_derivative(psi, 0), atol=1e-10)
    np.testing.assert_allclose(v, spectral_derivative(psi, 1), atol=1e-10)
    np.testing.assert_allclose(fields[0], spectral_derivative(v, 1) - spectral_derivative(u, 0), atol=1e-9)

    before = [field.copy() for field in fields]
    for field in fields:
        field[:] = 7.0
    assert all(np.array_equal(a, b) for a, b in zip([sim.vorticity, sim.stream_function, *sim.velocity], before))
    sim.step()
    assert np.array_equal(fields[0], np.full((grid, grid), 7.0))

    k, energy, enstrophy = sim.spectrum()
    assert k[0] == 1 and len(k) == len(energy) == len(enstrophy)
    assert np.isclose(energy.sum(), sim.diagnostics()["energy"])
    picture = sim.picture(mode="speed", zoom=2)
    assert picture.shape == (2 * grid, 2 * grid, 3) and picture.dtype == np.uint8


def test_set_vorticity_keeps_the_clock_and_from_vorticity_takes_the_array_grid():
    sim = swirlon.Simulation.from_preset("taylor-green", grid=64)
    sim.step(3)
    field = np.ascontiguousarray(swirlon.Simulation.from_preset("mcwilliams", grid=64).vorticity[:, ::-1])
    sim.set_vorticity(field[:, :])
    assert sim.frames == 3
    np.testing.assert_allclose(sim.vorticity, field - field.mean(), atol=1e-12)
    # Strided input reads as the values it shows.
    assert swirlon.Simulation.from_vorticity(np.asfortranarray(field)).vorticity.tobytes() == \
        swirlon.Simulation.from_vorticity(field).vorticity.tobytes()
    assert swirlon.Simulation.from_vorticity(field).grid == 64
    assert swirlon.Simulation.from_vorticity(field, grid=128).grid == 128


def non_finite(grid=128):
    field = np.zeros((grid, grid))
    field[3, 5] = np.nan
    return field


REFUSALS = {
    "wrong shape": (lambda s: s.set_vorticity(np.zeros((128, 64))), ValueError, "shape must be (N, N)"),
    "other grid": (lambda s: s.set_vorticity(np.zeros((64, 64))), ValueError, "the run's grid (128, 128)"),
    "float32": (lambda s: s.set_vorticity(np.zeros((128, 128), np.float32)), TypeError, "float64"),
    "big-endian": (lambda s: s.set_vorticity(np.zeros((128, 128), ">f8")), TypeError, "float64"),
    "list": (lambda s: s.set_vorticity([[0.0] * 128] * 128), TypeError, "numpy array"),
    "non-finite": (lambda s: s.set_vorticity(non_finite()), ValueError, "(row, column) (3, 5)"),
    "non-finite start": (lambda s: swirlon.Simulation.from_vorticity(non_finite(64)), ValueError, "non-finite"),
    "missing picture": (lambda s: swirlon.Simulation.from_picture("/no/such.png"), FileNotFoundError,
                        "cannot read '/no/such.png'"),
    "folder as state": (lambda s: swirlon.Simulation.load_state("/"), IsADirectoryError, "'/'"),
    "unwritable state": (lambda s: s.save_state("/no/such/folder/run.npz"), OSError, "cannot write"),
    "unknown preset": (lambda s: swirlon.Simulation.from_preset("swirl"), ValueError, "known presets: default"),
    "grid": (lambda s: swirlon.Simulation(grid=100), ValueError, "64, 128, 256, 512"),
    "reynolds": (lambda s: swirlon.Simulation(re=0), ValueError, "re must be an integer from 1"),
    "stability limit": (lambda s: swirlon.Simulation(stability_limit=3.0), ValueError, "at most 2.8"),
    "forcing": (lambda s: swirlon.Simulation(forcing="wind"), ValueError, "'stripes' or 'ring'"),
    "drag": (lambda s: swirlon.Simulation(drag=float("inf")), ValueError, "finite number at least 0"),
    "mode": (lambda s: s.picture(mode="smoke"), ValueError, "'vorticity', 'speed' or 'dye'"),
    "colours": (lambda s: s.picture(colours="rainbow"), ValueError, "'diverging' or 'sequential'"),
    "zoom": (lambda s: s.picture(zoom=0), ValueError, "zoom must be an integer from 1 to 16"),
    "run until and frames": (lambda s: s.run(until=1.0, frames=3), ValueError, "either until or frames"),
    "negative step": (lambda s: s.step(-1), ValueError, "at least 0"),
}


@pytest.mark.parametrize("refused", REFUSALS.values(), ids=REFUSALS.keys())
def test_bad_input_is_refused_with_its_message_and_the_state_untouched(refused):
    act, error, words = refused
    sim = swirlon.Simulation()
    sim.step(2)
    before = sim.vorticity.tobytes()
    with pytest.raises(error) as raised:
        act(sim)
    assert words in str(raised.value)
    assert sim.vorticity.tobytes() == before and sim.frames == 2


def test_run_until_stops_at_the_first_frame_at_or_past_the_time():
    sim = swirlon.Simulation(grid=64)
    sim.run(until=0.29)
    assert sim.frames == 29
    sim.run(until=0.1)
    assert sim.frames == 29
