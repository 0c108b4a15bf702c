"""A mesh file's plan, apply and verify from Python return what the command line's --json
prints, and refuse a wrong file as it does."""

import json
import subprocess

import pytest

import meshcfg
from simulator import CLI


def cli_json(runtime_dir, *words):
    env = {"XDG_RUNTIME_DIR": str(runtime_dir), "PATH": "/usr/bin:/bin"}
    done = subprocess.run([CLI, *words, "--json"], capture_output=True, text=True, env=env)
    return json.loads(done.stdout)


def test_plan_apply_verify_return_the_command_lines_documents(simulator, runtime_dir, tmp_path):
    sim = simulator("--quiet")
    site = tmp_path / "site.toml"
    site.write_text(f'[defaults]\npower = 5\n[[module]]\nport = "{sim.port}"\nnode_id = 9\n')

    planned = meshcfg.plan(str(site))
    assert planned == cli_json(runtime_dir, "mesh", "plan", str(site))
    assert planned["differing"] == 1
    assert {change["key"] for change in planned["modules"][0]["changes"]} == {"power", "node_id"}

    applied = meshcfg.apply(str(site))
    assert applied["written"] == 1
    assert applied["modules"][0]["settings"]["power"] == 5
    assert meshcfg.apply(str(site)) == cli_json(runtime_dir, "mesh", "apply", str(site))

    verdict = meshcfg.verify(str(site))
    assert verdict == cli_json(runtime_dir, "mesh", "verify", str(site))
    assert verdict["drifts"] == []


def test_a_wrong_file_is_refused_before_any_port_opens(tmp_path):
    site = tmp_path / "site.toml"
    site.write_text('[[module]]\nport = "COM200"\nnode_id = 1\npower = 9\n')
    with pytest.raises(meshcfg.UsageError, match=r"site.toml:4: 9 is not a valid power"):
        meshcfg.verify(str(site))
