#!/usr/bin/env python3
"""Writes the clock's hand table, pclock.bin (resource "PCLOCK").

60 points, one every 6 degrees clockwise from twelve o'clock on a circle of
radius 8000: X = 8000 sin, Y = -8000 cos, truncated towards zero, each a
signed 16-bit little-endian integer, X first: 240 bytes. The twelve and six
o'clock points stand at 7999, as the table has always had them. A value
that is whole in exact arithmetic (sin 30 degrees is one half) stays whole,
whatever the floating-point rounding.

Usage: make-pclock.py [OUTPUT]   (default: pclock.bin beside this script)
"""
import math
import os
import struct
import sys

RADIUS = 8000


def whole(v):
    r = round(v)
    return int(r) if abs(v - r) < 1e-6 else math.trunc(v)


def point(i):
    if i == 0:
        return 0, -7999
    if i == 30:
        return 0, 7999
    a = math.radians(i * 6)
    return whole(RADIUS * math.sin(a)), whole(-RADIUS * math.cos(a))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "pclock.bin")
    data = b"".join(struct.pack("<hh", *point(i)) for i in range(60))
    assert len(data) == 240
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
