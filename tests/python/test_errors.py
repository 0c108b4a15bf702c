"""Failures as the exceptions of the command line's exit codes, with port and reason, and
nothing printed."""

import math
import subprocess

import pytest

import meshcfg
from simulator import CLI

EMPTY_MESH = "local 1\nempty\n"


def open_and(call):
    def run(port):
        with meshcfg.Module(port, timeout=1.0) as module:
            call(module)

    return run


@pytest.mark.parametrize(
    "options, port, run, raised, exit_code, reason",
    [
        ((), "COM250", open_and(lambda m: None), meshcfg.PortError, 3, "No such device"),
        (("--fault", "silence"), None, open_and(lambda m: m.read_setup()), meshcfg.NoReply, 4,
         "no reply within 1000 ms"),
        (("--fault", "bad-check"), None, open_and(lambda m: m.path()), meshcfg.NoReply, 4,
         "check byte"),
        (("--fault", "short"), None, open_and(lambda m: m.read_setup()), meshcfg.NoReply, 4,
         ""),
        ((), None, lambda port: meshcfg.Module(port, baud=1234), meshcfg.UsageError, 2,
         "not a rate"),
        ((), None, lambda port: meshcfg.Module(port, timeout=math.nan), meshcfg.UsageError, 2,
         "time-out"),
        ((), None, lambda port: meshcfg.Module(port, parity="MARK"), meshcfg.UsageError, 2,
         "parity"),
    ],
)
def test_failures_raise_the_exit_codes_exception(
    simulator, tmp_path, capfd, options, port, run, raised, exit_code, reason
):
    mesh = tmp_path / "empty.mesh"
    mesh.write_text(EMPTY_MESH)
    sim = simulator(*[option.format(mesh=mesh) for option in options])
    port = port or sim.port
    with pytest.raises(raised) as caught:
        run(port)
    error = caught.value
    assert isinstance(error, meshcfg.Error)
    assert (error.port, error.exit_code) == (port, exit_code)
    assert reason in error.reason and error.reason in str(error)
    assert capfd.readouterr() == ("", "")


def test_a_closed_module_refuses_calls(simulator):
    sim = simulator()
    module = meshcfg.Module(sim.port)
    module.close()
    with pytest.raises(meshcfg.UsageError, match="closed"):
        module.read_setup()


def test_a_lost_port_is_a_port_error(simulator):
    sim = simulator("--notice-every", "0")
    with meshcfg.Module(sim.port, timeout=1.0) as module:
        module.read_setup()
        sim.stop()
        with pytest.raises(meshcfg.PortError) as caught:
            module.read_setup()
    assert caught.value.port == sim.port


# Each call refused as a usage error before any port opens, in the words of the command line's
# line on stderr for the same names (no command line where its option parser words it). The
# calls take the simulator's COM alias and the terminal it leads to, as {port} and {device}
# stand for them in the words.
@pytest.mark.parametrize(
    "call, command_line, reason",
    [
        (lambda port, device: meshcfg.survey([port, port]),
         ["-p", "{port}", "-p", "{port}", "mesh", "survey"],
         "{port} is named twice: name each port once"),
        (lambda port, device: meshcfg.survey([port, device]),
         ["-p", "{port}", "-p", "{device}", "mesh", "survey"],
         "{port} and {device} are one port ({device}): name it once"),
        (lambda port, device: meshcfg.survey(["COM205-COM200"]),
         ["-p", "COM205-COM200", "mesh", "survey"],
         "'COM205-COM200' is not a range: give COMn-COMm, first to last, within COM1 to COM255"),
        (lambda port, device: meshcfg.survey([port], baud=12345), None,
         "12345 is not a rate the port takes: 1200, 2400, 4800, 9600, 19200, 38400, 57600, "
         "115200"),
        (lambda port, device: meshcfg.Module("COM0"), ["-p", "COM0", "read"],
         "'COM0' is not COM1 to COM255"),
        (lambda port, device: meshcfg.Module("COM256"), ["-p", "COM256", "read"],
         "'COM256' is not COM1 to COM255"),
        (lambda port, device: meshcfg.Module("tcp://bench-3"), ["-p", "tcp://bench-3", "read"],
         "'tcp://bench-3' has no :PORT"),
        (lambda port, device: meshcfg.Module("rfc2217://bench-3:99999"),
         ["-p", "rfc2217://bench-3:99999", "read"],
         "'rfc2217://bench-3:99999' has no TCP port from 1 to 65535 after the host"),
    ],
)
def test_refused_in_the_words_of_the_command_line(simulator, call, command_line, reason):
    sim = simulator()

    def named(text):
        return text.replace("{device}", sim.device).replace("{port}", sim.port)

    with pytest.raises(meshcfg.UsageError) as caught:
        call(sim.port, sim.device)
    assert (caught.value.reason, caught.value.exit_code) == (named(reason), 2)
    if command_line is not None:
        done = subprocess.run([CLI, *map(named, command_line)], capture_output=True, text=True)
        assert (done.returncode, done.stderr) == (2, f"meshcfg-cli: {named(reason)}\n")
    assert sim.log_lines() == []
