#!/usr/bin/env python3
"""A folder of recordings colorized at one frequency with Dask and the tremax module.

Usage: batch_dask.py FOLDER [--workers N] [--frequency HZ] [--scheduler processes|threads]

Every .bld of FOLDER is one task: open, colorizing sweep, its power at the selected bin saved
beside it as NAME.power.npy; prints one line per recording (file, bin, frequency, mean power in
dB over the pixels with spectra). Against a cluster, a dask.distributed Client in place of the
local scheduler runs the same graph.
"""
import argparse
import os
import sys

import dask
import numpy as np


def analyse(path, frequency):
    import tremax  # imported in the worker (a process scheduler's worker is a fresh interpreter)

    result = tremax.colorize(tremax.open(path), frequency=frequency)
    np.save(os.path.splitext(path)[0] + ".power.npy", result.power)
    return os.path.basename(path), result.bin, result.frequency, float(np.nanmean(result.power))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--workers", type=int, default=os.cpu_count())
    parser.add_argument("--frequency", type=float, default=250)
    parser.add_argument("--scheduler", choices=("processes", "threads"), default="processes")
    args = parser.parse_args()
    files = sorted(os.path.join(args.folder, name) for name in os.listdir(args.folder) if name.endswith(".bld"))
    if not files:
        print(f"batch_dask.py: no .bld files in {args.folder}", file=sys.stderr)
        return 1
    tasks = [dask.delayed(analyse)(path, args.frequency) for path in files]
    results = dask.compute(*tasks, scheduler=args.scheduler, num_workers=args.workers)
    for name, bin_, hz, mean in results:
        print(f"{name},{bin_},{hz},{mean:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
