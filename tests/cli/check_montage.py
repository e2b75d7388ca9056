#!/usr/bin/env python3
"""Checks a montage bitmap against the frame file with the grey mapping written out here:
python3 check_montage.py MONTAGE.bmp SEQUENCE.bld WIDTH HEIGHT F0 SKIP NX NY BLACK WHITE SX SY TEXT
TEXT is 0 for no text bands, 1 when every tile has one (its height follows from the picture)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
from read_bmp import read_bmp_lines  # noqa: E402

bmp, bld = sys.argv[1], sys.argv[2]
width, height, f0, skip, nx, ny, black, white, sx, sy, text = map(int, sys.argv[3:14])
w, h, rows = read_bmp_lines(bmp)
frames = open(bld, "rb").read()
frame_bytes = width * height
failures = []

if w != width * nx * sx or h % ny != 0:
    sys.exit(f"FAIL: {w} x {h} is not {width * nx * sx} wide and {ny} tiles high")
band = h // ny - height * sy
if (band > 0) != bool(text):
    sys.exit(f"FAIL: text band of {band} rows")


def grey(v):
    g = round(255 * (v - black) / (white - black))  # Python rounds halves to even
    return min(255, max(0, g))


greys = [grey(v) for v in range(256)]


for r in range(ny):
    for c in range(nx):
        f = f0 + (r * nx + c) * skip
        start = f * frame_bytes
        frame = frames[start:start + frame_bytes]
        if len(frame) < frame_bytes:
            frame += bytes([127]) * (frame_bytes - len(frame))  # rows past the file's end
        top = r * (band + height * sy)
        left = c * width * sx
        span = slice(3 * left, 3 * (left + width * sx))
        if band and all(set(rows[y][span]) == {255} for y in range(top, top + band)):
            failures.append(f"tile ({r}, {c}): no text in its band")
        bad = 0
        for j in range(height * sy):
            source = frame[(j // sy) * width:(j // sy + 1) * width]
            expected = bytes(greys[v] for v in source for _ in range(3 * sx))
            if rows[top + band + j][span] != expected:
                bad += 1
        if bad:
            failures.append(f"tile ({r}, {c}) is not frame {f}: {bad} rows differ")

for f in failures[:10]:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
