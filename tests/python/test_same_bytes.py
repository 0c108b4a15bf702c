"""For the same values the module puts on the line exactly the bytes meshcfg-cli does: both
write to the same pseudo-terminal, whose far end is read here."""

import os
import select
import subprocess

import pytest

import meshcfg
from simulator import CLI

QUIET = 0.3  # this much silence after a request: nothing more is coming


def drain(master):
    received = b""
    while select.select([master], [], [], QUIET)[0]:
        received += os.read(master, 4096)
    return received


@pytest.fixture
def terminal():
    master, slave = os.openpty()
    # The slave stays open here, so the far end never hangs up between the two writers.
    yield master, os.ttyname(slave)
    os.close(master)
    os.close(slave)


def python_bytes(master, device, call):
    try:
        with meshcfg.Module(device, timeout=0.1) as module:
            call(module)
    except meshcfg.NoReply:
        pass
    return drain(master)


def cli_bytes(master, device, arguments):
    subprocess.run([CLI, *arguments, "--port", device, "--timeout", "100"], capture_output=True)
    return drain(master)


SETUP = meshcfg.Setup(
    frequency=433.5, power=5, life_cycle="6h", network_id=4660, node_id=301, uart_baud=9600,
    uart_parity="EVEN",
)
SETUP_OPTIONS = ["--frequency", "433.5", "--power", "5", "--life-cycle", "6h", "--network-id",
                 "4660", "--node-id", "301", "--uart-baud", "9600", "--uart-parity", "EVEN"]


@pytest.mark.parametrize(
    "call, arguments",
    [
        (lambda m: m.read_setup(), ["read"]),
        (lambda m: m.write_setup(SETUP), ["write", *SETUP_OPTIONS]),
        (lambda m: m.route_list(), ["route"]),
        (lambda m: m.path(), ["path"]),
        (lambda m: m.send(target=1, data=b"\x01\x02"), ["send", "--target", "1", "--data", "01 02"]),
        (
            lambda m: m.send(target=65535, data=bytes(range(60)), ack=True, mode="force", jump=3),
            ["send", "--target", "65535", "--data", bytes(range(60)).hex(), "--ack",
             "--mode", "force", "--jump", "3"],
        ),
        (
            lambda m: m.send(target=9, data=b"\xaa", mode="source", relays=[5, 0x0A, 300]),
            ["send", "--target", "9", "--data", "AA", "--mode", "source",
             "--relays", "0005,000A,012C"],
        ),
    ],
)
def test_the_bytes_sent_are_the_command_lines(terminal, call, arguments):
    master, device = terminal
    sent = python_bytes(master, device, call)
    assert sent
    assert sent == cli_bytes(master, device, arguments)
