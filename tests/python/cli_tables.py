# Reading what tremax-cli writes: its CSV tables, its BMP pictures and its error messages.
import csv
import io

import numpy as np


def table(done):
    """The CLI's CSV (standard output or a file's bytes) as a list of dicts of strings."""
    text = done if isinstance(done, str) else done.stdout.decode()
    return list(csv.DictReader(io.StringIO(text)))


def column(rows, name, dtype=float):
    return np.array([dtype(r[name]) if r[name] != "" else np.nan for r in rows])


def bmp_rgb(path):
    """A bottom-up 24-bit BMP (as tremax-cli writes it) as (height, width, 3) RGB."""
    data = path.read_bytes()
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    stride = (width * 3 + 3) // 4 * 4
    rows = np.frombuffer(data, np.uint8, count=stride * height, offset=offset).reshape(height, stride)
    bgr = rows[::-1, : width * 3].reshape(height, width, 3)
    return bgr[:, :, ::-1]


def cli_error(cli, *args):
    done = cli(*args, check=False)
    assert done.returncode == 1, done
    return done.stderr.decode().strip().removeprefix("tremax-cli: ")
