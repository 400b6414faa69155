#!/usr/bin/python3
"""Check the committed files under resources/.

    /usr/bin/python3 tools/check_resources.py

Reads the pictures back with its own parsers (not the generator's writers,
so a writer bug cannot hide itself), checks the layouts the code relies on,
regenerates everything twice into temporary folders to prove the output is
deterministic and that the committed copy is current, and, when
i686-w64-mingw32-windres is installed, compiles both .rc files and inspects
the resulting .res.  Exits non-zero on the first failed group.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from project_version import project_version  # noqa: E402

MAJOR, MINOR = project_version()
QUAD = f"{MAJOR}.{MINOR}.0.0"
RES = os.path.normpath(os.path.join(HERE, "..", "resources"))
VIEWER = os.path.join(RES, "viewer")

MAGENTA = (255, 0, 255)
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
    return cond


class Bmp:
    """Minimal 24 bpp BMP reader; pixels as a top-down list of rows."""

    def __init__(self, path):
        data = open(path, "rb").read()
        self.path = path
        if data[:2] != b"BM":
            raise ValueError(path + ": not a BMP")
        file_size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
        (hsize, w, h, planes, bits, comp, img_size, _, _, clr_used,
         _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
        self.header_ok = (file_size == len(data) and hsize == 40
                          and planes == 1 and comp == 0 and clr_used == 0
                          and offset == 54)
        self.bits = bits
        self.bottom_up = h > 0
        self.w, self.h = w, abs(h)
        stride = (w * 3 + 3) & ~3
        self.size_ok = (img_size in (0, stride * self.h)
                        and len(data) == offset + stride * self.h)
        rows = []
        for r in range(self.h):
            base = offset + r * stride
            rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1],
                          data[base + 3 * x]) for x in range(w)])
        self.rows = rows[::-1] if self.bottom_up else rows

    def px(self, x, y):
        return self.rows[y][x]

    def region(self, x0, y0, w, h):
        return [self.rows[y][x0:x0 + w] for y in range(y0, y0 + h)]


def load(name, w, h):
    path = os.path.join(VIEWER, name)
    b = Bmp(path)
    check(b.header_ok, f"{name}: header fields")
    check(b.size_ok, f"{name}: image size / padding")
    check(b.bits == 24, f"{name}: {b.bits} bpp, want 24")
    check(b.bottom_up, f"{name}: not bottom-up")
    check((b.w, b.h) == (w, h), f"{name}: {b.w}x{b.h}, want {w}x{h}")
    return b


def half_up(num, den):
    return (2 * num + den) // (2 * den)


def caption_expected(row):
    # 102 at row 0 down to 36 at row 20, linear, rounded half up.
    return half_up(102 * 20 - 66 * row, 20)


# ---------------------------------------------------------------------------

def check_skin():
    b = load("skin.bmp", 77, 65)
    # Caption background.
    check(b.px(0, 44) == (102, 102, 102), "SKIN caption top colour")
    check(b.px(76, 64) == (36, 36, 36), "SKIN caption bottom colour")
    for row in range(21):
        line = b.rows[44 + row]
        v = caption_expected(row)
        check(all(p == (v, v, v) for p in line),
              f"SKIN caption row {row}: want grey {v}, got {set(line)}")

    states = [(220, 220, 220), (226, 255, 182), (112, 112, 112)]
    masks = []
    for s, colour in enumerate(states):
        row_masks = []
        for c in range(7):
            cell = b.region(11 * c, 11 * s, 11, 11)
            mask = []
            for y in range(11):
                bg_v = caption_expected(6 + y)
                for x in range(11):
                    p = cell[y][x]
                    if p == colour:
                        mask.append((x, y))
                    else:
                        check(p == (bg_v, bg_v, bg_v),
                              f"SKIN cell ({c},{s}) pixel {x},{y} = {p}: "
                              "neither glyph nor caption background")
            check(len(mask) >= 9, f"SKIN cell ({c},{s}) has no "
                                  f"{colour} glyph")
            if mask:
                xs = [m[0] for m in mask]
                ys = [m[1] for m in mask]
                check(min(xs) == 10 - max(xs),
                      f"SKIN glyph {c} not centred horizontally")
                check(min(xs) >= 1 and max(ys) <= 9 and min(ys) >= 1,
                      f"SKIN glyph {c} touches the cell edge")
                if c != 0:  # the minimize bar sits low on purpose
                    check(abs(min(ys) - (10 - max(ys))) <= 1,
                          f"SKIN glyph {c} not centred vertically")
            row_masks.append(mask)
        masks.append(row_masks)
    for c in range(7):
        check(masks[0][c] == masks[1][c] == masks[2][c],
              f"SKIN glyph {c} differs between state rows")
    shapes = [tuple(m) for m in masks[0]]
    check(len(set(shapes)) == 7, "SKIN glyphs are not all different")

    # Faded row: glyph pixels half way between glyph and background.
    for c in range(7):
        for y in range(11):
            bg_v = caption_expected(6 + y)
            for x in range(11):
                want = half_up(220 + bg_v, 2) if (x, y) in masks[0][c] \
                    else bg_v
                check(b.px(11 * c + x, 33 + y) == (want,) * 3,
                      f"SKIN faded cell {c} pixel {x},{y}")

    # The 2x skin: each glyph pixel of the three state rows a 2 x 2 block of
    # its colour, the caption the same greys from top to bottom.
    b2 = load("skin_2x.bmp", 154, 130)
    for y in range(33):
        for x in range(77):
            p = b.px(x, y)
            glyph = p != (caption_expected(6 + y % 11),) * 3
            block = {b2.px(2 * x + i, 2 * y + j) for i in (0, 1) for j in (0, 1)}
            check(not glyph or block == {p}, f"SKIN_2X glyph pixel {x},{y}")
    check(b2.px(0, 88) == b.px(0, 44) and b2.px(153, 129) == b.px(76, 64),
          "SKIN_2X caption colours")


SCROLL = {
    "scrbackh.bmp": (4, 17), "scrbackv.bmp": (17, 4),
    "scrthumbh.bmp": (15, 68), "scrthumbv.bmp": (68, 15),
    "scrgriph.bmp": (10, 36), "scrgripv.bmp": (10, 36),
    "scrarrowh.bmp": (90, 17), "scrarrowv.bmp": (17, 90),
    "scrarrowhl.bmp": (90, 17), "scrarrowhr.bmp": (90, 17),
    "scrarrowvt.bmp": (17, 90), "scrarrowvb.bmp": (17, 90),
}


def transposed(region):
    return [list(col) for col in zip(*region)]


def check_scroll():
    bm = {n: load(n, *wh) for n, wh in SCROLL.items()}
    for g in ("scrgriph.bmp", "scrgripv.bmp"):
        check(all(p == MAGENTA for r in bm[g].rows for p in r),
              f"{g}: not entirely magenta")

    # Horizontal-bar cells, each as rows of pixels with length along x.
    def cells_h(name, cw, n):
        return [bm[name].region(cw * s, 0, cw, 17) for s in range(n)]

    def cells_v(name, ch, n):
        return [transposed(bm[name].region(0, ch * s, 17, ch))
                for s in range(n)]

    track_h = cells_h("scrbackh.bmp", 2, 2)
    track_v = cells_v("scrbackv.bmp", 2, 2)
    thumb_h = [bm["scrthumbh.bmp"].region(0, 17 * s, 15, 17)
               for s in range(4)]
    thumb_v = [transposed(bm["scrthumbv.bmp"].region(17 * s, 0, 17, 15))
               for s in range(4)]
    check(track_h == track_v, "track: vertical is not the transposed "
                              "horizontal")
    check(thumb_h == thumb_v, "thumb: vertical is not the transposed "
                              "horizontal")
    for s, cell in enumerate(track_h):
        check(all(len(set(r)) == 1 for r in cell),
              f"track state {s}: columns differ (cannot be tiled)")
        mid = [cell[y][0] for y in range(3, 14)]
        check(len(set(mid)) == 1, f"track state {s}: middle slice not flat")
    check(track_h[0] != track_h[1], "track states identical")
    track_mid = track_h[0][8][0][0]

    centres = []
    for s, cell in enumerate(thumb_h):
        # Nine-slice: the centre is flat, and the border rows are constant
        # along the stretched length.
        centre = {cell[y][x] for y in range(3, 14) for x in range(3, 12)}
        check(len(centre) == 1, f"thumb state {s}: centre not flat")
        for y in range(17):
            check(len(set(cell[y][3:12])) == 1,
                  f"thumb state {s}: row {y} varies inside the "
                  "stretched part")
        centres.append(cell[8][7][0])
        check(cell[8][0] != cell[8][7], f"thumb state {s}: no border")
    check(len(set(centres)) == 4, f"thumb states not distinct: {centres}")
    check(all(c > track_mid for c in centres),
          "thumb not lighter than track")
    check(centres[1] > centres[0] > centres[3],
          f"thumb brightness order (normal, hot, disabled): {centres}")

    frames_h = cells_h("scrarrowh.bmp", 18, 5)
    frames_v = cells_v("scrarrowv.bmp", 18, 5)
    check(frames_h == frames_v, "arrow frames: V is not transposed H")
    for s, cell in enumerate(frames_h):
        plain = all(len(set(r)) == 1 for r in cell)
        check(plain == (s in (0, 4)),
              f"arrow frame state {s}: plain={plain}")
        if s in (1, 2, 3):
            inner = cell[8][8]
            check(cell[1][8] != inner and cell[8][1] != inner,
                  f"arrow frame state {s}: no frame")

    def glyph_columns(cell):
        # glyph pixel count per column (along the bar)
        return [sum(1 for y in range(len(cell)) if cell[y][x] != MAGENTA)
                for x in range(len(cell[0]))]

    for name, vertical, to_start in (("scrarrowhl.bmp", False, True),
                                     ("scrarrowhr.bmp", False, False),
                                     ("scrarrowvt.bmp", True, True),
                                     ("scrarrowvb.bmp", True, False)):
        cells = cells_v(name, 18, 5) if vertical else cells_h(name, 18, 5)
        colours = []
        for s, cell in enumerate(cells):
            ink = {p for r in cell for p in r if p != MAGENTA}
            check(len(ink) == 1, f"{name} state {s}: glyph colours {ink}")
            colours.append(next(iter(ink)) if ink else None)
            counts = [c for c in glyph_columns(cell) if c]
            # A triangle: ink grows away from its apex.
            want = sorted(counts) if to_start else sorted(counts,
                                                          reverse=True)
            check(len(counts) >= 3 and counts == want
                  and len(set(counts)) == len(counts),
                  f"{name} state {s}: not a triangle pointing the right "
                  f"way: {counts}")
            ys = [y for y in range(17) for x in range(18)
                  if cell[y][x] != MAGENTA]
            xs = [x for y in range(17) for x in range(18)
                  if cell[y][x] != MAGENTA]
            check(min(ys) == 16 - max(ys) and min(xs) == 17 - max(xs),
                  f"{name} state {s}: glyph not centred")
        check(colours[4] is not None and colours[0] is not None
              and colours[4][0] < colours[0][0],
              f"{name}: disabled glyph not darker than normal")


BUTTONS = ["ub_pelmor", "ub_dazhihui", "ub_tongdaxin",
           "ub_huarongzhengquan", "ub_chaoyin", "ub_quanqiuhangqin"]


def check_text_pictures():
    logo = load("logo.bmp", 97, 15)
    px = [p for r in logo.rows for p in r]
    check(logo.px(0, 0) == (0, 0, 0) and logo.px(96, 14) == (0, 0, 0),
          "LOGO background not black")
    check(all(p[2] == 0 and p[0] == p[1] for p in px),
          "LOGO has non-yellow/black pixels")
    ink = [x for y in range(15) for x in range(97) if logo.px(x, y)[0] > 128]
    check(sum(1 for p in px if p[0] >= 200) >= 60,
          "LOGO has little bright yellow")
    check(ink and min(ink) <= 4 and max(ink) >= 92,
          "LOGO text does not span the width")

    for base, k in ((b, k) for b in BUTTONS for k in (1, 2)):
        sfx = "_2x" if k == 2 else ""
        W, H = 75 * k, 20 * k
        n, h, c = (load(f"{base}_{s}{sfx}.bmp", W, H) for s in "nhc")
        base += sfx
        bg_col = [n.px(0, y) for y in range(H)]
        check(bg_col[0][0] > bg_col[H - 1][0] and
              all(p[0] == p[1] == p[2] for p in bg_col),
              f"{base}: background is not a darkening grey gradient")
        text = 0
        for y in range(H):
            for x in range(W):
                pn, ph, pc = n.px(x, y), h.px(x, y), c.px(x, y)
                if pn == bg_col[y]:
                    check(ph == pc == pn, f"{base}: backgrounds differ at "
                                          f"{x},{y}")
                    continue
                text += 1
                check(pn[0] == pn[1] == pn[2] and pn[0] > bg_col[y][0],
                      f"{base}_n: text pixel {pn} not whiter")
                check(ph[0] >= ph[1] == ph[2], f"{base}_h: {ph} not red")
                check(pc[0] == pc[1] == pc[2] and pc[0] <= pn[0],
                      f"{base}_c: {pc} not grey")
        check(text >= 40 * k * k, f"{base}: almost no text ({text} px)")
        check(max(p[0] for r in n.rows for p in r) >= 250,
              f"{base}_n: no white")
        check(any(p[0] >= 250 and p[1] < 80 for r in h.rows for p in r),
              f"{base}_h: no red")


def check_icon():
    path = os.path.join(VIEWER, "pelmor.ico")
    data = open(path, "rb").read()
    reserved, typ, count = struct.unpack_from("<HHH", data, 0)
    check(reserved == 0 and typ == 1 and count == 4, "ICO header")
    seen = set()
    spans = []
    for i in range(count):
        (w, h, colors, _, planes, bits, size,
         off) = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        seen.add((w, h, bits))
        spans.append((off, off + size))
        check(off + size <= len(data), f"ICO entry {i} past end of file")
        (hsz, bw, bh, bplanes, bbits, comp, isize, _, _, used,
         _) = struct.unpack_from("<IiiHHIIiiII", data, off)
        check(hsz == 40 and bw == w and bh == 2 * h and bplanes == 1
              and bbits == bits and comp == 0 and planes == 1 and colors == 0,
              f"ICO entry {i} header")
        pal = 4 * (used or 256) if bits <= 8 else 0
        xor_stride = ((w * bits + 31) // 32) * 4
        and_stride = ((w + 31) // 32) * 4
        expect = 40 + pal + h * (xor_stride + and_stride)
        check(size == expect, f"ICO entry {i}: size {size}, want {expect}")
        mask_at = off + 40 + pal + h * xor_stride

        def masked(x, y):  # bottom-up rows, MSB first
            byte = data[mask_at + (h - 1 - y) * and_stride + x // 8]
            return bool(byte & (0x80 >> (x % 8)))
        check(masked(0, 0) and masked(w - 1, h - 1),
              f"ICO {w}x{h}x{bits}: corners not transparent")
        check(not masked(w // 2, h // 2),
              f"ICO {w}x{h}x{bits}: centre transparent")
        if bits == 32:
            base = off + 40
            alpha = [data[base + 4 * k + 3] for k in range(w * h)]
            check(max(alpha) == 255 and min(alpha) == 0 and
                  any(0 < a < 255 for a in alpha),
                  f"ICO {w}x{h}: alpha channel not used")
            for k in range(w * h):
                x, y = k % w, h - 1 - k // w
                check(masked(x, y) == (alpha[k] == 0),
                      f"ICO {w}x{h}: AND mask disagrees with alpha at {x},{y}")
    check(seen == {(16, 16, 32), (32, 32, 32), (16, 16, 8), (32, 32, 8)},
          f"ICO images: {sorted(seen)}")
    spans.sort()
    check(spans[0][0] == 6 + 16 * count and spans[-1][1] == len(data)
          and all(a[1] == b[0] for a, b in zip(spans, spans[1:])),
          "ICO image data not contiguous")


def check_text_files():
    m = ET.parse(os.path.join(RES, "app.manifest")).getroot()
    text = open(os.path.join(RES, "app.manifest"), encoding="utf-8").read()
    ns = {"a": "urn:schemas-microsoft-com:asm.v1",
          "c": "urn:schemas-microsoft-com:compatibility.v1",
          "t": "urn:schemas-microsoft-com:asm.v3"}
    cc = m.findall(".//a:dependentAssembly/a:assemblyIdentity", ns)
    check(any(e.get("name") == "Microsoft.Windows.Common-Controls"
              and e.get("version") == "6.0.0.0"
              and e.get("publicKeyToken") == "6595b64144ccf1df"
              for e in cc), "manifest: no Common-Controls 6 dependency")
    own = m.find("a:assemblyIdentity", ns)
    # One manifest serves every architecture; Windows refuses to start a program whose own identity
    # names another processor.
    check(own is not None and own.get("processorArchitecture") == "*",
          "manifest: the program's identity must not name a processor")
    check(own is not None and own.get("version") == QUAD,
          f"manifest: the program's identity is not version {QUAD}")
    lvl = m.findall(".//t:requestedExecutionLevel", ns)
    check(len(lvl) == 1 and lvl[0].get("level") == "asInvoker",
          "manifest: execution level")
    ws = {"a5": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
          "a16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
    aware = [e.text for e in m.findall(".//t:windowsSettings/a5:dpiAware", {**ns, **ws})]
    awareness = [e.text for e in m.findall(".//t:windowsSettings/a16:dpiAwareness", {**ns, **ws})]
    check(aware == ["true/pm"], f"manifest: dpiAware is {aware}, not true/pm")
    check(awareness == ["PerMonitorV2, PerMonitor"],
          f"manifest: dpiAwareness is {awareness}, not per-monitor v2")
    check(len(m.findall(".//c:supportedOS", ns)) == 4,
          "manifest: supportedOS entries")

    header = open(os.path.join(RES, "resource_names.h"),
                  encoding="utf-8").read()
    check("#include" not in header, "resource_names.h includes headers")
    header_names = set(re.findall(r'#define PELMOR_RES_(\w+)\s+L"(\w+)"',
                                  header))
    check(all(a == b for a, b in header_names),
          "resource_names.h: macro and string differ")
    check(re.search(r"#define PELMOR_IDI_APP\s+1\b", header) is not None,
          "resource_names.h: PELMOR_IDI_APP")

    rc = open(os.path.join(VIEWER, "viewer.rc"), encoding="utf-8").read()
    bitmaps = re.findall(r'^(\w+)\s+BITMAP\s+"([^"]+)"', rc, re.M)
    check(len(bitmaps) == 51, f"viewer.rc: {len(bitmaps)} bitmaps, want 51")
    check({n for n, _ in bitmaps} == {a for a, _ in header_names},
          "viewer.rc bitmaps and resource_names.h disagree")
    for _, f in bitmaps:
        check(os.path.exists(os.path.join(VIEWER, f)), f"missing {f}")
    for name in ("viewer/viewer.rc", "updater/update.rc"):
        body = open(os.path.join(RES, name), encoding="utf-8").read()
        code = [ln for ln in re.sub(r"/\*.*?\*/", "", body,
                                    flags=re.S).splitlines() if ln.strip()]
        check(code and code[0].startswith("#pragma code_page(65001)"),
              f"{name}: code page pragma is not the first directive")
        check(re.search(r"^1 ICON ", body, re.M) is not None,
              f"{name}: icon 1")


def check_determinism():
    gen = os.path.join(HERE, "gen_resources.py")
    outs = []
    with tempfile.TemporaryDirectory() as tmp:
        for k in range(2):
            d = os.path.join(tmp, str(k))
            subprocess.run([sys.executable, gen, "--out", d], check=True,
                           stdout=subprocess.DEVNULL)
            files = {}
            for root, _, names in os.walk(d):
                for n in names:
                    p = os.path.join(root, n)
                    files[os.path.relpath(p, d)] = open(p, "rb").read()
            outs.append(files)
    check(outs[0] == outs[1], "two generator runs differ")
    for rel, data in outs[0].items():
        p = os.path.join(RES, rel)
        check(os.path.exists(p) and open(p, "rb").read() == data,
              f"committed resources/{rel} is stale")
    return len(outs[0])


def parse_res(data):
    """Entries of a .res file as (type, name, lang, payload)."""
    out = []
    pos = 0

    def ident(p):
        if struct.unpack_from("<H", data, p)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, p + 2)[0], p + 4
        end = p
        while struct.unpack_from("<H", data, end)[0]:
            end += 2
        return data[p:end].decode("utf-16-le"), end + 2

    while pos + 8 <= len(data):
        size, hsize = struct.unpack_from("<II", data, pos)
        typ, p = ident(pos + 8)
        name, p = ident(p)
        p = (p + 3) & ~3
        lang = struct.unpack_from("<H", data, p + 6)[0]
        payload = data[pos + hsize:pos + hsize + size]
        if size:
            out.append((typ, name, lang, payload))
        pos = (pos + hsize + size + 3) & ~3
    return out


def check_windres():
    windres = (shutil.which("x86_64-w64-mingw32-windres")
               or shutil.which("i686-w64-mingw32-windres"))
    if not windres:
        print("windres: no mingw-w64 windres installed, skipped")
        return
    RT_ICON, RT_BITMAP, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = \
        3, 2, 14, 16, 24
    with tempfile.TemporaryDirectory() as tmp:
        # The build writes this header from the project version.
        with open(os.path.join(tmp, "pelmor_version.h"), "w") as f:
            f.write(f"#define PELMOR_VERSION_MAJOR {MAJOR}\n"
                    f"#define PELMOR_VERSION_MINOR {MINOR}\n"
                    f'#define PELMOR_VERSION_QUAD "{QUAD}"\n')
        for rc, desc, orig, bitmaps in (
                ("viewer/viewer.rc", "Pelmor免费行情分析系统",
                 "Pelmor免费行情分析系统.exe", 51),
                ("updater/update.rc", "Pelmor更新", "update.exe", 0)):
            out = os.path.join(tmp, "x.res")
            # Run from elsewhere: paths inside the .rc must not depend on
            # the caller's working directory.
            r = subprocess.run([windres, "-i", os.path.join(RES, rc),
                                "-I", tmp, "-O", "res", "-o", out], cwd=tmp,
                               capture_output=True, text=True)
            if not check(r.returncode == 0, f"windres {rc}: {r.stderr}"):
                continue
            ents = parse_res(open(out, "rb").read())
            by_type = {}
            for t, n, lang, payload in ents:
                by_type.setdefault(t, []).append((n, payload))
            check(len(by_type.get(RT_ICON, [])) == 4, f"{rc}: RT_ICON count")
            check([n for n, _ in by_type.get(RT_GROUP_ICON, [])] == [1],
                  f"{rc}: icon group is not the single ID 1")
            check(len(by_type.get(RT_BITMAP, [])) == bitmaps,
                  f"{rc}: RT_BITMAP count")
            check([n for n, _ in by_type.get(RT_MANIFEST, [])] == [1],
                  f"{rc}: manifest is not resource 1")
            ver = by_type.get(RT_VERSION, [(None, b"")])[0][1]
            for s in ("080404b0", desc, orig, QUAD,
                      "Pelmor免费行情分析系统"):
                check(s.encode("utf-16-le") in ver,
                      f"{rc}: version string {s!r} missing in UTF-16")
            # VS_FIXEDFILEINFO follows the "VS_VERSION_INFO" key.
            k = ver.find("VS_VERSION_INFO".encode("utf-16-le"))
            fixed = ver[(k + 32 + 3) & ~3:][:52] if k >= 0 else b""
            ok = len(fixed) == 52 and struct.unpack_from("<I", fixed)[0] \
                == 0xFEEF04BD
            if check(ok, f"{rc}: no VS_FIXEDFILEINFO"):
                fv = struct.unpack_from("<IIII", fixed, 8)
                check(fv == (MAJOR << 16 | MINOR, 0, MAJOR << 16 | MINOR, 0),
                      f"{rc}: FILEVERSION/PRODUCTVERSION {fv}")
            check(b"\x04\x08\xb0\x04" in ver, f"{rc}: Translation 0804/1200")
            if bitmaps:
                names = {n for n, _ in by_type[RT_BITMAP]}
                check("SKIN" in names and "UB_CHAOYIN_C" in names,
                      f"{rc}: bitmap names")
    print("windres: both .rc files compiled and inspected")


def main():
    groups = [("SKIN", check_skin), ("scroll bars", check_scroll),
              ("logo and buttons", check_text_pictures),
              ("icon", check_icon), ("manifest, header, .rc",
                                     check_text_files)]
    for label, fn in groups:
        before = len(failures)
        fn()
        print(f"{label}: {'ok' if len(failures) == before else 'FAILED'}")
    before = len(failures)
    n = check_determinism()
    print(f"determinism: {n} files regenerated twice: "
          f"{'identical and current' if len(failures) == before else 'FAILED'}")
    check_windres()
    for f in failures[:50]:
        print("FAIL:", f)
    if failures:
        print(f"{len(failures)} failure(s)")
        sys.exit(1)
    print("all resource checks passed")


if __name__ == "__main__":
    main()
