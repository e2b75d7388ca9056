#!/usr/bin/env python3
"""Reads a waveform export back without the program's own parser and checks it against the
frame file: python3 check_smp_export.py FILE.smp SEQUENCE.bld WIDTH HEIGHT X Y FRAMES_PER_SECOND"""
import os
import struct
import sys

smp, bld, width, height, x, y, fps = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:7]), sys.argv[7]
data = open(smp, "rb").read()
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


# Header: lines end at LF, CR is dropped, the text ends at the first NUL; items before "=".
text = data[:32768].split(b"\0", 1)[0].decode("cp850")
lines = [line.rstrip("\r") for line in text.split("\n")]
separator = lines.index("=")
items = [line.split("=", 1) for line in lines[:separator]]
names = [name for name, _ in items]
values = dict(items)
comment = [line for line in lines[separator + 1:] if line]
check(names == ["head", "sftot", "nchans", "view0", "channel0", "file", "msb", "view", "range", "date"],
      f"item order {names}")
check(values.get("head") == "1024" and values.get("nchans") == "1" and values.get("msb") == "last",
      f"head/nchans/msb {values}")
check(values.get("sftot") == fps, f"sftot {values.get('sftot')}, not {fps}")
check(values.get("view0") == "-256,256" and values.get("view") == "-1,1", "view items")
check(values.get("range") == "-32768,32768" and values.get("channel0") == "Intensity", "range/channel0")
check(comment == [f"From {os.path.abspath(bld)} x:{x} y:{y}"], f"comment {comment}")
check(data[len(text):len(text) + 3] == b"\0\x04\x1a", "terminator bytes")

frames = os.path.getsize(bld) // (width * height)
check(len(data) == 1024 + 2 * frames, f"size {len(data)}, not 1024 + 2 * {frames}")
samples = struct.unpack(f"<{frames}h", data[1024:1024 + 2 * frames])
with open(bld, "rb") as f:
    raw = f.read()
wanted = [raw[i * width * height + y * width + x] * 128 for i in range(frames)]
bad = [i for i in range(frames) if samples[i] != wanted[i]]
check(not bad, f"{len(bad)} samples differ, first at frame {bad[:1]}")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
