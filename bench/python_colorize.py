#!/usr/bin/env python3
"""Colorizing the demo at 250 Hz from Python against the same work in tremax-cli.

Usage: python_colorize.py TREMAX_CLI DEMO.bld [REPEATS]   (PYTHONPATH naming the module's folder)

Both open the recording, run the full colorizing sweep at 250 Hz over the default block and
render the colorized frame; the tool also writes it as a BMP (into a temporary folder) and
starts a process, which the module does not. Prints the medians and their ratio, and exits 1
when the module takes more than 1.1 times the tool's time.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

import tremax

LIMIT = 1.1


def median_time(work, repeats):
    work()  # warm: the file in the page cache, the libraries loaded
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    cli, demo = sys.argv[1], sys.argv[2]
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 9
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "colorized.bmp")
        tool = median_time(
            lambda: subprocess.run([cli, "colorize", "--frequency", "250", "-o", out, demo], check=True,
                                   stdout=subprocess.DEVNULL), repeats)
    module = median_time(lambda: tremax.colorize(tremax.open(demo), frequency=250), repeats)
    ratio = module / tool
    print(f"colorize 250 Hz on {os.path.basename(demo)}: tremax-cli {tool * 1000:.1f} ms, "
          f"Python module {module * 1000:.1f} ms, ratio {ratio:.3f} (limit {LIMIT})")
    return 0 if ratio <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main())
