import contextlib
import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(__file__))
from simulator import Simulator  # noqa: E402


@pytest.fixture
def runtime_dir(tmp_path, monkeypatch):
    """Port aliases of this test only: the simulator publishes its COM name here."""
    monkeypatch.setenv("XDG_RUNTIME_DIR", str(tmp_path))
    return tmp_path


@pytest.fixture
def simulator(runtime_dir):
    """Starts qz470-sim with the options given; every one started is stopped at the end."""
    started = []

    def start(*options):
        sim = Simulator(runtime_dir, *options)
        started.append(sim)
        return sim

    yield start
    for sim in started:
        with contextlib.suppress(Exception):
            sim.stop()
