#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Decaying two-dimensional turbulence from random vortices, saved as an animation.

    PYTHONPATH=build/release/python /usr/bin/python3 examples/decaying_turbulence.py decaying.gif

Like vortices merge and the flow organises into ever fewer, larger ones while the enstrophy
decays. The picture is drawn with matplotlib from the vorticity array, y upwards as the window
shows it.
"""
import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.animation as animation  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402

import swirlon  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", help="animation file: .gif, or .mp4 where ffmpeg is installed")
    parser.add_argument("--grid", type=int, default=128)
    parser.add_argument("--until", type=float, default=20.0, help="simulated time to run to")
    parser.add_argument("--pictures", type=int, default=100, help="pictures in the animation")
    arguments = parser.parse_args()

    sim = swirlon.Simulation.from_preset("mcwilliams", seed=7, grid=arguments.grid, re=2000)
    frames_per_picture = max(1, round(arguments.until / swirlon.TIME_STEP / arguments.pictures))
    # One colour scale for the whole film, from the strongest vortex at the start.
    extreme = abs(sim.vorticity).max()

    figure, axes = plt.subplots(figsize=(5, 5.4))
    image = axes.imshow(sim.vorticity, origin="lower", cmap="RdBu_r", vmin=-extreme, vmax=extreme)
    axes.set_axis_off()
    title = axes.set_title("")

    def advance(picture):
        if picture > 0:
            sim.step(frames_per_picture)
        image.set_data(sim.vorticity)
        row = sim.diagnostics()
        title.set_text(f"t = {sim.time:.1f}   E = {row['energy']:.3f}   Z = {row['enstrophy']:.2f}")
        return image, title

    # The first picture is the start, the last one at the time asked for.
    film = animation.FuncAnimation(figure, advance, frames=arguments.pictures + 1)
    writer = animation.PillowWriter(fps=15) if arguments.output.endswith(".gif") else animation.FFMpegWriter(fps=15)
    film.save(arguments.output, writer=writer)
    print(f"{arguments.output}: {arguments.pictures + 1} pictures to t = {sim.time:.2f}")


if __name__ == "__main__":
    main()
