#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""An ensemble of forced runs in a process pool: how far the energy of statistically steady
forced turbulence strays from its mean, one run per seed of the random forcing.

    PYTHONPATH=build/release/python /usr/bin/python3 examples/forced_ensemble.py --members 8

Each member is a run of its own in a process of its own (a Simulation is not shared between
processes); each returns its energy record, and the script reports the ensemble's mean and
spread over the second half of the runs, once the forcing and the drag balance.
"""
import argparse
from concurrent.futures import ProcessPoolExecutor

import numpy as np

import swirlon

# Frames between the records of each run.
EVERY = 10


def energy_record(seed, grid, until):
    """The energy of one forced run every EVERY frames, from its start to time until."""
    # One thread a run: the pool already keeps every core busy.
    sim = swirlon.Simulation.from_preset("forced-turbulence", seed=seed, grid=grid, threads=1)
    energies = [sim.diagnostics()["energy"]]
    sim.run(until=until, every=EVERY, callback=lambda s: energies.append(s.diagnostics()["energy"]))
    return np.array(energies)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--members", type=int, default=8, help="runs in the ensemble, seeds 1..members")
    parser.add_argument("--grid", type=int, default=64)
    parser.add_argument("--until", type=float, default=20.0, help="simulated time of each run")
    parser.add_argument("--workers", type=int, default=None, help="processes (default: one per core)")
    arguments = parser.parse_args()

    seeds = range(1, arguments.members + 1)
    with ProcessPoolExecutor(max_workers=arguments.workers) as pool:
        records = list(pool.map(energy_record, seeds, [arguments.grid] * len(seeds), [arguments.until] * len(seeds)))

    steady = np.array([record[len(record) // 2 :] for record in records])
    for seed, record in zip(seeds, steady):
        print(f"seed {seed:3d}: mean energy {record.mean():.5f}, range {record.min():.5f} .. {record.max():.5f}")
    member_means = steady.mean(axis=1)
    print(f"ensemble: mean {member_means.mean():.5f}, spread of the members' means {member_means.std(ddof=1):.5f}")


if __name__ == "__main__":
    main()
