"""Each method of meshcfg.Module against qz470-sim, and what it refuses before sending."""

import itertools
import json
import math
import subprocess
import sys

import pytest

import meshcfg
from simulator import CLI

KNOWN = dict(
    frequency=434.0,
    power=7,
    life_cycle="1h",
    network_id=1,
    node_id=301,
    uart_baud=9600,
    uart_parity="NO",
)


def cli_json(*arguments):
    done = subprocess.run([CLI, *arguments, "--json"], capture_output=True, text=True, check=True)
    return json.loads(done.stdout)


@pytest.mark.parametrize(
    "settings",
    [
        KNOWN,
        dict(KNOWN, frequency=433.5, power=1, life_cycle="24h", network_id=65535, node_id=0),
        dict(KNOWN, frequency=470.25, power=4, life_cycle="12h", network_id=0, node_id=65534),
    ],
)
def test_write_then_read_gives_the_settings_back(simulator, settings):
    sim = simulator()
    with meshcfg.Module(sim.port, timeout=2.0) as module:
        module.write_setup(meshcfg.Setup(**settings), verify=True)
        read = module.read_setup()
    assert read.as_dict() == settings
    assert read == meshcfg.Setup(**settings)
    assert {key: getattr(read, key) for key in settings} == settings


@pytest.mark.parametrize(
    "change, refused",
    [
        (dict(node_id=302), None),
        (dict(frequency=433, life_cycle="2h"), None),
        (dict(node_id=70000), "node_id"),
        (dict(node_id=-1), "node_id"),
        (dict(node_id=2**80), "node_id"),
        (dict(node_id=True), "node_id"),
        (dict(frequency=math.nan), "frequency"),
        (dict(frequency=math.inf), "frequency"),
        (dict(power=0), "power"),
        (dict(life_cycle="25h"), "life_cycle"),
        (dict(uart_baud=1234), "uart_baud"),
        (dict(uart_parity="MARK"), "uart_parity"),
        (dict(colour="red"), "colour"),
        (dict(network_id=[1]), "network_id"),
    ],
)
def test_replace_checks_as_the_command_line_does(change, refused):
    setup = meshcfg.Setup(**KNOWN)
    if refused is None:
        assert setup.replace(**change).as_dict() == dict(KNOWN, **change)
        assert setup.as_dict() == KNOWN
        return
    with pytest.raises(meshcfg.UsageError) as raised:
        setup.replace(**change)
    assert refused in str(raised.value)
    assert raised.value.port is None
    assert isinstance(raised.value, ValueError)


def test_a_setup_needs_all_seven():
    with pytest.raises(meshcfg.UsageError, match="uart_parity"):
        meshcfg.Setup(**{k: v for k, v in KNOWN.items() if k != "uart_parity"})


@pytest.mark.parametrize(
    "command, python_form",
    [
        ("read", lambda module: module.read_setup().as_dict()),
        (
            "route",
            lambda module: {
                "local": module.route_list().local,
                "routes": [
                    {"route": r.route, "target": r.target} for r in module.route_list().routes
                ],
            },
        ),
        (
            "path",
            lambda module: {"path": module.path().nodes, "links": module.path().links},
        ),
    ],
)
def test_answers_are_what_the_command_line_shows(simulator, command, python_form):
    sim = simulator("--seed", "1")
    with meshcfg.Module(sim.port) as module:
        shown = python_form(module)
    assert shown == cli_json(command, "--port", sim.port)


@pytest.mark.parametrize(
    "arguments, code, text",
    [
        (dict(target=3, data=b"\x01\x02", ack=True, timeout=2.0), 0, "Send data ok."),
        (dict(target=6, data=bytes(range(100))), 0, "Send data ok."),
        (dict(target=5, data=b"\xff", mode="source", relays=[4]), 0, "Send data ok."),
        (dict(target=3, data=b"\x01", mode="forbidden", jump=1), 0, "Send data ok."),
    ],
)
def test_send_gives_the_confirmation(simulator, arguments, code, text):
    sim = simulator("--seed", "1", "--notice-every", "0")
    with meshcfg.Module(sim.port) as module:
        status = module.send(**arguments)
    assert (status.code, status.text, status.ok) == (code, text, code == 0)
    assert 0 < status.round_trip < 2.0


