#!/usr/bin/env bash
# The batch example of docs/batch.md on 16 generated recordings: the same colorizing at 250 Hz
# run by GNU parallel over tremax-cli and by Dask over the Python module, each with 1 and 2
# workers; prints the wall times.
#   tools/batch_example.sh [BUILD_DIR]   (default build; needs tremax-cli and the module built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cli=$build/app/tremax-cli
export PYTHONPATH=$build/python${PYTHONPATH:+:$PYTHONPATH}
python=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 16 recordings, 128 x 64 pixels, 1024 frames at 4000 frames/s: a bright band whose edge
# vibrates at 200 ... 350 Hz (one frequency a recording), with noise.
"$python" - "$work" <<'PY'
import sys
import numpy as np
folder = sys.argv[1]
rng = np.random.default_rng(7)
t = np.arange(1024) / 4000.0
columns = np.arange(128)
for n in range(16):
    hz = 200 + 10 * n
    edge = 64 + 12 * np.sin(2 * np.pi * hz * t)                     # one edge position a frame
    frames = np.where(columns[None, :] < edge[:, None], 200, 40).astype(np.float64)
    frames = np.repeat(frames[:, None, :], 64, axis=1) + rng.normal(0, 4, (1024, 64, 128))
    name = f"{folder}/rec{n:02d}"
    np.clip(frames, 0, 255).astype(np.uint8).tofile(name + ".bld")
    with open(name + ".par", "w") as par:
        par.write(f"recording {n}, edge at {hz} Hz\nRESOLUTION: 128x64\nFRAMES/S: 4000\nFRAMES: 1024\n")
PY

seconds() { # command...: runs it, prints its wall time in seconds
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    local ms=$(( (end - start) / 1000000 ))
    printf '%d.%02d' $(( ms / 1000 )) $(( ms % 1000 / 10 ))
}

echo "16 recordings of 128 x 64 pixels, 1024 frames, colorized at 250 Hz (wall time, s)"
for workers in 1 2; do
    t=$(seconds parallel -j "$workers" --halt now,fail=1 "$cli" colorize --frequency 250 -o {.}.csv {} ::: "$work"/*.bld)
    echo "GNU parallel + tremax-cli, $workers worker(s): $t"
done
for workers in 1 2; do
    t=$(seconds "$python" "$root/tools/batch_dask.py" "$work" --workers "$workers")
    echo "Dask + tremax module,      $workers worker(s): $t"
done
