#!/usr/bin/env python3
"""Runs every benchmark, natively and under Wine, and prints one table of ratios with the goal beside
each: the inflater against libdeflate, the PNG decoder against the fastest reference library, the pixel
stages against pixman, the Windows build against the native one, the skin frame and the menu paints
against a BitBlt of the same area, and one message through each window-procedure interceptor against a
bare SendMessageW. Each ratio is measured side by side in one run; below 1 is faster.

    bench/all.py [--quick] [--no-wine]

--quick gives each measure a third of the time, for a look rather than figures. The whole run takes a
few minutes on a 2-core machine; the trees must be configured (build/native and build/win, as ./test
makes them); the benchmark programs are built first.
"""
import contextlib
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import imaging_bench  # noqa: E402
import inflate_bench  # noqa: E402
import png_bench  # noqa: E402
from wine_run import ROOT, wine_output, wine_session  # noqa: E402

SKIN = os.path.join(ROOT, "build/win/bench-bin/bench_skin_frame_paint.exe")
MENU = os.path.join(ROOT, "build/win/bench-bin/bench_menu_draw.exe")
DISPATCH = os.path.join(ROOT, "build/win/bench-bin/bench_msghook_dispatch.exe")
STAGES = ["blend_full", "blend_half", "scale_nearest", "scale_bilinear", "scale_bilinear_odd", "grayscale",
          "lightness", "drop_shadow_3", "drop_shadow_10"]
# The builds take turns this many times on the PNG files and the pixel stages, and each figure is the
# fastest of its turns: a single turn of each, one after the other, measured the machine's load as much
# as the builds.
ROUNDS = 2
PIXMAN = {"scale_bilinear": "pixman_scale_bilinear", "scale_bilinear_odd": "pixman_scale_bilinear_odd"}


class Table:
    def __init__(self):
        self.rows = []

    def add(self, goal, measure, value, limit, unit=""):
        """limit None: reported, no goal of its own."""
        self.rows.append((goal, measure, value, limit, unit))

    def print(self):
        print("%-4s %-64s %10s %10s  %s" % ("goal", "measure", "value", "goal", ""))
        for goal, measure, value, limit, unit in self.rows:
            shown = "-" if value is None else "%.2f%s" % (value, unit)
            if limit is None:
                verdict, bound = "", ""
            else:
                bound = "<= %.2f%s" % (limit, unit)
                verdict = "-" if value is None else ("met" if value <= limit else "MISSED")
            print("%-4s %-64s %10s %10s  %s" % (goal, measure[:64], shown, bound, verdict))
        met = sum(1 for r in self.rows if r[3] is not None and r[2] is not None and r[2] <= r[3])
        goals = sum(1 for r in self.rows if r[3] is not None)
        print("%d of %d goal figures met" % (met, goals))


def inflate_rows(table, ms, wine):
    inputs, native, windows = inflate_bench.measure(ms, wine)
    for name, _, _ in inputs:
        n = native.get(name, {})
        if n.get("builtin") and n.get("libdeflate"):
            table.add(6, "inflate %s: built-in / libdeflate" % name, n["libdeflate"] / n["builtin"], 1.0)
    for name, _, _ in inputs:
        n, w = native.get(name, {}), windows.get(name, {})
        if n.get("builtin") and w.get("builtin"):
            table.add(1, "inflate %s: windows / native" % name, n["builtin"] / w["builtin"], None)


def fastest(runs):
    """Per key, the least of the runs' values: the run the machine's other work disturbed least."""
    best = {}
    for run in runs:
        for key, value in run.items():
            if isinstance(value, dict):
                best[key] = fastest([best.get(key, {}), value])
            elif key not in best or value < best[key]:
                best[key] = value
    return best


