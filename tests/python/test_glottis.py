# The glottis measures from Python against tremax-cli glottis and pvg on the glottis test sequence
# (folds meeting on x = 127.5, rows 16 … 111, 230 Hz at 4000 frames/s).
import numpy as np
import pytest

import tremax
from cli_tables import bmp_rgb, cli_error, column, table


@pytest.fixture(scope="module")
def gseq(glottis_demo):
    return tremax.open(glottis_demo)


def cli_options(options):
    args = []
    for name, value in options.items():
        text = ",".join(map(str, value)) if isinstance(value, tuple) else str(value)
        args += ["--" + name.rstrip("_"), text]
    return args


@pytest.mark.parametrize(
    "options",
    [
        {"seed": (127, 63)},  # the default span, frames 0 … 100
        {"seed": (127, 63), "from_": 0, "to": 1023},
        {"seed": (127, 40), "from_": 37, "to": 290, "roi": (150, 63, 100, 10)},  # corners in either order
        {"seed": (5, 5)},  # no glottis there: no cycles, the tool's empty values are NaN
    ],
)
def test_glottis_equals_the_tools_tables(cli, glottis_demo, gseq, tmp_path, options):
    wave = tmp_path / "wave.csv"
    done = cli("glottis", *cli_options(options), "-o", str(wave), str(glottis_demo))
    rows, waveform = table(done), table(wave.read_text())

    result = tremax.glottis(gseq, **options)
    first, last = options.get("from_", 0), options.get("to", 100)
    assert result.frame.dtype == np.int32 and result.area.dtype == np.float64
    assert result.frame.shape == result.area.shape == (last - first + 1,) == (len(waveform),)
    assert np.array_equal(result.frame, np.arange(first, last + 1))
    assert np.array_equal(result.frame, column(waveform, "frame", int))
    assert np.array_equal(result.area, column(waveform, "area"))

    assert list(result.parameters) == [r["name"] for r in rows]  # the tool's order
    assert np.array_equal(np.array(list(result.parameters.values())), column(rows, "value"), equal_nan=True)
    assert result.units == {r["name"]: r["unit"] for r in rows}
    # 230 Hz within 1 % over every cycle of the whole file (the generator's vibration).
    if options["seed"] == (5, 5):
        assert result.parameters["cycles"] == 0 and np.isnan(result.parameters["f0_mean"])
    if last == 1023:
        assert 227.7 < result.parameters["f0_mean"] < 232.3 and result.units["f0_mean"] == "Hz"


def test_pvg_equals_the_tools_picture(cli, glottis_demo, gseq, tmp_path):
    picture = tmp_path / "pvg.bmp"
    cli("pvg", "--seed", "127,63", "--from", "10", "--to", "200", "-o", str(picture), str(glottis_demo))
    pvg = tremax.pvg(gseq, seed=(127, 63), from_=10, to=200)
    assert pvg.image.dtype == np.uint8 and pvg.image.ndim == 3 and pvg.image.shape[2] == 3
    assert np.array_equal(pvg.image, bmp_rgb(picture))

    # One row per frame, one column per pixel along the axis: the folds span rows 16 … 111.
    assert pvg.first_frame == 10
    assert pvg.left.dtype == pvg.right.dtype == np.float32
    assert pvg.left.shape == pvg.right.shape and pvg.left.shape[0] == 191
    assert 92 <= pvg.left.shape[1] <= 100
    (ax, ay), (px, py) = pvg.anterior, pvg.posterior
    assert abs(ax - 127.5) <= 1.5 and abs(px - 127.5) <= 1.5
    assert abs(ay - 16) <= 2 and abs(py - 111) <= 2
    assert pvg.max_distance == max(pvg.left.max(), pvg.right.max()) > 0


def test_glottis_errors_carry_the_tools_messages(cli, glottis_demo, gseq, tmp_path):
    cases = [
        {"seed": (256, 63)},  # outside the 256-pixel-wide image
        {"seed": (127, 63), "from_": 50, "to": 49},
        {"seed": (127, 63), "to": 1024},
        {"seed": (127, 63), "roi": (0, 0, 100, 100)},  # the seed outside the region
        {"seed": (127, 63), "roi": (100, 10, 150, 128)},  # a corner outside the image
    ]
    for options in cases:
        message = cli_error(cli, "glottis", *cli_options(options), str(glottis_demo))
        with pytest.raises(ValueError) as error:
            tremax.glottis(gseq, **options)
        assert str(error.value) == message, options
        with pytest.raises(ValueError) as error:
            tremax.pvg(gseq, **options)
        assert str(error.value) == cli_error(cli, "pvg", *cli_options(options), "-o", str(tmp_path / "p.bmp"), str(glottis_demo))
    # Nothing to draw where no glottis is found.
    with pytest.raises(ValueError) as error:
        tremax.pvg(gseq, seed=(5, 5))
    assert str(error.value) == cli_error(cli, "pvg", "--seed", "5,5", "-o", str(tmp_path / "p.bmp"), str(glottis_demo))
    assert not (tmp_path / "p.bmp").exists()

    with pytest.raises(TypeError):
        tremax.glottis(gseq)  # the seed is required
    with pytest.raises(TypeError):
        tremax.pvg(gseq, seed=(1, 2), roi=(1, 2, 3))  # four corners' numbers
