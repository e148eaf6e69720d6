# SPDX-License-Identifier: GPL-3.0-or-later
"""What the module's tests share: the swirlon-batch program beside the module, and pictures."""
import os
import struct
import subprocess

import numpy as np
import pytest


@pytest.fixture
def batch():
    """Runs swirlon-batch (SWIRLON_BATCH, set by ctest) with the arguments, quietly."""
    program = os.environ.get("SWIRLON_BATCH")
    if not program:
        pytest.skip("SWIRLON_BATCH does not name the swirlon-batch program")

    def run(*arguments):
        subprocess.run([program, "--quiet", *map(str, arguments)], check=True)

    return run


def write_bmp(path, rgb):
    """Writes rows of red, green, blue bytes (top row first) as a 24-bit BMP file."""
    height, width, _ = rgb.shape
    stride = (3 * width + 3) // 4 * 4
    rows = b"".join(np.ascontiguousarray(row[:, ::-1]).tobytes().ljust(stride, b"\0") for row in rgb[::-1])
    header_size = 14 + 40
    path.write_bytes(
        struct.pack("<2sIHHI", b"BM", header_size + len(rows), 0, 0, header_size)
        + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        + rows
    )


@pytest.fixture
def picture(tmp_path):
    """A 48 x 40 picture of a red and a blue blob on black, as a BMP file."""
    y, x = np.mgrid[0:40, 0:48]
    red = 255 * np.exp(-((x - 16) ** 2 + (y - 20) ** 2) / 40.0)
    blue = 255 * np.exp(-((x - 32) ** 2 + (y - 18) ** 2) / 60.0)
    rgb = np.stack([red, 0.5 * red, blue], axis=-1).astype(np.uint8)
    path = tmp_path / "blobs.bmp"
    write_bmp(path, rgb)
    return path
