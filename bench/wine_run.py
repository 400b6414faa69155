"""Runs a Windows benchmark program under Wine for the benchmark scripts: the project's 64-bit loader in
its private prefix, inside a Wine session that is started (and stopped again) when none is running."""
import contextlib
import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SESSION = os.path.join(ROOT, "tools/wine-session")


@contextlib.contextmanager
def wine_session():
    """A running Wine session for the body; one started here is stopped again after it."""
    own = subprocess.run([SESSION, "alive"], capture_output=True).returncode != 0
    if own:
        subprocess.run([SESSION, "start"], check=True, stdout=subprocess.DEVNULL)
    try:
        yield
    finally:
        if own:
            subprocess.run([SESSION, "stop"], stdout=subprocess.DEVNULL)


def run_under_wine(run, program, args, folder):
    """Calls run(command, folder, env) with the command that starts program under Wine; its result."""
    with wine_session():
        env = dict(os.environ, WINEPREFIX=os.path.join(ROOT, "build/wine/prefix"), WINEARCH="win64",
                   WINEDEBUG="-all")
        return run([os.path.join(ROOT, "tools/wine64"), program] + args, folder, env)


def wine_output(program, args, timeout=600):
    """The standard output of program run on the session's display (tools/wine-test), for benchmarks
    that open windows."""
    with wine_session():
        env = dict(os.environ, PELMOR_TEST_TIMEOUT=str(timeout))
        return subprocess.run([os.path.join(ROOT, "tools/wine-test"), program] + args, capture_output=True,
                              text=True, env=env).stdout
