"""Fixtures of the module's tests: tessaly-cli and the sample pair, as the test run names them."""
import json
import os
import subprocess

import numpy as np
import pytest
import tessaly


@pytest.fixture(scope="session")
def samples():
    return os.environ.get("TESSALY_SAMPLES", os.path.join(os.path.dirname(__file__), "..", "..", "samples"))


@pytest.fixture(scope="session")
def pair(samples):
    return tuple(tessaly.imread(os.path.join(samples, name)) for name in ("left.png", "right.png"))


@pytest.fixture
def cli(tmp_path):
    """Runs tessaly-cli with its files in tmp_path/out: every file there, read back, by its name without
    ".png", and the command's JSON report."""
    out = tmp_path / "out"

    def run(*args):
        done = subprocess.run([os.environ["TESSALY_CLI"], *args, "--output-dir", str(out), "--format", "png", "--json"],
                              check=True, capture_output=True, text=True)
        return {name[:-4]: tessaly.imread(out / name) for name in os.listdir(out)}, json.loads(done.stdout)
    return run


@pytest.fixture(scope="session")
def textured():
    """A made-up pair big enough for the search to take two threads: the right view shifted 5 pixels."""
    random = np.random.default_rng(4)
    left = random.integers(0, 256, (150, 400, 3), dtype=np.uint8)
    return left, np.roll(left, -5, axis=1)
