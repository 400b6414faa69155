#!/usr/bin/env python3
"""Benchmarks the PNG decoder against libpng, libspng and stb_image natively, and against GDI+ under
Wine, on the same files in one run.

Files are gathered each time (nothing large is kept in the tree) into groups: icons (Debian's icon
themes), screenshots (screenshots and diagrams from Debian's documentation, and the viewer's own
screenshots when ./run and ./test have made them), photos (photograph-like images ImageMagick makes:
its built-in photograph enlarged, and plasma fractals with noise), and each group again interlaced
(Adam7, written by ImageMagick). Prints, per group, the time of one decode of every file per decoder
and ours as ratios to the fastest reference (below 1.00: faster).

    bench/png_bench.py [--ms=300] [--no-wine] [--keep=DIR]
"""
import os
import shutil
import subprocess
import sys
import tempfile

from wine_run import run_under_wine

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NATIVE = os.path.join(ROOT, "build/native/bench-bin/bench_png_decode")
WIN = os.path.join(ROOT, "build/win/bench-bin/bench_png_decode.exe")


def pngs_under(top, min_size=0):
    found = []
    for folder, _, files in os.walk(top):
        for name in files:
            path = os.path.join(folder, name)
            if name.endswith(".png") and os.path.isfile(path) and os.path.getsize(path) >= min_size:
                found.append(path)
    return sorted(found)


def spread(paths, count):
    step = max(1, len(paths) // count)
    return paths[::step][:count]


def convert(args):
    subprocess.run(["convert"] + args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_groups(folder):
    groups = {}

    def group(name):
        path = os.path.join(folder, name)
        os.makedirs(path, exist_ok=True)
        groups[name] = path
        return path

    icons = group("icons")
    for i, p in enumerate(spread(pngs_under("/usr/share/icons"), 60)):
        shutil.copy(p, os.path.join(icons, "%03d.png" % i))

    shots = group("screenshots")
    candidates = spread(pngs_under("/usr/share/doc", 20000) + pngs_under("/usr/share/info", 20000), 16)
    candidates += [os.path.join(ROOT, p) for p in ("build/run/screenshot.png",
                                                   "build/win/scrollbar_demo/scrollbar_demo.png")]
    for i, p in enumerate(c for c in candidates if os.path.exists(c)):
        shutil.copy(p, os.path.join(shots, "%03d.png" % i))

    photos = group("photos")
    convert(["rose:", "-resize", "1600%", os.path.join(photos, "rose.png")])
    for seed in (1, 2, 3):
        convert(["-seed", str(seed), "-size", "1280x960", "plasma:fractal", "-blur", "0x1",
                 "-attenuate", "0.4", "+noise", "Gaussian", "-depth", "8", os.path.join(photos, "plasma%d.png" % seed)])
    convert(["-seed", "4", "-size", "800x600", "plasma:fractal", "-alpha", "set", "-channel", "A",
             "-evaluate", "set", "70%", "+channel", "-depth", "8", os.path.join(photos, "plasma-alpha.png")])

    for name in ("icons", "screenshots", "photos"):
        source = groups[name]
        target = group(name + "-interlaced")
        for f in sorted(os.listdir(source)):
            convert([os.path.join(source, f), "-interlace", "PNG", os.path.join(target, f)])
    return groups


def run(command, groups, folder, env=None):
    r = subprocess.run(command + ["%s=%s" % (n, p) for n, p in groups.items()], cwd=folder, env=env,
                       capture_output=True, text=True)
    if r.returncode != 0:
        sys.stderr.write(r.stderr)
    return r.stdout


def wine_paths(groups):
    return {n: "Z:" + p.replace("/", "\\") for n, p in groups.items()}


def parse(text):
    """{group: {decoder: milliseconds for one decode of every file}} from the program's table."""
    lines = text.splitlines()
    header = next((l.split() for l in lines if l.startswith("group")), [])
    decoders = header[2:header.index("ratios")] if "ratios" in header else []
    groups = {}
    for line in lines:
        fields = line.split()
        if len(fields) < 2 + len(decoders) or not fields[1].isdigit():
            continue
        times = [f[:-2] for f in fields[2:2 + len(decoders)] if f.endswith("ms")]
        if len(times) == len(decoders):
            groups[fields[0]] = dict(zip(decoders, map(float, times)), files=int(fields[1]))
    return groups


def measure(ms="--ms=300", wine=True, keep=None, rounds=1):
    """The tables of both builds as the programs print them (the Windows one empty without Wine); with
    several rounds, lists of them, the builds taking turns on the same files."""
    if not os.path.exists(NATIVE):
        sys.exit("png_bench: build build/native first (%s is missing)" % NATIVE)
    folder = keep or tempfile.mkdtemp(prefix="pelmor-png-bench-")
    groups = make_groups(folder)
    natives, windows = [], []
    for _ in range(rounds):
        natives.append(run([NATIVE, ms], groups, folder))
        if wine and os.path.exists(WIN):
            windows.append(run_under_wine(lambda command, cwd, env: run(command, wine_paths(groups), cwd, env),
                                          WIN, [ms], folder))
    if not keep:
        shutil.rmtree(folder)
    if rounds > 1:
        return natives, windows
    return natives[0], windows[0] if windows else ""


def main():
    ms = next((a for a in sys.argv[1:] if a.startswith("--ms=")), "--ms=300")
    keep = next((a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--keep=")), None)
    native, windows = measure(ms, "--no-wine" not in sys.argv, keep)
    print("native (times of one decode of every file; ours as ratios to the fastest reference):")
    print(native)
    if windows:
        print("x86-64 Windows build under Wine (the reference is GDI+; core-builtin is the platform-free decode")
        print("alone, as natively, so ours-builtin minus it is what the Windows path adds to a load):")
        print(windows)


if __name__ == "__main__":
    main()
