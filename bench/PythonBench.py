"""The Python module against meshcfg-cli and against the engine alone, all reading qz470-sim at
9600 baud in the same run, interleaved in rounds so that all see the same machine load: reads
in one Python process, one meshcfg-cli run per read, and reads of bench_engine_read, the same
session in C++. Prints its rows as "ROW|figure|value|baseline|ratio|target|met".

  PythonBench.py [--short]
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "python"))
import meshcfg  # noqa: E402
from simulator import CLI, Simulator  # noqa: E402

ENGINE = os.environ.get("MESHCFG_ENGINE_READ", "bench_engine_read")

FULL_READS = 100
SHORT_READS = 3
ROUNDS = 10


def row(figure, value, baseline, ratio="-", target="-", met="-"):
    print(f"ROW|{figure}|{value}|{baseline}|{ratio}|{target}|{met}", flush=True)


def python_reads(port, count):
    """Seconds of each read, the module opened once for all."""
    each = []
    with meshcfg.Module(port) as module:
        for _ in range(count):
            start = time.perf_counter()
            module.read_setup()
            each.append(time.perf_counter() - start)
    return each


def cli_reads(port, count):
    """Seconds of each meshcfg-cli read run, from its spawn to its end."""
    each = []
    for _ in range(count):
        start = time.perf_counter()
        subprocess.run([CLI, "read", "--port", port], check=True, capture_output=True)
        each.append(time.perf_counter() - start)
    return each


def engine_reads(port, count):
    """Seconds of each read of the engine alone, the port opened once for all."""
    done = subprocess.run([ENGINE, port, str(count)], check=True, capture_output=True, text=True)
    return [float(line) for line in done.stdout.split()]


def main():
    reads = SHORT_READS if "--short" in sys.argv[1:] else FULL_READS
    with tempfile.TemporaryDirectory() as runtime_dir:
        os.environ["XDG_RUNTIME_DIR"] = runtime_dir
        sim = Simulator(runtime_dir, "--notice-every", "0", "--quiet")
        try:
            python, cli, engine = [], [], []
            per_round = max(1, reads // ROUNDS)
            while len(python) < reads:
                python += python_reads(sim.port, per_round)
                cli += cli_reads(sim.port, per_round)
                engine += engine_reads(sim.port, per_round)
        finally:
            sim.stop()
    python_total, cli_total = sum(python), sum(cli)
    ratio = cli_total / python_total
    row(
        f"python: {reads} reads in one process, s (baseline: {reads} meshcfg-cli read runs)",
        f"{python_total:.2f}",
        f"{cli_total:.2f}",
        f"{ratio:.2f}x",
        ">= 10x",
        "yes" if ratio >= 10 else "NO",
    )
    python_ms, engine_ms = statistics.median(python) * 1000, statistics.median(engine) * 1000
    added = python_ms - engine_ms
    row(
        "python: one read, median ms (baseline: the engine's read in C++)",
        f"{python_ms:.2f}",
        f"{engine_ms:.2f}",
        f"+{added:.2f} ms",
        "< +1 ms",
        "yes" if added < 1 else "NO",
    )


if __name__ == "__main__":
    main()
