"""Ctrl+C during a wait, and waits from other threads: the interpreter's lock is let go."""

import os
import signal
import subprocess
import sys
import threading
import time

import pytest

import meshcfg

# Every second reply is left out: the first read is answered, the second waits, the third is
# answered again.
SCRIPT = """
import sys, time, meshcfg
with meshcfg.Module(sys.argv[1], timeout=30.0) as module:
    module.read_setup()
    print("waiting", flush=True)
    started = time.monotonic()
    try:
        module.read_setup()
        print("answered")
    except KeyboardInterrupt:
        print("interrupted after", round(time.monotonic() - started, 1), flush=True)
    print("node", module.read_setup().node_id, flush=True)
"""


def wait_for(condition, limit=10.0):
    end = time.monotonic() + limit
    while not condition():
        assert time.monotonic() < end, "gave up waiting"
        time.sleep(0.02)


def test_ctrl_c_ends_a_wait_and_leaves_the_port_usable(simulator):
    sim = simulator("--fault", "silence:2", "--notice-every", "0")
    child = subprocess.Popen(
        [sys.executable, "-c", SCRIPT, sim.port],
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        text=True,
    )
    try:
        assert child.stdout.readline() == "waiting\n"
        # The second request has reached the module: the script now waits for its reply.
        wait_for(lambda: len(sim.log_lines()) >= 2)
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=10)
    finally:
        if child.poll() is None:
            child.kill()
    lines = out.splitlines()
    assert lines[0].startswith("interrupted after")
    assert float(lines[0].split()[-1]) < 5
    assert lines[1].startswith("node ")
    assert err == "" and child.returncode == 0


def test_other_threads_run_while_one_waits_and_a_second_caller_is_refused(simulator):
    sim = simulator("--fault", "silence", "--notice-every", "0")
    # Long enough that the second call surely comes while the first still waits.
    module = meshcfg.Module(sim.port, timeout=3.0)
    outcome = []

    def waiting_read():
        try:
            module.read_setup()
        except meshcfg.NoReply as error:
            outcome.append(error)

    reader = threading.Thread(target=waiting_read)
    reader.start()
    wait_for(lambda: len(sim.log_lines()) >= 1)
    counted = 0
    with pytest.raises(RuntimeError, match="one thread at a time"):
        module.path()
    while reader.is_alive():
        counted += 1
    reader.join()
    module.close()
    assert len(outcome) == 1
    assert counted > 1000
