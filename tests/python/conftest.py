# The module against tremax-cli: both come from the build tree (TREMAX_CLI, TREMAX_GEN_DEMO and
# PYTHONPATH are set by the ctest entry); every file lives in pytest's temporary folders.
import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def cli():
    path = os.environ.get("TREMAX_CLI")
    if not path:
        pytest.fail("TREMAX_CLI is not set (run through ctest)")

    def run(*args, check=True):
        done = subprocess.run([path, *args], capture_output=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
        if check and done.returncode != 0:
            raise AssertionError(f"tremax-cli {args} failed: {done.stderr.decode(errors='replace')}")
        return done

    return run


@pytest.fixture(scope="session")
def demo(tmp_path_factory):
    folder = tmp_path_factory.mktemp("demo")
    path = folder / "demo.bld"
    subprocess.run([os.environ["TREMAX_GEN_DEMO"], str(path)], check=True, capture_output=True)
    return path


@pytest.fixture(scope="session")
def glottis_demo(tmp_path_factory):
    """The glottis test sequence: folds meeting on x = 127.5, rows 16 … 111, 230 Hz at 4000 frames/s."""
    path = tmp_path_factory.mktemp("glottis") / "g.bld"
    subprocess.run([os.environ["TREMAX_GEN_DEMO"], "--glottis", str(path)], check=True, capture_output=True)
    return path
