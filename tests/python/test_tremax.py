# Every call of the module equals tremax-cli's output for the same recording and options, value
# for value after parsing the tool's CSV; errors carry the tool's messages.
import os
import threading
import time

import numpy as np
import pytest

import tremax
from cli_tables import bmp_rgb, cli_error, column, table


def csv_output(cli, tmp_path, *args):
    out = tmp_path / "out.csv"
    done = cli(*args, "-o", str(out))
    return table(out.read_text()), done


@pytest.fixture(scope="module")
def seq(demo):
    return tremax.open(str(demo))


def test_header_and_frames_match_info_and_the_raw_file(cli, demo, seq):
    info = dict(line.split(": ", 1) for line in cli("info", str(demo)).stdout.decode().splitlines())
    assert seq.path == str(demo)
    assert (seq.width, seq.height, seq.frame_count) == (int(info["width"]), int(info["height"]), int(info["frames"]))
    assert (seq.first_frame, seq.trigger) == (int(info["first_frame"]), int(info["trigger"]))
    assert seq.frames_per_second == float(info["frames_per_second"])
    assert len(seq) == seq.frame_count

    # The .bld is the frames' bytes one after the other: read independently with NumPy.
    raw = np.fromfile(demo, np.uint8).reshape(-1, seq.height, seq.width)
    block = seq.frames(5, 3)
    assert block.dtype == np.uint8 and block.shape == (3, seq.height, seq.width)
    assert np.array_equal(block, raw[5:8])
    assert np.array_equal(seq[-1], raw[-1]) and seq[0].shape == (seq.height, seq.width)
    assert seq.frames(0, 0).shape == (0, seq.height, seq.width)
    count = 0
    for i, frame in enumerate(seq):  # in blocks: across the first block's end too
        if i in (0, 255, 256, len(seq) - 1):
            assert np.array_equal(frame, raw[i])
        count += 1
    assert count == len(seq)
    with pytest.raises(IndexError):
        seq[len(seq)]
    with pytest.raises(IndexError):
        seq.frames(len(seq) - 1, 2)


