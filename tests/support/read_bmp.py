#!/usr/bin/env python3
"""An uncompressed 24-bit BMP read from its bytes alone, without the program's code.
As a command: python3 read_bmp.py FILE prints "WIDTH HEIGHT" and then one line per picture row,
top row first, of the pixels' red, green and blue bytes in hex."""
import struct
import sys


def read_bmp(path):
    """(width, height, rows): rows[y][x] is (red, green, blue), row 0 at the top."""
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
    rows = []
    for line in range(abs(height)):
        stored = abs(height) - 1 - line if height > 0 else line  # positive height: bottom-up
        at = offset + stored * stride
        rows.append([(data[at + 3 * x + 2], data[at + 3 * x + 1], data[at + 3 * x]) for x in range(width)])
    return width, abs(height), rows


if __name__ == "__main__":
    w, h, pixels = read_bmp(sys.argv[1])
    print(w, h)
    for row in pixels:
        print("".join(f"{r:02x}{g:02x}{b:02x}" for r, g, b in row))
