#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Frames per second of the swirlon module against swirlon-batch on the same flow, and what
reading the vorticity after every frame costs.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_frame_rate.py \\
        build/release/tools/swirlon-batch --grid 128 --frames 1000 --rounds 5

Rounds alternate between the two, so a machine's changing load touches both alike; the median
of the rounds is reported. swirlon-batch's own rate (its loop, without start-up) is the one it
prints; Python's is timed around step(chunk) calls.
"""
import argparse
import re
import statistics
import subprocess
import time

import swirlon

BATCH_RATE = re.compile(r"\(([0-9.]+) frames/s\)")


def batch_rate(program, grid, frames):
    finished = subprocess.run([program, "--preset", "default", "--grid", str(grid), "--steps", str(frames)],
                              check=True, capture_output=True, text=True)
    return float(BATCH_RATE.search(finished.stderr).group(1))


def python_rate(grid, frames, chunk, read_vorticity=False):
    sim = swirlon.Simulation(grid=grid)
    start = time.perf_counter()
    for _ in range(frames // chunk):
        sim.step(chunk)
        if read_vorticity:
            sim.vorticity
    return frames // chunk * chunk / (time.perf_counter() - start)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("batch", help="the swirlon-batch program")
    parser.add_argument("--grid", type=int, default=128)
    parser.add_argument("--frames", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=5)
    arguments = parser.parse_args()

    rates = {"swirlon-batch": [], "python step(100)": [], "python step(1)": [], "python step(1) + vorticity": []}
    for _ in range(arguments.rounds):
        rates["swirlon-batch"].append(batch_rate(arguments.batch, arguments.grid, arguments.frames))
        rates["python step(100)"].append(python_rate(arguments.grid, arguments.frames, 100))
        rates["python step(1)"].append(python_rate(arguments.grid, arguments.frames, 1))
        rates["python step(1) + vorticity"].append(python_rate(arguments.grid, arguments.frames, 1, True))
    medians = {name: statistics.median(values) for name, values in rates.items()}
    batch = medians["swirlon-batch"]
    for name, rate in medians.items():
        print(f"grid {arguments.grid:3d}  {name:28s} {rate:8.1f} frames/s  {100 * (rate / batch - 1):+6.1f}% "
              f"against swirlon-batch  (rounds: {', '.join(f'{r:.1f}' for r in rates[name])})")
    read = 1 / medians["python step(1) + vorticity"] - 1 / medians["python step(1)"]
    print(f"grid {arguments.grid:3d}  reading vorticity after each frame: {1e6 * read:.0f} us a frame "
          f"({100 * read * medians['python step(1)']:.1f}% of a frame)")


if __name__ == "__main__":
    main()
