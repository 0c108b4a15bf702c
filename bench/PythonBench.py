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


def python_reads(port, baud, count):
    """Seconds of each read, the module opened once for all."""
    each = []
    with meshcfg.Module(port, baud=baud) as module:
        for _ in range(count):
            start = time.perf_counter()
            module.read_setup()
            each.append(time.perf_counter() - start)
    return each


def cli_reads(port, baud, count):
    """Seconds of each meshcfg-cli read run, from its spawn to its end."""
    each = []
    for _ in range(count):
        start = time.perf_counter()
        subprocess.run(
            [CLI, "read", "--port", port, "--baud", str(baud)], check=True, capture_output=True
        )
        each.append(time.perf_counter() - start)
    return each


def engine_reads(port, baud, count):
    """Seconds of each read of the engine alone, the port opened once for all."""
    done = subprocess.run(
        [ENGINE, port, str(baud), str(count)], check=True, capture_output=True, text=True
    )
    return [float(line) for line in done.stdout.split()]


def measure(reads, baud):
    """The three reads at this baud rate, interleaved in rounds."""
    with tempfile.TemporaryDirectory() as runtime_dir:
        os.environ["XDG_RUNTIME_DIR"] = runtime_dir
        sim = Simulator(runtime_dir, "--notice-every", "0", "--quiet", "--baud", str(baud))
        try:
            python, cli, engine = [], [], []
            per_round = max(1, reads // ROUNDS)
            while len(python) < reads:
                python += python_reads(sim.port, baud, per_round)
                cli += cli_reads(sim.port, baud, per_round)
                engine += engine_reads(sim.port, baud, per_round)
        finally:
            sim.stop()
    return python, cli, engine


def report(reads, baud, python, cli, engine):
    ratio = sum(cli) / sum(python)
    row(
        f"python at {baud} Bd: {reads} reads in one process, s"
        f" (baseline: {reads} meshcfg-cli read runs)",
        f"{sum(python):.2f}",
        f"{sum(cli):.2f}",
        f"{ratio:.2f}x",
        ">= 10x",
        "yes" if ratio >= 10 else "NO",
    )
    python_ms, engine_ms = statistics.median(python) * 1000, statistics.median(engine) * 1000
    added = python_ms - engine_ms
    row(
        f"python at {baud} Bd: one read, median ms (baseline: the engine's read in C++)",
        f"{python_ms:.2f}",
        f"{engine_ms:.2f}",
        f"{added:+.2f} ms",
        "< +1 ms",
        "yes" if added < 1 else "NO",
    )


def main():
    reads = SHORT_READS if "--short" in sys.argv[1:] else FULL_READS
    # 9600 Bd as the module comes; 115200 Bd, where the wire no longer hides the start of a
    # process.
    for baud in (9600, 115200):
        report(reads, baud, *measure(reads, baud))


if __name__ == "__main__":
    main()
