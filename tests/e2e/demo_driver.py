"""Starts the demonstration programs under Wine for their end-to-end tests, reads what they log and
saves screenshots of their windows."""

import argparse
import os
import subprocess
import unittest

import viewer_driver as d


def to_windows_path(path):
    """The path as the Windows programs see it under Wine, whose drive Z: is the root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class DemoProcess:
    """A demonstration program under Wine, writing what its form shows to its log (--log) and ending by
    itself after --seconds; its output goes to <work_dir>/<name>.out."""

    def __init__(self, exe, work_dir, name, seconds):
        self.log_path = os.path.join(work_dir, name + ".log")
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        self._out = open(os.path.join(work_dir, name + ".out"), "wb")
        self.process = subprocess.Popen([d.wine_launcher(), exe, "--log", to_windows_path(self.log_path),
                                         "--seconds", str(seconds)], cwd=os.path.dirname(exe),
                                        stdin=subprocess.DEVNULL, stdout=self._out, stderr=subprocess.STDOUT)

    def lines(self):
        try:
            with open(self.log_path, encoding="utf-8") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def ready_line(self, timeout=40):
        """The log's "ready ..." line once the form is shown; raises when the program ends first."""

        def found():
            if self.process.poll() is not None:
                raise RuntimeError(f"the demonstration ended with code {self.process.returncode}")
            return next((line for line in self.lines() if line.startswith("ready ")), None)

        line = d.wait_until(found, timeout, 0.1)
        if not line:
            raise RuntimeError("the demonstration did not show its form")
        return line

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)
        self._out.close()


def run_demo_suite(case, session_env):
    """Runs a demonstration's test case on the session's display and exits with its result."""
    d.join_session(session_env)
    d.read_screen()
    suite = unittest.TestLoader().loadTestsFromTestCase(case)
    with d.hold_display():
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    raise SystemExit(0 if result.wasSuccessful() else 1)


def demo_options(*extra):
    """The command line of a demonstration's test: --demo, --work-dir, --session-env and the named extra
    required options; the work folder is made."""
    parser = argparse.ArgumentParser()
    for name in ("--demo", "--work-dir") + extra:
        parser.add_argument(name, required=True)
    parser.add_argument("--session-env", default="")
    opts = parser.parse_args()
    opts.demo = os.path.abspath(opts.demo)
    os.makedirs(opts.work_dir, exist_ok=True)
    return opts
