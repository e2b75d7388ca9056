# The sound from Python against tremax-cli sound-info and f0, on WAV files written here with
# Python's wave module (so the samples are known independently of the readers).
import os
import wave

import numpy as np
import pytest

import tremax
from cli_tables import cli_error, column, table

RATE = 16000


def write_wav(path, *channels):
    """16-bit PCM: each channel a sequence of int16 samples."""
    interleaved = np.stack(channels, axis=1).astype("<i2")
    with wave.open(str(path), "wb") as out:
        out.setnchannels(len(channels))
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(interleaved.tobytes())
    return path


def sine(hz, seconds=1.0, amplitude=12000):
    t = np.arange(int(RATE * seconds)) / RATE
    return np.round(amplitude * np.sin(2 * np.pi * hz * t)).astype(np.int16)


@pytest.fixture(scope="module")
def sounds(tmp_path_factory):
    folder = tmp_path_factory.mktemp("sound")
    left, right = sine(220), sine(330, amplitude=9000)
    return {
        "mono": write_wav(folder / "a.wav", left),
        "stereo": write_wav(folder / "b.wav", left, right),
        "short": write_wav(folder / "short.wav", sine(220, seconds=0.01)),
        "samples": (left, right),
    }


def test_sound_info_equals_the_tools(cli, sounds):
    for name in ("mono", "stereo"):
        path = sounds[name]
        printed = dict(line.split(": ", 1) for line in cli("sound-info", str(path)).stdout.decode().splitlines())
        info = tremax.sound_info(path)
        assert info.file == printed["file"] == str(path.absolute())
        assert info.rate_hz == float(printed["rate_hz"]) == RATE
        assert info.channels == int(printed["channels"]) == (1 if name == "mono" else 2)
        assert info.samples == int(printed["samples"]) == RATE
        assert info.seconds == float(printed["seconds"]) == 1.0
        assert info.format == "WAV" and info.sync_time is None


@pytest.mark.parametrize(
    "name, options",
    [
        ("mono", {}),
        ("mono", {"from_": 0.2, "to": 0.4}),
        ("stereo", {"from_": 0.1, "channel": 1}),
        ("short", {}),  # too short for one window: no rows
    ],
)
def test_f0_equals_the_tools_table(cli, sounds, name, options):
    args = []
    for key, value in options.items():
        args += ["--" + key.rstrip("_"), str(value)]
    rows = table(cli("f0", *args, str(sounds[name])))
    time_s, f0_hz = tremax.f0(sounds[name], **options)
    assert time_s.dtype == f0_hz.dtype == np.float64
    assert time_s.shape == f0_hz.shape == (len(rows),)
    assert np.array_equal(time_s, column(rows, "time_s"))
    assert np.array_equal(f0_hz, column(rows, "f0_hz"))
    if options.get("to") == 0.4:  # 0.2 … 0.4 s every 5 ms, at the tone's frequency
        assert len(rows) == 41 and time_s[0] == 0.2
        assert np.all(np.abs(f0_hz - 220) < 1.1)
    if options.get("channel") == 1:
        assert np.all(np.abs(f0_hz - 330) < 1.7)


def test_samples_are_the_files(sounds):
    left, right = sounds["samples"]
    mono = tremax.sound_samples(sounds["mono"])
    assert mono.dtype == np.float32 and mono.shape == (RATE,)
    assert np.array_equal(mono, left / 32768.0)
    assert np.array_equal(tremax.sound_samples(sounds["stereo"], channel=1), right / 32768.0)
    mixed = tremax.sound_samples(sounds["stereo"], channel=None)
    assert np.allclose(mixed, (left.astype(float) + right) / 2 / 32768.0, atol=1e-7)


def test_sound_errors_carry_the_tools_messages(cli, sounds, tmp_path):
    missing = tmp_path / "missing.wav"
    for call in (tremax.sound_info, tremax.f0, tremax.sound_samples):
        with pytest.raises(FileNotFoundError) as error:
            call(missing)
        assert str(error.value) == cli_error(cli, "sound-info", str(missing))
        with pytest.raises(OSError) as error:
            call(tmp_path)
        assert str(error.value) == cli_error(cli, "sound-info", str(tmp_path))
    garbage = tmp_path / "garbage.wav"
    garbage.write_bytes(b"RIFF" + bytes(40))
    with pytest.raises(ValueError) as error:
        tremax.sound_info(garbage)
    assert str(error.value) == cli_error(cli, "sound-info", str(garbage))

    mono = str(sounds["mono"])
    for options, args in [
        ({"channel": -1}, ["--channel", "-1"]),
        ({"channel": 1}, ["--channel", "1"]),  # the mono file has channel 0 only
        ({"from_": 0.4, "to": 0.2}, ["--from", "0.4", "--to", "0.2"]),
        ({"from_": -1.0}, ["--from", "-1"]),
        ({"from_": 2.0}, ["--from", "2"]),  # after the end of the 1 s sound
    ]:
        with pytest.raises(ValueError) as error:
            tremax.f0(mono, **options)
        assert str(error.value) == cli_error(cli, "f0", *args, mono), options
    with pytest.raises(ValueError) as error:
        tremax.sound_samples(mono, channel=-1)
    assert str(error.value) == cli_error(cli, "f0", "--channel", "-1", mono)


def test_a_sound_name_that_is_not_utf8(cli, sounds, tmp_path):
    name = os.fsencode(tmp_path) + b"/caf\xe9.wav"
    with open(name, "wb") as out:
        out.write(sounds["mono"].read_bytes())
    info = tremax.sound_info(name)
    assert os.fsencode(info.file) == name and info.samples == RATE
    rows = table(cli("f0", "--from", "0.2", "--to", "0.3", name))
    _, f0_hz = tremax.f0(os.fsdecode(name), from_=0.2, to=0.3)
    assert np.array_equal(f0_hz, column(rows, "f0_hz"))
