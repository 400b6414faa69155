"""Runs a Windows benchmark program under Wine for the benchmark scripts: the project's 64-bit loader in
its private prefix, inside a Wine session that is started (and stopped again) when none is running."""
import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run_under_wine(run, program, args, folder):
    """Calls run(command, folder, env) with the command that starts program under Wine; its result."""
    session = os.path.join(ROOT, "tools/wine-session")
    own = subprocess.run([session, "alive"], capture_output=True).returncode != 0
    if own:
        subprocess.run([session, "start"], check=True, stdout=subprocess.DEVNULL)
    try:
        env = dict(os.environ, WINEPREFIX=os.path.join(ROOT, "build/wine/prefix"), WINEARCH="win64",
                   WINEDEBUG="-all")
        return run([os.path.join(ROOT, "tools/wine64"), program] + args, folder, env)
    finally:
        if own:
            subprocess.run([session, "stop"], stdout=subprocess.DEVNULL)
