#!/usr/bin/env python3
"""Benchmarks the image engine's pixel stages natively and in the Windows build under Wine, in one run.

Both builds of bench_imaging measure the same 1920 x 1080 frames (blend at full and half opacity, nearest
and bilinear scaling to 1280 x 720, grayscale, lightness, drop shadow, and memcpy of the frame); the
native build also measures pixman on the same pixels. Prints the times and the ratios the goals are set
in: time against pixman (at most 1.00 is no slower), the blend's speed as a share of memcpy's, and the
drop shadow in Gpixel/s; the main figures are of the paths drawing takes (AVX2 where the processor has
it), then the SSE2 paths alone and the reference paths.

    bench/imaging_bench.py [--ms=400] [--no-wine]
"""
import os
import subprocess
import sys

from wine_run import wine_output

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NATIVE = os.path.join(ROOT, "build/native/bench-bin/bench_imaging")
WIN = os.path.join(ROOT, "build/win/bench-bin/bench_imaging.exe")


def parse(text):
    values = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 2:
            try:
                values[parts[0]] = float(parts[1])
            except ValueError:
                pass
    return values


def run_native(ms):
    return parse(subprocess.run([NATIVE, ms], capture_output=True, text=True, check=True).stdout)


def run_windows(ms):
    return parse(wine_output(WIN, [ms]))


def measure(ms, wine=True):
    """Milliseconds per measure of each build: {"native": {...}, "windows": {...}}."""
    builds = {"native": run_native(ms)}
    if wine and os.path.exists(WIN):
        builds["windows"] = run_windows(ms)
    return builds


def fmt(v, form="{:8.3f}"):
    return form.format(v) if v is not None else "       -"


def main():
    ms = next((a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--ms=")), "400")
    builds = measure(ms, "--no-wine" not in sys.argv)
    native = builds["native"]

    print("milliseconds per 1920x1080 frame (fastest run):")
    names = ["memcpy", "blend_full", "blend_half", "scale_nearest", "scale_bilinear", "scale_bilinear_odd",
             "grayscale", "lightness", "drop_shadow_3", "drop_shadow_10"]
    print("  %-20s" % "" + "".join("%10s" % b for b in builds) + "%10s" % "pixman")
    pixman_of = {"blend_full": "pixman_blend_full", "blend_half": "pixman_blend_half",
                 "scale_nearest": "pixman_scale_nearest", "scale_bilinear": "pixman_scale_bilinear",
                 "scale_bilinear_odd": "pixman_scale_bilinear_odd"}
    for n in names:
        row = "  %-20s" % n + "".join("  " + fmt(b.get(n)) for b in builds.values())
        row += "  " + fmt(native.get(pixman_of.get(n, ""))) if n in pixman_of else ""
        print(row)

    print("\ntime against pixman (native pixman in both columns; <= 1.00 is no slower):")
    for n, p in pixman_of.items():
        ref = native.get(p)
        if not ref:
            continue
        print("  %-20s" % n + "".join("  %8.2f" % (b[n] / ref) for b in builds.values() if n in b))

    print("\nblend speed as a share of memcpy of the frame (goal >= 0.40):")
    for n in ("blend_full", "blend_half"):
        print("  %-20s" % n + "".join("  %8.2f" % (b["memcpy"] / b[n]) for b in builds.values() if n in b))

    print("\ndrop shadow, Gpixel/s of shadow (goal >= 1.0):")
    for blur in ("3", "10"):
        n = "drop_shadow_" + blur
        print("  %-20s" % n + "".join("  %8.2f" % (b[n + "_pixels"] / b[n] / 1e6) for b in builds.values()
                                      if n in b))
    print("\nSSE2 paths alone (processors without AVX2), time against pixman:")
    for n in ("blend_full", "blend_half", "scale_bilinear", "scale_bilinear_odd"):
        ref = native.get(pixman_of[n])
        if not ref:
            continue
        print("  %-20s" % n + "".join("  %8.2f" % (b[n + "_sse2"] / ref) for b in builds.values()
                                      if n + "_sse2" in b))
    print("\nblend speed of the SSE2 paths as a share of memcpy of the frame:")
    for n in ("blend_full", "blend_half"):
        print("  %-20s" % n + "".join("  %8.2f" % (b["memcpy"] / b[n + "_sse2"]) for b in builds.values()
                                      if n + "_sse2" in b))
    print("\nreference paths, time against the fastest paths:")
    for n in ("blend_full", "scale_bilinear", "lightness", "drop_shadow_10"):
        print("  %-20s" % n + "".join("  %8.1f" % (b[n + "_reference"] / b[n]) for b in builds.values()
                                      if n + "_reference" in b))


if __name__ == "__main__":
    main()
