# SPDX-License-Identifier: GPL-3.0-or-later
"""The same run from Python and from swirlon-batch: the same diagnostics, spectra, vorticity,
state file and pictures, bit for bit."""
import matplotlib.image
import numpy as np
import pytest

import swirlon

FRAMES = 12
EVERY = 4

STARTS = {
    "decaying preset": (["--preset", "mcwilliams", "--seed", "3", "--grid", "64"],
                        lambda _: swirlon.Simulation.from_preset("mcwilliams", seed=3, grid=64)),
    "forced preset with terms": (
        ["--preset", "forced-turbulence", "--grid", "64", "--drag", "0.05", "--seed", "7",
         "--stability-limit", "1.5"],
        lambda _: swirlon.Simulation.from_preset("forced-turbulence", grid=64, drag=0.05, seed=7,
                                                 stability_limit=1.5)),
    "picture": (["--input", "{picture}", "--re", "500", "--filter"],
                lambda picture: swirlon.Simulation.from_picture(str(picture), re=500, filter=True)),
}


def cell(value):
    """A diagnostics value as the CSV file writes it."""
    return str(value) if isinstance(value, int) else "%.17g" % value


def png_pixels(path):
    return np.rint(matplotlib.image.imread(path)[:, :, :3] * 255).astype(np.uint8)


@pytest.mark.parametrize("start", STARTS.values(), ids=STARTS.keys())
def test_run_gives_the_batch_files_bit_for_bit(start, batch, picture, tmp_path):
    arguments, make = start
    batch(*[a.format(picture=picture) for a in arguments], "--steps", FRAMES, "--every", EVERY,
          "--diagnostics", tmp_path / "batch.csv", "--spectra", tmp_path / "spectra.csv",
          "--frames", tmp_path / "frames", "--save-state", tmp_path / "batch.npz",
          "--save-vorticity", tmp_path / "batch.npy")

    sim = make(picture)
    rows, spectra, pictures = [], [], {}

    def record(s):
        rows.append(s.diagnostics())
        spectra.extend(",".join(map(cell, (s.frames, s.time, int(k), e, z))) for k, e, z in zip(*s.spectrum()))
        pictures[s.frames] = s.picture()

    record(sim)
    sim.run(frames=FRAMES, every=EVERY, callback=record)
    sim.save_state(str(tmp_path / "python.npz"))

    header, *lines = (tmp_path / "batch.csv").read_text().splitlines()
    assert header.split(",") == swirlon.DIAGNOSTICS_COLUMNS
    assert [list(row) for row in rows] == [swirlon.DIAGNOSTICS_COLUMNS] * len(rows)
    assert [",".join(map(cell, row.values())) for row in rows] == lines
    assert spectra == (tmp_path / "spectra.csv").read_text().splitlines()[1:]
    assert sim.vorticity.tobytes() == np.load(tmp_path / "batch.npy").tobytes()
    assert (tmp_path / "python.npz").read_bytes() == (tmp_path / "batch.npz").read_bytes()
    for frame, pixels in pictures.items():
        np.testing.assert_array_equal(pixels, png_pixels(tmp_path / "frames" / f"frame-{frame:06d}.png"))


def test_state_saved_from_python_goes_on_in_the_batch_as_in_python(batch, tmp_path):
    sim = swirlon.Simulation.from_preset("forced-turbulence", grid=64, seed=5)
    sim.step(7)
    sim.save_state(str(tmp_path / "saved.npz"))
    batch("--state", tmp_path / "saved.npz", "--steps", 9, "--save-vorticity", tmp_path / "batch.npy",
          "--save-state", tmp_path / "batch.npz")

    sim.step(9)
    loaded = swirlon.Simulation.load_state(str(tmp_path / "saved.npz"))
    loaded.step(9)
    loaded.save_state(str(tmp_path / "loaded.npz"))
    batch_vorticity = np.load(tmp_path / "batch.npy").tobytes()
    assert sim.vorticity.tobytes() == batch_vorticity
    assert loaded.vorticity.tobytes() == batch_vorticity
    assert (tmp_path / "loaded.npz").read_bytes() == (tmp_path / "batch.npz").read_bytes()
    assert loaded.frames == 16 and loaded.forcing == "ring"


PICTURES = {
    "dye": (["--picture", "dye"], {"mode": "dye"}, True),
    "speed, diverging": (["--picture", "speed", "--colours", "diverging"],
                         {"mode": "speed", "colours": "diverging"}, False),
    "vorticity, sequential": (["--colours", "sequential"], {"colours": "sequential"}, False),
}


@pytest.mark.parametrize("choice", PICTURES.values(), ids=PICTURES.keys())
def test_pictures_of_each_mode_and_colour_map_are_the_batch_frames(choice, batch, tmp_path):
    arguments, picture_of, dye = choice
    batch("--preset", "mcwilliams", "--grid", "64", *arguments, "--steps", FRAMES, "--every", EVERY,
          "--frames", tmp_path / "frames", "--save-state", tmp_path / "batch.npz")

    sim = swirlon.Simulation.from_preset("mcwilliams", grid=64)
    sim.dye = dye
    pictures = {sim.frames: sim.picture(**picture_of)}
    sim.run(frames=FRAMES, every=EVERY, callback=lambda s: pictures.update({s.frames: s.picture(**picture_of)}))
    sim.save_state(str(tmp_path / "python.npz"))

    assert sim.dye == dye
    for frame, pixels in pictures.items():
        np.testing.assert_array_equal(pixels, png_pixels(tmp_path / "frames" / f"frame-{frame:06d}.png"))
    assert (tmp_path / "python.npz").read_bytes() == (tmp_path / "batch.npz").read_bytes()