def png_rows(table, ms, wine):
    natives, windows = png_bench.measure("--ms=%s" % ms, wine, rounds=ROUNDS)
    native = fastest(png_bench.parse(t) for t in natives)
    windows = fastest(png_bench.parse(t) for t in windows)
    references = ("libpng", "libspng", "stb_image")
    for group, t in native.items():
        best = min(t[r] for r in references if r in t)
        table.add(2, "png %s: built-in / fastest of libpng, libspng, stb" % group, t["ours-builtin"] / best, 1.0)
    for group, t in native.items():
        best = min(t[r] for r in references if r in t)
        table.add(2, "png %s: zlib route / fastest reference" % group, t["ours-zlib"] / best, None)
    for group, t in windows.items():
        n = native.get(group, {}).get("ours-builtin")
        if n:
            table.add(1, "png load %s: windows / native" % group, t["ours-builtin"] / n, 1.5)
    for group, t in windows.items():
        n = native.get(group, {}).get("ours-builtin")
        if n and "core-builtin" in t:
            table.add(1, "png decode alone %s: windows / native" % group, t["core-builtin"] / n, None)
    for group, t in windows.items():
        if "core-builtin" in t:
            added = (t["ours-builtin"] - t["core-builtin"]) / t["files"] * 1000
            table.add(1, "png load %s: windows path's own cost per load" % group, added, None, " us")


def imaging_rows(table, ms, wine):
    runs = [imaging_bench.measure(ms, wine) for _ in range(ROUNDS)]
    native = fastest(r["native"] for r in runs)
    windows = fastest(r.get("windows", {}) for r in runs)
    for stage, reference in PIXMAN.items():
        if stage in native and reference in native:
            table.add(3, "%s / pixman" % stage, native[stage] / native[reference], 1.0)
    floor, odd = native.get("scale_bilinear_odd_double_floor"), native.get("pixman_scale_bilinear_odd")
    if floor and odd:
        table.add(3, "scale_bilinear_odd: least exact AVX2 double work / pixman", floor / odd, None)
    for stage in STAGES:
        if stage in native and stage in windows:
            table.add(1, "pixel stage %s: windows / native" % stage, windows[stage] / native[stage], 1.15)


def number(pattern, text):
    m = re.search(pattern, text)
    return float(m.group(1)) if m else None


def paint_rows(table):
    skin = wine_output(SKIN, [])
    # The skin spares the system's non-client repaint, so the whole message is its share.
    table.add(4, "skin frame paint: whole message / BitBlt", number(r"\(WM_NCACTIVATE\).*ratio ([\d.]+)", skin),
              3.0)
    table.add(4, "system's default activation handling / BitBlt",
              number(r"default handling alone: [\d.]+ us, ratio ([\d.]+)", skin), None)
    step = number(r"live resize step: ([\d.]+) us", skin)
    table.add(4, "live resize step", step / 1000 if step is not None else None, 8.0, " ms")
    menu = wine_output(MENU, [])
    table.add(5, "popup item paint / BitBlt", number(r"popup item paint .*ratio ([\d.]+)", menu), 20.0)
    table.add(5, "popup frame with shadow / BitBlt", number(r"popup frame image .*ratio ([\d.]+)", menu), 10.0)


def dispatch_rows(table):
    out = wine_output(DISPATCH, [])
    for name, shown in (("cWndProcTrampoline", "trampoline"), ("cSubThunk", "cSubThunk"),
                        ("a trampoline and a cSubThunk stacked", "both stacked")):
        table.add("", "message through %s / bare SendMessageW" % shown,
                  number(r"%s: [\d.]+ us, ratio ([\d.]+)" % re.escape(name), out), None)
    table.add("", "message through cHookingThunk / a plain hook procedure",
              number(r"to the plain hook procedure: ratio ([\d.]+)", out), None)


def main():
    quick = "--quick" in sys.argv
    wine = "--no-wine" not in sys.argv
    # The trees' default builds leave the benchmarks out.
    for tree in ["build/native"] + (["build/win"] if wine else []):
        subprocess.run(["cmake", "--build", os.path.join(ROOT, tree), "--target", "benchmarks"], check=True,
                       stdout=subprocess.DEVNULL)
    start = time.time()
    table = Table()
    with wine_session() if wine else contextlib.nullcontext():
        inflate_rows(table, "100" if quick else "300", wine)
        png_rows(table, "100" if quick else "300", wine)
        imaging_rows(table, "130" if quick else "400", wine)
        if wine:
            paint_rows(table)
            dispatch_rows(table)
    table.print()
    load = os.getloadavg()
    print("%.0f s; load average %.2f %.2f %.2f" % (time.time() - start, *load))


if __name__ == "__main__":
    main()
