#!/usr/bin/env python3
"""Benchmarks the built-in inflater against zlib and libdeflate, natively and under Wine, in one run.

Inputs are made from files on this machine each time (nothing large is kept in the tree): the image data
of the largest PNG files, text from /usr/share/doc, programs from /usr/bin, and random bytes. Prints,
per input, the decompression speeds and the built-in inflater's time as a ratio to each reference
(below 1.00: faster).

    bench/inflate_bench.py [--ms=300] [--no-wine] [--keep=DIR]
"""
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib

from wine_run import run_under_wine

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NATIVE = os.path.join(ROOT, "build/native/bench-bin/bench_inflate")
WIN = os.path.join(ROOT, "build/win/bench-bin/bench_inflate.exe")
LIMIT = 4 << 20


def png_image_data(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    pos, idat = 8, []
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IDAT":
            idat.append(data[pos + 8:pos + 8 + length])
        pos += 12 + length
    return b"".join(idat) or None


def largest_pngs(count):
    found = []
    for top in ("/usr/share", "/usr/lib"):
        for folder, _, files in os.walk(top):
            for name in files:
                if name.lower().endswith(".png"):
                    p = os.path.join(folder, name)
                    try:
                        found.append((os.path.getsize(p), p))
                    except OSError:
                        pass
    chosen, sizes = [], set()
    for size, p in sorted(found, reverse=True):
        if size in sizes:
            continue
        stream = png_image_data(p)
        try:
            raw = zlib.decompress(stream) if stream else None
        except zlib.error:
            raw = None
        if raw:
            sizes.add(size)
            chosen.append((os.path.basename(p), stream, len(raw)))
        if len(chosen) == count:
            break
    return chosen


def gather(paths, limit):
    out = bytearray()
    for p in paths:
        try:
            with open(p, "rb") as f:
                out += f.read(limit - len(out))
        except OSError:
            continue
        if len(out) >= limit:
            break
    return bytes(out)


def text_files():
    for folder, _, files in sorted(os.walk("/usr/share/doc")):
        for name in sorted(files):
            if not name.endswith((".gz", ".bz2", ".xz", ".png", ".jpg", ".gif", ".svg", ".pdf")):
                yield os.path.join(folder, name)


def programs():
    folder = "/usr/bin"
    files = [os.path.join(folder, n) for n in os.listdir(folder)]
    files = [p for p in files if os.path.isfile(p) and not os.path.islink(p)]
    return sorted(files, key=os.path.getsize, reverse=True)


def deflate(data, level, strategy=zlib.Z_DEFAULT_STRATEGY):
    c = zlib.compressobj(level, zlib.DEFLATED, 15, 8, strategy)
    return c.compress(data) + c.flush()


def make_inputs(folder):
    inputs = []
    for name, stream, size in largest_pngs(4):
        inputs.append(("png:" + name, stream, size))
    text = gather(text_files(), LIMIT)
    inputs.append(("text-level6", deflate(text, 6), len(text)))
    inputs.append(("text-level1", deflate(text, 1), len(text)))
    binary = gather(programs(), LIMIT)
    inputs.append(("binary-level6", deflate(binary, 6), len(binary)))
    rng = random.Random(1)
    noise = rng.randbytes(2 << 20)
    inputs.append(("random-level6", deflate(noise, 6), len(noise)))
    # Skewed bytes, Huffman codes only: nothing but literals.
    skewed = bytes(min(255, int(rng.expovariate(0.05))) for _ in range(2 << 20))
    inputs.append(("literals-huffman", deflate(skewed, 6, zlib.Z_HUFFMAN_ONLY), len(skewed)))
    with open(os.path.join(folder, "manifest.txt"), "w") as m:
        for i, (name, stream, size) in enumerate(inputs):
            file = "input%02d.z" % i
            with open(os.path.join(folder, file), "wb") as f:
                f.write(stream)
            m.write("%s %d %s\n" % (name, size, file))
    return inputs


def run(command, folder, env=None):
    r = subprocess.run(command, cwd=folder, env=env, capture_output=True, text=True)
    if r.returncode != 0:
        sys.stderr.write(r.stderr)
    results = {}
    for line in r.stdout.splitlines():
        fields = line.split()
        if len(fields) >= 3:
            results[fields[0]] = {k: float(v) for k, v in (f.split("=") for f in fields[2:])}
    return results


def ratio(speeds, reference):
    b, r = speeds.get("builtin"), speeds.get(reference)
    return "%5.2f" % (r / b) if b and r else "    -"


def measure(ms, wine=True, keep=None):
    """The inputs (name, stream, size) and MB/s per engine of each build: {name: {engine: MB/s}}."""
    if not os.path.exists(NATIVE):
        sys.exit("inflate_bench: build build/native first (%s is missing)" % NATIVE)
    folder = keep or tempfile.mkdtemp(prefix="pelmor-inflate-bench-")
    os.makedirs(folder, exist_ok=True)
    inputs = make_inputs(folder)
    native = run([NATIVE, "manifest.txt", ms], folder)
    windows = {}
    if wine and os.path.exists(WIN):
        windows = run_under_wine(run, WIN, ["manifest.txt", ms], folder)
    if not keep:
        for f in os.listdir(folder):
            os.remove(os.path.join(folder, f))
        os.rmdir(folder)
    return inputs, native, windows


def main():
    ms = next((a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--ms=")), "300")
    keep = next((a.split("=", 1)[1] for a in sys.argv[1:] if a.startswith("--keep=")), None)
    inputs, native, windows = measure(ms, "--no-wine" not in sys.argv, keep)

    print("Decompressed MB/s, and the built-in inflater's time as a ratio to each reference (< 1: faster).")
    print("%-34s %7s | %8s %8s %8s | %7s %7s %7s | %8s %8s | %7s" %
          ("input", "MB", "zlib", "libdefl", "builtin", "/zlib", "/ldefl", "/ldraw", "w:zlib", "w:built", "/zlib"))
    for name, _, size in inputs:
        n, w = native.get(name, {}), windows.get(name, {})
        print("%-34s %7.2f | %8.0f %8.0f %8.0f | %7s %7s %7s | %8.0f %8.0f | %7s" %
              (name[:34], size / 1e6, n.get("zlib", 0), n.get("libdeflate", 0), n.get("builtin", 0),
               ratio(n, "zlib"), ratio(n, "libdeflate"), ratio(n, "libdeflate-raw"),
               w.get("zlib", 0), w.get("builtin", 0), ratio(w, "zlib")))


if __name__ == "__main__":
    main()
