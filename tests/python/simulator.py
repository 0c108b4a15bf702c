"""qz470-sim for the Python module's tests and benchmark: started on a pseudo-terminal with
the caller's options, its COM alias in the runtime directory given, stopped at the end."""

import os
import re
import select
import signal
import subprocess

SIM = os.environ.get("MESHCFG_SIM", "qz470-sim")
CLI = os.environ.get("MESHCFG_CLI", "meshcfg-cli")
START_LIMIT = 15.0


class Simulator:
    def __init__(self, runtime_dir, *options):
        self.log = os.path.join(runtime_dir, "sim.log")
        env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime_dir))
        self.process = subprocess.Popen(
            [SIM, "--log", self.log, *options], stdout=subprocess.PIPE, env=env, text=True
        )
        ready, _, _ = select.select([self.process.stdout], [], [], START_LIMIT)
        line = self.process.stdout.readline().strip() if ready else ""
        found = re.fullmatch(r"qz470-sim: (COM\d+) -> (\S+)", line)
        if not found:
            self.stop()
            raise RuntimeError(f"qz470-sim named no port: {line!r}")
        self.port, self.device = found.group(1), found.group(2)

    def log_lines(self):
        try:
            with open(self.log, encoding="utf-8") as log:
                return log.read().splitlines()
        except FileNotFoundError:
            return []

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
