# SPDX-License-Identifier: GPL-3.0-or-later
"""Stepping lets go of Python's lock: other threads run meanwhile, cannot touch the simulation
being stepped, and Ctrl+C stops a long run between frames."""
import os
import signal
import threading

import numpy as np

import swirlon

LONG_RUN = 10**9


def wait_until_stepping(sim, running):
    """Returns once another thread is seen stepping sim (or has stopped)."""
    while running.is_alive():
        try:
            sim.frames
        except RuntimeError as refusal:
            assert "another thread" in str(refusal)
            return True
    return False


def test_other_threads_run_while_one_steps():
    sim = swirlon.Simulation(grid=256)
    worker = threading.Thread(target=sim.step, args=(100,))
    worker.start()
    seen = wait_until_stepping(sim, worker)
    worker.join()
    assert seen and sim.frames == 100


def test_ctrl_c_stops_a_long_run_between_frames():
    sim = swirlon.Simulation(grid=64)
    main = threading.main_thread()
    interrupter = threading.Thread(
        target=lambda: wait_until_stepping(sim, main) and os.kill(os.getpid(), signal.SIGINT))
    interrupter.start()
    try:
        sim.run(frames=LONG_RUN)
        raise AssertionError("the run was not stopped")
    except KeyboardInterrupt:
        pass
    interrupter.join()
    assert 0 < sim.frames < LONG_RUN and np.isfinite(sim.vorticity).all()
    sim.step()
