#!/usr/bin/env python3
"""Writes the check-mark strip, checked.bmp (resource "CHECKED").

32 x 16 pixels, 4 bits per pixel with the 16 standard colours: on the left
a black check mark, on the right nothing; every other pixel is fuchsia, the
colour of the bottom-left pixel, which the list view makes transparent.

Usage: make-checked.py [OUTPUT]   (default: checked.bmp beside this script)
"""
import os
import struct
import sys

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, FUCHSIA = 0, 13
WIDTH, HEIGHT = 32, 16

# Rows from the top: the columns of the mark in the left 16 x 16 image.
MARK = {
    3: [12], 4: [11, 12], 5: [10, 11, 12], 6: [3, 9, 10, 11], 7: [3, 4, 8, 9, 10],
    8: [3, 4, 5, 7, 8, 9], 9: [4, 5, 6, 7, 8], 10: [5, 6, 7], 11: [6],
}


def pixel(x, y):
    return BLACK if x in MARK.get(y, []) else FUCHSIA


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "checked.bmp")
    row_bytes = (WIDTH * 4 + 31) // 32 * 4
    rows = b""
    for y in reversed(range(HEIGHT)):  # bottom-up
        row = bytearray()
        for x in range(0, WIDTH, 2):
            row.append(pixel(x, y) << 4 | pixel(x + 1, y))
        rows += bytes(row) + b"\0" * (row_bytes - len(row))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(rows), 2835, 2835, 16, 0)
    with open(out, "wb") as f:
        f.write(header + info + table + rows)


if __name__ == "__main__":
    main()
