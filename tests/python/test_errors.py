"""Failures as the exceptions of the command line's exit codes, with port and reason, and
nothing printed."""

import math

import pytest

import meshcfg

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
        (("--mesh", "{mesh}"), None, open_and(lambda m: m.route_list()), meshcfg.ModuleRefused, 1,
         "no routes"),
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