@pytest.mark.parametrize(
    "arguments, refused",
    [
        (dict(target=70000, data=b"\x01"), "target"),
        (dict(target=-1, data=b"\x01"), "target"),
        (dict(target=2**70, data=b"\x01"), "target"),
        (dict(target=3, data=b""), "data"),
        (dict(target=3, data=bytes(200)), "too long"),
        (dict(target=3, data=bytes(120), mode="source", relays=[4, 5, 6]), "too long"),
        (dict(target=3, data=b"\x01", jump=8), "jump"),
        (dict(target=3, data=b"\x01", jump=0), "jump"),
        (dict(target=3, data=b"\x01", mode="nearest"), "route mode"),
        (dict(target=3, data=b"\x01", relays=[4]), "--mode source"),
        (dict(target=3, data=b"\x01", mode="source", relays=[70000]), "relay"),
        (dict(target=3, data=b"\x01", mode="source", relays=list(range(1, 8))), "relays"),
        (dict(target=3, data=b"\x01", timeout=math.nan), "time-out"),
        (dict(target=3, data=b"\x01", timeout=0), "time-out"),
    ],
)
def test_send_refuses_before_anything_is_sent(simulator, arguments, refused):
    sim = simulator("--notice-every", "0")
    with meshcfg.Module(sim.port) as module:
        with pytest.raises(meshcfg.UsageError) as raised:
            module.send(**arguments)
        module.read_setup()  # the line is still in step
    assert refused in raised.value.reason
    assert raised.value.port == sim.port
    assert [line for line in sim.log_lines() if "send" in line.lower()] == []


# Data far beyond what a frame carries is refused by its length alone: the send may take no more
# memory than a frame's worth, however long the data (10^8 bytes once took 680 MB and 10 s).
SEND_UNDER_A_LIMIT = """
import resource, sys, meshcfg
data = bytes(10**8)
with meshcfg.Module(sys.argv[1]) as module:
    held = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
    resource.setrlimit(resource.RLIMIT_AS, (held + 200 * 2**20, resource.RLIM_INFINITY))
    try:
        module.send(3, data)
    except meshcfg.UsageError as error:
        print(error.reason)
"""


def test_send_refuses_data_too_long_before_reading_it(simulator):
    sim = simulator("--notice-every", "0")
    done = subprocess.run(
        [sys.executable, "-c", SEND_UNDER_A_LIMIT, sim.port], capture_output=True, text=True
    )
    assert (done.stdout, done.returncode) == (
        "send: data too long: at most 117 bytes can be sent\n",
        0,
    ), done.stderr
    assert [line for line in sim.log_lines() if "send" in line.lower()] == []


def test_an_empty_route_list_is_what_the_command_line_prints(simulator, tmp_path):
    mesh = tmp_path / "alone.mesh"
    mesh.write_text("local 9\nempty\n")
    sim = simulator("--mesh", str(mesh))
    with meshcfg.Module(sim.port) as module:
        listed = module.route_list()
    done = subprocess.run(
        [CLI, "route", "--port", sim.port, "--json"], capture_output=True, text=True
    )
    assert done.returncode == 1
    assert json.loads(done.stdout) == {"local": listed.local, "routes": listed.routes} == {
        "local": 9,
        "routes": [],
    }


@pytest.mark.parametrize(
    "options, wanted, timeout, count",
    [
        (("--notice-every", "1"), 2, 5.0, 2),
        (("--notice-every", "0"), 5, 0.3, 0),
    ],
)
def test_notices_come_until_the_time_out(simulator, options, wanted, timeout, count):
    sim = simulator(*options)
    with meshcfg.Module(sim.port) as module:
        notices = list(itertools.islice(module.notices(timeout=timeout), wanted))
    assert len(notices) == count
    for notice in notices:
        assert isinstance(notice.source, int)
        assert isinstance(notice.data, bytes) and notice.data
        assert len(notice.frame) > len(notice.data)