@pytest.mark.parametrize("options", [{}, {"row": 10, "from_": 300, "to": 420, "black": 20, "gray": 90, "white": 200, "edge": True}])
def test_kymogram(cli, demo, seq, tmp_path, options):
    args = []
    for name, value in options.items():
        flag = "--" + name.rstrip("_")
        args += [flag] if value is True else [flag, str(value)]
    rows, _ = csv_output(cli, tmp_path, "kymogram", *args, str(demo))
    grey = tremax.kymogram(seq, **options)
    first, last = options.get("from_", 0), options.get("to", 100)
    assert grey.dtype == np.uint8 and grey.shape == (seq.width, last - first + 1)
    assert np.array_equal(grey.ravel(), column(rows, "grey", int))
    # The value column is the raw byte of the row in each frame.
    raw = seq.frames(first, last - first + 1)[:, options.get("row", seq.height // 2), :]
    assert np.array_equal(raw.T.ravel(), column(rows, "value", int))


@pytest.mark.parametrize("x,y,block", [(100, 60, {}), (30, 20, {"start": 700, "length": 200, "cache": 300})])
def test_point_spectrum_and_waveform(cli, demo, seq, x, y, block):
    args = [a for k, v in block.items() for a in ("--" + k, str(v))]
    rows = table(cli("spectrum", "--x", str(x), "--y", str(y), *args, str(demo)))
    hz, power, phase = tremax.point_spectrum(seq, x=x, y=y, **block)
    assert hz.dtype == np.float64 and power.dtype == np.float32 and phase.dtype == np.float32
    assert len(rows) == len(hz) == len(power) == len(phase) > 0
    assert np.array_equal(hz, column(rows, "frequency_hz"))
    assert np.array_equal(power.astype(float), column(rows, "power_db"))
    assert np.array_equal(phase.astype(float), column(rows, "phase_rad"))

    rows = table(cli("waveform", "--x", str(x), "--y", str(y), *args, str(demo)))
    frames, values = tremax.waveform(seq, x=x, y=y, **block)
    assert values.dtype == np.uint8 and frames.shape == values.shape == (len(rows),)
    assert np.array_equal(frames, column(rows, "frame", int))
    assert np.array_equal(values, column(rows, "value", int))


def test_constant_pixel_has_no_spectrum(tmp_path, cli):
    path = tmp_path / "flat.bld"
    frames = np.full((64, 8, 16), 77, np.uint8)
    frames[:, 0, 0] = np.arange(64) % 5  # one pixel that changes
    frames.tofile(path)
    (tmp_path / "flat.par").write_text("flat\nRESOLUTION: 16x8\nFRAMES/S: 1000\nFRAMES: 64\n")
    seq = tremax.open(path)
    assert table(cli("spectrum", "--x", "3", "--y", "3", "--length", "32", str(path))) == []
    hz, power, phase = tremax.point_spectrum(seq, x=3, y=3, length=32)
    assert hz.shape == power.shape == phase.shape == (0,)
    hz, power, _ = tremax.point_spectrum(seq, x=0, y=0, length=32)
    assert power.shape == (16,)


def test_row_spectra(cli, demo, seq, tmp_path):
    rows, _ = csv_output(cli, tmp_path, "rowspectra", "--length", "128", str(demo))
    hz, power = tremax.row_spectra(seq, length=128)
    assert power.dtype == np.float32 and power.shape == (seq.height, len(hz)) == (seq.height, 64)
    assert np.array_equal(np.tile(hz, seq.height), column(rows, "frequency_hz"))
    assert np.array_equal(power.astype(float).ravel(), column(rows, "power_db"))


@pytest.mark.parametrize("options", [{}, {"start": 40, "frame": 90, "lo": -60, "hi": -20, "phase_ref": (120, 64), "edge": True}])
def test_colorize(cli, demo, seq, tmp_path, options):
    args = []
    for name, value in options.items():
        flag = "--" + name.replace("_", "-")
        if value is True:
            args.append(flag)
        elif isinstance(value, tuple):
            args += [flag, ",".join(map(str, value))]
        else:
            args += [flag, str(value)]
    rows, done = csv_output(cli, tmp_path, "colorize", "--frequency", "250", *args, str(demo))
    picture = tmp_path / "out.bmp"
    cli("colorize", "--frequency", "250", *args, "-o", str(picture), str(demo))
    said = dict(line.split(": ") for line in done.stdout.decode().splitlines())

    result = tremax.colorize(seq, frequency=250, **options)
    assert (result.bin, result.frequency) == (int(said["bin"]), float(said["frequency_hz"]))
    assert result.power.dtype == np.float32 and result.power.shape == (seq.height, seq.width)
    assert result.phase.shape == (seq.height, seq.width)
    assert np.array_equal(result.power.astype(float).ravel(), column(rows, "power_db"), equal_nan=True)
    assert np.array_equal(result.phase.astype(float).ravel(), column(rows, "phase_rad"), equal_nan=True)
    assert result.image.dtype == np.uint8 and result.image.shape == (seq.height, seq.width, 3)
    assert np.array_equal(result.image, bmp_rgb(picture))


@pytest.mark.parametrize("options", [{}, {"frame": 12, "corr": (10, 6), "scout": (4, 3), "to_first": True, "xdiff": True}])
def test_track(cli, demo, seq, options):
    args = []
    for name, value in options.items():
        flag = "--" + name.replace("_", "-")
        if value is True:
            args.append(flag)
        elif isinstance(value, tuple):
            args += [flag, ",".join(map(str, value))]
        else:
            args += [flag, str(value)]
    rows = table(cli("track", "--x", "100", "--y", "60", *args, str(demo)))
    points = tremax.track(seq, x=100, y=60, **options)
    assert points.dtype == np.float64 and points.shape == (100, 2) == (len(rows), 2)
    assert np.array_equal(points[:, 0], column(rows, "x"))
    assert np.array_equal(points[:, 1], column(rows, "y"))


def test_errors_carry_the_programs_messages(cli, demo, seq, tmp_path):
    missing = tmp_path / "missing.bld"
    with pytest.raises(FileNotFoundError) as error:
        tremax.open(missing)
    assert str(error.value) == cli_error(cli, "info", str(missing))

    bad = tmp_path / "bad.bld"
    bad.write_bytes(bytes(64))
    (tmp_path / "bad.par").write_text("bad\nRESOLUTION: eight by eight\nFRAMES/S: 1000\n")
    with pytest.raises(ValueError) as error:
        tremax.open(bad)
    assert str(error.value) == cli_error(cli, "info", str(bad))

    with pytest.raises(IsADirectoryError if False else OSError) as error:
        tremax.open(tmp_path)
    assert str(error.value) == cli_error(cli, "info", str(tmp_path))

    with pytest.raises(ValueError) as error:
        tremax.kymogram(seq, row=seq.height)
    assert str(error.value) == cli_error(cli, "kymogram", "--row", str(seq.height), "-o", str(tmp_path / "k.bmp"), str(demo))
    with pytest.raises(ValueError) as error:
        tremax.point_spectrum(seq, x=1, y=1, length=600)
    assert str(error.value) == cli_error(cli, "spectrum", "--x", "1", "--y", "1", "--length", "600", str(demo))
    with pytest.raises(ValueError) as error:
        tremax.colorize(seq, frequency=2001)
    assert str(error.value) == cli_error(cli, "colorize", "--frequency", "2001", "-o", str(tmp_path / "c.bmp"), str(demo))
    with pytest.raises(ValueError) as error:
        tremax.track(seq, x=-1, y=0)
    assert str(error.value) == cli_error(cli, "track", "--x", "-1", "--y", "0", str(demo))
    with pytest.raises(TypeError):
        tremax.colorize(seq)  # the frequency is required
    assert not (tmp_path / "k.bmp").exists() and not (tmp_path / "c.bmp").exists()


def test_a_name_that_is_not_utf8(cli, demo, tmp_path):
    folder = os.fsencode(tmp_path)
    name = folder + b"/caf\xe9.bld"
    with open(name, "wb") as out:
        out.write(demo.read_bytes())
    with open(folder + b"/caf\xe9.par", "wb") as out:
        out.write(demo.with_suffix(".par").read_bytes())
    by_bytes = tremax.open(name)
    by_str = tremax.open(os.fsdecode(name))  # the surrogate-escaped str Python gives such a name
    assert os.fsencode(by_bytes.path) == name and by_str.path == os.fsdecode(name)
    info = cli("info", name).stdout.decode(errors="surrogateescape")
    assert f"frames: {by_bytes.frame_count}\n" in info
    assert np.array_equal(by_bytes[3], by_str[3])
    hz, power, _ = tremax.point_spectrum(by_bytes, x=100, y=60)
    rows = table(cli("spectrum", "--x", "100", "--y", "60", name))
    assert np.array_equal(power.astype(float), column(rows, "power_db"))


def test_long_calls_let_other_threads_run(demo):
    # Each call on its own sequence, so that the sequences' locks do not serialise them.
    seq = tremax.open(demo)
    ticks = []
    done = threading.Event()

    def tick():
        while not done.is_set():
            ticks.append(time.perf_counter())
            time.sleep(0.001)

    def timed_colorize():
        start = time.perf_counter()
        tremax.colorize(seq, frequency=250, length=512)
        return start, time.perf_counter()

    timed_colorize()  # warm: the first call maps the file
    thread = threading.Thread(target=tick)
    thread.start()
    try:
        start, end = timed_colorize()
    finally:
        done.set()
        thread.join()
    inside = [t for t in ticks if start < t < end]
    # With the GIL held through the call the ticker could not run at all inside it.
    assert end - start > 0.02
    assert len(inside) >= 5, f"{len(inside)} ticks in {end - start:.3f} s"
