#!/usr/bin/env python3
"""An uncompressed 24-bit BMP read from its bytes alone, without the program's code.
As a command: python3 read_bmp.py FILE... prints for each file "WIDTH HEIGHT" and then one line
per picture row, top row first, of the pixels' red, green and blue bytes in hex."""
import struct
import sys


def read_bmp_lines(path):
    """(width, height, lines): lines[y] holds row y's blue, green, red bytes, row 0 at the top."""
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: no BMP signature")
    size, offset = struct.unpack_from("<I4xI", data, 2)
    header, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if size != len(data) or header < 40 or planes != 1 or bits != 24 or compression != 0:
        raise ValueError(f"{path}: not an uncompressed 24-bit BMP ({size}/{len(data)} bytes, {bits} bits, "
                         f"compression {compression})")
    stride = (3 * width + 3) // 4 * 4
    if offset + stride * abs(height) > len(data):
        raise ValueError(f"{path}: pixel data cut short")
    lines = []
    for line in range(abs(height)):
        stored = abs(height) - 1 - line if height > 0 else line  # positive height: bottom-up
        at = offset + stored * stride
        lines.append(data[at:at + 3 * width])
    return width, abs(height), lines


def read_bmp(path):
    """(width, height, rows): rows[y][x] is (red, green, blue), row 0 at the top."""
    width, height, lines = read_bmp_lines(path)
    return width, height, [[(b[3 * x + 2], b[3 * x + 1], b[3 * x]) for x in range(width)] for b in lines]


if __name__ == "__main__":
    for name in sys.argv[1:]:
        w, h, pixels = read_bmp(name)
        print(w, h)
        for row in pixels:
            print("".join(f"{r:02x}{g:02x}{b:02x}" for r, g, b in row))
