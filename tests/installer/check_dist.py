#!/usr/bin/env python3
"""Checks what the installer target puts in build/win/dist: the setup program is a 64-bit Windows GUI
program, and the portable zip holds exactly the staged files under one top folder, with UTF-8 names."""
import argparse
import os
import struct
import sys
import zipfile

IMAGE_FILE_MACHINE_AMD64 = 0x8664
PE32_PLUS = 0x20B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
ZIP_UTF8_NAMES = 0x800


def pe_header(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    if data[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    magic, = struct.unpack_from("<H", data, pe + 24)
    subsystem, = struct.unpack_from("<H", data, pe + 24 + 68)
    return machine, magic, subsystem


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--setup", required=True)
    ap.add_argument("--zip", required=True)
    ap.add_argument("--stage", required=True, help="the staged folder the zip was made of")
    args = ap.parse_args()
    failures = []

    header = pe_header(args.setup)
    if header != (IMAGE_FILE_MACHINE_AMD64, PE32_PLUS, IMAGE_SUBSYSTEM_WINDOWS_GUI):
        failures.append(f"{args.setup}: not a 64-bit Windows GUI program ({header})")

    top = os.path.basename(os.path.normpath(args.stage))
    staged = {f"{top}/{name}": os.path.join(args.stage, name) for name in os.listdir(args.stage)}
    with zipfile.ZipFile(args.zip) as z:
        entries = {i.filename: i for i in z.infolist() if not i.is_dir()}
        if set(entries) != set(staged):
            failures.append(f"zip holds {sorted(entries)}, staged {sorted(staged)}")
        if not z.read(f"{top}/install.lst").decode("utf-16").startswith("Pelmor免费行情分析系统\r\nPelmor"):
            failures.append("install.lst does not make the unpacked zip a Pelmor folder")
        for name, info in entries.items():
            if not name.isascii() and not info.flag_bits & ZIP_UTF8_NAMES:
                failures.append(f"{name}: name not marked as UTF-8")
            if name in staged:
                with open(staged[name], "rb") as f:
                    if z.read(info) != f.read():
                        failures.append(f"{name}: differs from the staged file")
    for f in failures:
        print("FAIL:", f)
    if not failures:
        print(f"{os.path.basename(args.setup)} and {os.path.basename(args.zip)} ({len(entries)} files): ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