@pytest.mark.parametrize("timeout", [-1.0, math.nan, math.inf])
def test_notices_refuse_a_bad_time_out(simulator, timeout):
    sim = simulator("--notice-every", "0")
    with meshcfg.Module(sim.port) as module:
        with pytest.raises(meshcfg.UsageError, match="time-out"):
            module.notices(timeout=timeout)


def test_a_notice_during_a_request_is_kept_for_notices(simulator):
    sim = simulator("--notice-every", "0", "--notice-before-reply")
    with meshcfg.Module(sim.port) as module:
        module.read_setup()
        module.read_setup()
        kept = list(module.notices(timeout=0))
    assert len(kept) == 2


def test_ports_lists_what_the_command_line_lists(simulator):
    sim = simulator()
    listed = meshcfg.ports()
    assert listed == cli_json("ports")
    assert sim.port in [port["port"] for port in listed]


PROFILE = """frequency = 434.0
power = 7
life_cycle = "1h"
network_id = 1
node_id = 5
uart_baud = 9600
uart_parity = "NO"
"""


@pytest.mark.parametrize(
    "options, text, node_id, result, why",
    [
        ((), PROFILE, 301, "PASS", ""),
        ((), PROFILE, None, "PASS", ""),
        (("--fault", "silence"), PROFILE, 301, "FAIL", "no reply"),
    ],
)
def test_apply_reports_pass_or_fail_and_why(
    simulator, tmp_path, options, text, node_id, result, why
):
    sim = simulator(*options)
    path = tmp_path / "line.toml"
    path.write_text(text)
    with meshcfg.Module(sim.port, timeout=0.5) as module:
        report = module.apply(meshcfg.Profile.load(str(path)), node_id=node_id)
        assert not module.closed
    assert report.result == result and bool(report) == (result == "PASS")
    assert why in report.why
    assert report.node_id == (node_id or 5)
    if result == "PASS":
        assert report.read_back.node_id == (node_id or 5)
        assert str(report) == "PASS"


@pytest.mark.parametrize(
    "text, node_id, refused",
    [
        (PROFILE, 70000, "node_id"),
        (PROFILE.replace("uart_parity", "#"), None, "uart_parity"),
        ("power = 9\n", None, ":1:"),
    ],
)
def test_apply_refuses_a_bad_profile_before_sending(simulator, tmp_path, text, node_id, refused):
    sim = simulator("--notice-every", "0")
    path = tmp_path / "line.toml"
    path.write_text(text)
    with pytest.raises(meshcfg.UsageError) as raised:
        with meshcfg.Module(sim.port) as module:
            module.apply(meshcfg.Profile.load(str(path)), node_id=node_id)
    assert refused in str(raised.value)
    assert sim.log_lines() == []


@pytest.mark.parametrize("settings", [KNOWN, dict(KNOWN, life_cycle="24h", uart_parity="ODD")])
def test_a_setups_repr_reads_back_as_the_same_setup(settings):
    setup = meshcfg.Setup(**settings)
    assert eval(repr(setup), {"Setup": meshcfg.Setup}) == setup


@pytest.mark.parametrize(
    "modules",
    [
        [()],
        [(), ("--fault", "silence")],
    ],
    ids=["one module", "beside a silent one"],
)
def test_survey_is_what_the_command_line_surveys(simulator, modules):
    ports = [simulator(*options).port for options in modules]
    named = [word for port in ports for word in ("-p", port)]
    done = subprocess.run(
        [CLI, *named, "--timeout", "500", "mesh", "survey", "--json"],
        capture_output=True,
        text=True,
    )
    assert done.stdout, done.stderr
    assert meshcfg.survey(ports, timeout=0.5) == json.loads(done.stdout)


def test_survey_refuses_no_ports():
    with pytest.raises(meshcfg.UsageError):
        meshcfg.survey([])
