#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the BMP loader's fuzz target: a few small valid 24-bit files in
every header variant the loader accepts, and one file for each way a header can be refused.

Usage: make_seed_corpus.py [OUTPUT_DIR]   (default: fuzz/corpus next to this script)
"""
import pathlib
import struct
import sys

FILE_HEADER_SIZE = 14
INFO_HEADER_SIZE = 40
CORE_HEADER_SIZE = 12
V4_HEADER_SIZE = 108
V5_HEADER_SIZE = 124
COLOUR_ENTRY_SIZE = 4
PELS_PER_METRE = 2835
BI_RGB = 0
BI_RLE8 = 1


def row_stride(width):
    return (3 * width + 3) // 4 * 4


def pixel_rows(width, height):
    """Rows of a picture with red, green and blue ramps, bottom row first."""
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            blue = (x * 37 + y * 11) % 256
            green = (x * 5 + y * 53) % 256
            red = (x * 71 + y * 3) % 256
            row += bytes((blue, green, red))
        row += bytes(row_stride(width) - 3 * width)
        rows.append(bytes(row))
    return rows


def bmp(width, height, info_size=INFO_HEADER_SIZE, bit_count=24, compression=BI_RGB,
        top_down=False, colours=0, signature=b"BM", pixel_offset=None, rows=None):
    table = bytes([0xA5]) * (colours * COLOUR_ENTRY_SIZE)
    if rows is None:
        rows = pixel_rows(width, height) if width > 0 and height > 0 else []
    if top_down:
        rows = list(reversed(rows))
    pixels = b"".join(rows)
    offset = FILE_HEADER_SIZE + info_size + len(table) if pixel_offset is None else pixel_offset
    file_header = signature + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", info_size, width, -height if top_down else height, 1,
                       bit_count, compression, len(pixels), PELS_PER_METRE, PELS_PER_METRE, colours, 0)
    info += bytes(info_size - INFO_HEADER_SIZE)
    return file_header + info + table + pixels


def with_info_size(data, info_size):
    """The same file with only the info header's size field changed."""
    patched = bytearray(data)
    struct.pack_into("<I", patched, FILE_HEADER_SIZE, info_size)
    return bytes(patched)


def seeds():
    plain = bmp(128, 128)
    yield "plain_128x128.bmp", plain
    yield "plain_5x3.bmp", bmp(5, 3)
    yield "plain_6x2.bmp", bmp(6, 2)
    yield "plain_1x1.bmp", bmp(1, 1)
    yield "plain_33x17.bmp", bmp(33, 17)
    yield "plain_130x3.bmp", bmp(130, 3)
    yield "v4_header_7x5.bmp", bmp(7, 5, info_size=V4_HEADER_SIZE)
    yield "v5_header_9x4.bmp", bmp(9, 4, info_size=V5_HEADER_SIZE)
    yield "top_down_6x6.bmp", bmp(6, 6, top_down=True)
    yield "colour_table_4x4.bmp", bmp(4, 4, colours=2)
    yield "extra_bytes_after_pixels.bmp", bmp(3, 3) + b"\x00trailing"
    yield "eight_bit.bmp", bmp(4, 4, bit_count=8, colours=256)
    yield "thirty_two_bit.bmp", bmp(4, 4, bit_count=32)
    yield "compressed.bmp", bmp(4, 4, compression=BI_RLE8)
    yield "no_signature.bmp", bmp(4, 4, signature=b"XY")
    yield "negative_width.bmp", bmp(-4, 4, rows=[])
    yield "zero_height.bmp", bmp(4, 0)
    yield "huge_dimensions.bmp", bmp(100000, 100000, rows=[bytes(6)])
    yield "offset_inside_headers.bmp", bmp(2, 2, pixel_offset=20)
    yield "offset_past_end.bmp", bmp(2, 2, pixel_offset=4000)
    yield "pixels_one_byte_short.bmp", bmp(5, 3)[:-1]
    yield "small_info_size.bmp", with_info_size(bmp(2, 2), CORE_HEADER_SIZE)
    yield "file_header_only.bmp", plain[:FILE_HEADER_SIZE]
    yield "short_file_header.bmp", plain[:9]
    yield "short_info_header.bmp", plain[:30]
    yield "empty.bmp", b""


def main():
    default = pathlib.Path(__file__).resolve().parent / "corpus"
    output = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    output.mkdir(parents=True, exist_ok=True)
    count = 0
    for name, data in seeds():
        (output / name).write_bytes(data)
        count += 1
    print(f"wrote {count} seed files to {output}")


if __name__ == "__main__":
    main()
