#!/usr/bin/python3
"""Generate Pelmor's Win32 resources into resources/.

The output is committed so that a build never needs Python or PIL; rerun
this after changing it:

    /usr/bin/python3 tools/gen_resources.py [--out DIR]

The output is deterministic (same bytes on every run).  Text is rendered
with WenQuanYi Micro Hei (Debian package fonts-wqy-microhei) through PIL
(python3-pil); everything else is drawn pixel by pixel.
"""

import argparse
import os
import sys
from fractions import Fraction

from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_imagefmt as fmt  # noqa: E402
from project_version import project_version  # noqa: E402

FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

PRODUCT_NAME = "Pelmor免费行情分析系统"
UPDATER_DESCRIPTION = "Pelmor更新"

MAGENTA = (255, 0, 255)  # colour key: transparent in the scroll-bar glyphs


def round_half_up(q):
    """Round a Fraction to the nearest integer, halves upward."""
    return int((q + Fraction(1, 2)) // 1)


def lerp(a, b, i, n):
    """Value i of n+1 evenly spaced steps from a to b, rounded."""
    return round_half_up(Fraction(a) + Fraction((b - a) * i, n))


def grey(v):
    return (v, v, v)


# ---------------------------------------------------------------------------
# SKIN: caption button glyphs and caption background
# ---------------------------------------------------------------------------

SKIN_W, SKIN_H = 77, 65
CELL = 11
CAPTION_Y, CAPTION_H = 44, 21
CAPTION_TOP, CAPTION_BOTTOM = 102, 36
# Glyph cells are painted over the caption starting at its row 6, so their
# background repeats caption rows 6..16 and the cell edges do not show.
GLYPH_CAPTION_ROW = 6

GLYPH_NORMAL = (220, 220, 220)
GLYPH_HOVER = (226, 255, 182)
GLYPH_PRESSED = (112, 112, 112)

# One 11x11 pattern per cell column, '#' = glyph pixel.
GLYPHS = [
    # 0 minimize: short bar low in the cell
    ["...........",
     "...........",
     "...........",
     "...........",
     "...........",
     "...........",
     "...........",
     "...........",
     "..#######..",
     "..#######..",
     "..........."],
    # 1 maximize: window outline, thick title edge
    ["...........",
     ".#########.",
     ".#########.",
     ".#.......#.",
     ".#.......#.",
     ".#.......#.",
     ".#.......#.",
     ".#.......#.",
     ".#.......#.",
     ".#########.",
     "..........."],
    # 2 close: X
    ["...........",
     ".#.......#.",
     ".##.....##.",
     "..##...##..",
     "...##.##...",
     "....###....",
     "...##.##...",
     "..##...##..",
     ".##.....##.",
     ".#.......#.",
     "..........."],
    # 3 menu: bar over a downward triangle
    ["...........",
     "...........",
     "..#######..",
     "..#######..",
     "...........",
     "..#######..",
     "...#####...",
     "....###....",
     ".....#.....",
     "...........",
     "..........."],
    # 4 stay-on-top off: pin lying on its side
    ["...........",
     "...........",
     "....#......",
     "....######.",
     "....#....#.",
     ".####....#.",
     "....######.",
     "....######.",
     "....#......",
     "...........",
     "..........."],
    # 5 stay-on-top on: pin upright, pushed in
    ["...........",
     "...#####...",
     "...#..##...",
     "...#..##...",
     "...#..##...",
     "...#####...",
     "..#######..",
     ".....#.....",
     ".....#.....",
     ".....#.....",
     "..........."],
    # 6 restore: two overlapping windows
    ["...........",
     "...#######.",
     "...#######.",
     ".#######.#.",
     ".#######.#.",
     ".#.....#.#.",
     ".#.....#.#.",
     ".#.....###.",
     ".#.....#...",
     ".#######...",
     "..........."],
]


def caption_value(row, k=1):
    return lerp(CAPTION_TOP, CAPTION_BOTTOM, row, k * CAPTION_H - 1)


def cell_background(row_in_cell, k=1):
    return grey(caption_value(k * GLYPH_CAPTION_ROW + row_in_cell, k))


def make_skin(k=1):
    """The skin at k times the design size: each glyph pixel a k x k block,
    the gradients drawn at the finer rows."""
    cell = k * CELL
    img = Image.new("RGB", (k * SKIN_W, k * SKIN_H))
    px = img.load()
    for state, colour in enumerate((GLYPH_NORMAL, GLYPH_HOVER,
                                    GLYPH_PRESSED)):
        for col, pattern in enumerate(GLYPHS):
            assert len(pattern) == CELL and all(len(r) == CELL
                                                for r in pattern)
            for y in range(cell):
                for x in range(cell):
                    on = pattern[y // k][x // k] == "#"
                    px[col * cell + x, state * cell + y] = (
                        colour if on else cell_background(y, k))
    # Faded copy of the normal row: each pixel half way to the background.
    for y in range(cell):
        bg = cell_background(y, k)
        for x in range(k * SKIN_W):
            p = px[x, y]
            px[x, 3 * cell + y] = tuple(
                round_half_up(Fraction(p[i] + bg[i], 2)) for i in range(3))
    for row in range(k * CAPTION_H):
        c = grey(caption_value(row, k))
        for x in range(k * SKIN_W):
            px[x, k * CAPTION_Y + row] = c
    return img


# ---------------------------------------------------------------------------
# Scroll bars.  Every picture is drawn for the horizontal bar (length along
# x, thickness along y) and transposed for the vertical one.
# ---------------------------------------------------------------------------

SB = 17  # bar thickness

# Track cross-section: 3-pixel edge slices around a flat middle.
TRACK_EDGE = (26, 32, 37)
TRACK_MID = 41
TRACK_STATE_DELTA = (0, 10)  # normal, active (page area pressed)

# Thumb body brightness: normal, hot, pressed, disabled.
THUMB_BASE = (96, 122, 144, 60)

# Arrow buttons, five states; 0 and 4 are plain (idle / disabled), the
# three between are the interactive looks and show a framed square:
# (frame, fill) brightness.
ARROW_FRAMES = {1: (104, 66), 2: (132, 88), 3: (84, 54)}
ARROW_GLYPH = (196, 236, 255, 214, 104)


def track_profile(delta=0):
    edge = list(TRACK_EDGE)
    mid = [TRACK_MID] * (SB - 2 * len(edge))
    return [v + delta for v in edge + mid + edge[::-1]]


def ringed_cell(w, h, ring1, ring2, fill, delta=0):
    """Cell with a 3-pixel border: track, outline, highlight, then fill.

    The corners of the outline are half-blended into the track so the
    shape reads as slightly rounded.
    """
    prof = track_profile(delta)
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        for x in range(w):
            d = min(x, y, w - 1 - x, h - 1 - y)
            if d == 0:
                v = prof[y]
            elif d == 1:
                corner = (x in (1, w - 2)) and (y in (1, h - 2))
                v = (ring1 + prof[y] + 1) // 2 if corner else ring1
            elif d == 2:
                v = ring2
            else:
                v = fill
            px[x, y] = grey(v)
    return img


def strip(cells, horizontal=True):
    """Join cells left to right (or top to bottom)."""
    w = sum(c.size[0] for c in cells) if horizontal else cells[0].size[0]
    h = cells[0].size[1] if horizontal else sum(c.size[1] for c in cells)
    img = Image.new("RGB", (w, h))
    pos = 0
    for c in cells:
        img.paste(c, (pos, 0) if horizontal else (0, pos))
        pos += c.size[0] if horizontal else c.size[1]
    return img


def transpose(img):
    return img.transpose(Image.Transpose.TRANSPOSE)


def track_cell(delta):
    img = Image.new("RGB", (2, SB))
    prof = track_profile(delta)
    for y in range(SB):
        for x in range(2):
            img.putpixel((x, y), grey(prof[y]))
    return img


def thumb_cell(base):
    return ringed_cell(15, SB, base - 26, base + 14, base)


def arrow_frame_cell(state):
    if state in ARROW_FRAMES:
        frame, fill = ARROW_FRAMES[state]
        return ringed_cell(18, SB, frame, fill, fill)
    img = Image.new("RGB", (18, SB))
    prof = track_profile()
    for y in range(SB):
        for x in range(18):
            img.putpixel((x, y), grey(prof[y]))
    return img


def arrow_glyph_cell(state, pointing_left):
    """18x17 cell, magenta background, a 4x7 triangle centred."""
    img = Image.new("RGB", (18, SB), MAGENTA)
    colour = grey(ARROW_GLYPH[state])
    cy = SB // 2
    for k in range(4):  # k = distance from the apex column
        x = 7 + k if pointing_left else 10 - k
        for y in range(cy - k, cy + k + 1):
            img.putpixel((x, y), colour)
    return img


def make_scrollbars():
    out = {}
    tracks = [track_cell(d) for d in TRACK_STATE_DELTA]
    out["SCRBACKH"] = strip(tracks)
    out["SCRBACKV"] = strip([transpose(t) for t in tracks], horizontal=False)
    thumbs = [thumb_cell(b) for b in THUMB_BASE]
    out["SCRTHUMBH"] = strip(thumbs, horizontal=False)
    out["SCRTHUMBV"] = strip([transpose(t) for t in thumbs])
    out["SCRGRIPH"] = Image.new("RGB", (10, 36), MAGENTA)
    out["SCRGRIPV"] = Image.new("RGB", (10, 36), MAGENTA)
    frames = [arrow_frame_cell(s) for s in range(5)]
    out["SCRARROWH"] = strip(frames)
    out["SCRARROWV"] = strip([transpose(f) for f in frames],
                             horizontal=False)
    left = [arrow_glyph_cell(s, True) for s in range(5)]
    right = [arrow_glyph_cell(s, False) for s in range(5)]
    out["SCRARROWHL"] = strip(left)
    out["SCRARROWHR"] = strip(right)
    # Transposing turns "points left" into "points up".
    out["SCRARROWVT"] = strip([transpose(c) for c in left], horizontal=False)
    out["SCRARROWVB"] = strip([transpose(c) for c in right],
                              horizontal=False)
    return out


# Expected sizes; also written to the header.
SCROLL_SIZES = {
    "SCRBACKH": (4, 17), "SCRBACKV": (17, 4),
    "SCRTHUMBH": (15, 68), "SCRTHUMBV": (68, 15),
    "SCRGRIPH": (10, 36), "SCRGRIPV": (10, 36),
    "SCRARROWH": (90, 17), "SCRARROWV": (17, 90),
    "SCRARROWHL": (90, 17), "SCRARROWHR": (90, 17),
    "SCRARROWVT": (17, 90), "SCRARROWVB": (17, 90),
}


# ---------------------------------------------------------------------------
# Text pictures: logo and quote-source buttons
# ---------------------------------------------------------------------------

def text_mask(text, size):
    """Greyscale coverage of text, cropped to its ink."""
    font = ImageFont.truetype(FONT_PATH, size)
    canvas = Image.new("L", (16 * size * len(text) // 8 + 40, 3 * size))
    ImageDraw.Draw(canvas).text((10, size), text, font=font, fill=255)
    return canvas.crop(canvas.getbbox())


def compose(bg, mask, colour, x0, y0):
    """Blend colour into bg through mask placed at (x0, y0)."""
    px = bg.load()
    mk = mask.load()
    mw, mh = mask.size
    for y in range(mh):
        for x in range(mw):
            a = mk[x, y]
            if not a:
                continue
            b = px[x0 + x, y0 + y]
            px[x0 + x, y0 + y] = tuple(
                (b[i] * (255 - a) + colour[i] * a + 127) // 255
                for i in range(3))


LOGO_W, LOGO_H = 97, 15
LOGO_YELLOW = (255, 255, 0)


def make_logo():
    # At a legible 13 px the name is ~145 px wide, so it is condensed
    # horizontally to fit the 97 px slot (height kept, so strokes stay
    # crisp vertically).
    mask = text_mask(PRODUCT_NAME, 13)
    w, h = mask.size
    assert h <= LOGO_H
    if w > LOGO_W - 2:
        mask = mask.resize((LOGO_W - 2, h), Image.Resampling.LANCZOS)
        w = LOGO_W - 2
    img = Image.new("RGB", (LOGO_W, LOGO_H), (0, 0, 0))
    compose(img, mask, LOGO_YELLOW, (LOGO_W - w) // 2, (LOGO_H - h) // 2)
    return img


BUTTON_W, BUTTON_H = 75, 20
BUTTON_TOP, BUTTON_BOTTOM = 96, 40
BUTTON_TEXT = {"N": (255, 255, 255), "H": (255, 48, 48),
               "C": (168, 168, 168)}

# (resource base name, label), in the order the buttons are shown.
BUTTONS = [
    ("UB_PELMOR", "Pelmor"),
    ("UB_DAZHIHUI", "大智慧"),
    ("UB_TONGDAXIN", "通达信"),
    ("UB_HUARONGZHENGQUAN", "华融证券"),
    ("UB_CHAOYIN", "实时DEDE"),
    ("UB_QUANQIUHANGQIN", "全球行情"),
]


def make_button(label, state, k=1):
    bw, bh = k * BUTTON_W, k * BUTTON_H
    img = Image.new("RGB", (bw, bh))
    for y in range(bh):
        c = grey(lerp(BUTTON_TOP, BUTTON_BOTTOM, y, bh - 1))
        for x in range(bw):
            img.putpixel((x, y), c)
    mask = text_mask(label, 12 * k)
    w, h = mask.size
    assert w <= bw - 4 * k and h <= bh, label
    compose(img, mask, BUTTON_TEXT[state], (bw - w) // 2, (bh - h) // 2)
    return img


# ---------------------------------------------------------------------------
# Application icon
# ---------------------------------------------------------------------------

ICON_BG = (34, 38, 48)
ICON_BORDER = (86, 94, 112)
ICON_RED = (232, 48, 40)
ICON_YELLOW = (255, 214, 0)


def rounded_square_alpha(size, inset, radius):
    """Coverage (0..255) of a rounded square, 4x4 supersampled."""
    lo, hi = inset, size - inset
    alpha = [[0] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            hits = 0
            for sy in range(4):
                for sx in range(4):
                    fx = x + (sx + 0.5) / 4
                    fy = y + (sy + 0.5) / 4
                    if not (lo <= fx <= hi and lo <= fy <= hi):
                        continue
                    cx = min(max(fx, lo + radius), hi - radius)
                    cy = min(max(fy, lo + radius), hi - radius)
                    if (fx - cx) ** 2 + (fy - cy) ** 2 <= radius ** 2:
                        hits += 1
            alpha[y][x] = (hits * 255 + 8) // 16
    return alpha


def line_pixels(x0, y0, x1, y1):
    """Bresenham line."""
    pts = []
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx = 1 if x0 < x1 else -1
    sy = 1 if y0 < y1 else -1
    err = dx + dy
    while True:
        pts.append((x0, y0))
        if (x0, y0) == (x1, y1):
            return pts
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


# Per size: corner radius, candles as (left x, body width, wick top,
# body top, body bottom, wick bottom), yellow line as a polyline.
ICON_DESIGN = {
    32: dict(radius=6,
             candles=[(3, 5, 18, 20, 27, 29), (10, 5, 13, 15, 23, 25),
                      (17, 5, 8, 10, 19, 21), (24, 5, 3, 5, 14, 17)],
             line=[(2, 26), (5, 24), (12, 19), (19, 14), (26, 9), (29, 7)]),
    # Too small for the average line: candles only.
    16: dict(radius=3,
             candles=[(2, 3, 8, 9, 13, 14), (6, 3, 5, 6, 10, 11),
                      (10, 3, 2, 3, 7, 8)],
             line=None),
}


def make_icon_image(size):
    d = ICON_DESIGN[size]
    alpha = rounded_square_alpha(size, 0, d["radius"])
    inner = rounded_square_alpha(size, 1, d["radius"] - 1)
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    px = img.load()
    for y in range(size):
        for x in range(size):
            a = alpha[y][x]
            if a:
                c = ICON_BG if inner[y][x] >= 128 else ICON_BORDER
                px[x, y] = c + (a,)
    for left, bw, wt, bt, bb, wb in d["candles"]:
        wick_x = left + bw // 2
        for y in range(wt, wb + 1):
            px[wick_x, y] = ICON_RED + (255,)
        for y in range(bt, bb + 1):
            for x in range(left, left + bw):
                px[x, y] = ICON_RED + (255,)
    if d["line"]:
        pts = d["line"]
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            for x, y in line_pixels(x0, y0, x1, y1):
                px[x, y] = ICON_YELLOW + (255,)
    return img


def make_icon():
    entries = []
    images = {s: make_icon_image(s) for s in (32, 16)}
    for s in (32, 16):
        entries.append((s, s, 32, fmt.ico_image_32(images[s])))
    for s in (32, 16):
        # Palette version: partially covered edge pixels become either
        # opaque or transparent, so the palette stays the few flat colours.
        img = images[s].copy()
        px = img.load()
        palette = [(0, 0, 0)]
        for y in range(s):
            for x in range(s):
                r, g, b, a = px[x, y]
                if a >= 128:
                    px[x, y] = (r, g, b, 255)
                    if (r, g, b) not in palette:
                        palette.append((r, g, b))
                else:
                    px[x, y] = (0, 0, 0, 0)
        entries.append((s, s, 8, fmt.ico_image_8(img, palette)))
    return fmt.ico_file(entries), images


# ---------------------------------------------------------------------------
# Text files: manifest, .rc scripts, header
# ---------------------------------------------------------------------------

MANIFEST = """\
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Pelmor.Application"
                    version="@VERSION_QUAD@" processorArchitecture="*"/>
  <description>Pelmor</description>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls"
                        version="6.0.0.0" processorArchitecture="*"
                        publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
      </requestedPrivileges>
    </security>
  </trustInfo>
  <!-- Each window is drawn at its own monitor's resolution and redrawn when it
       moves to another (PerMonitorV2; "true/pm" for systems before it). -->
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
    </windowsSettings>
  </application>
  <compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">
    <application>
      <!-- Windows 7 -->
      <supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>
      <!-- Windows 8 -->
      <supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>
      <!-- Windows 8.1 -->
      <supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>
      <!-- Windows 10 and 11 -->
      <supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>
    </application>
  </compatibility>
</assembly>
"""

GENERATED_NOTE = "Generated by tools/gen_resources.py; edit that, not this."


def version_block(description, original_filename):
    # The numbers come from pelmor_version.h, which the build writes from its
    # one project version.
    v = "PELMOR_VERSION_MAJOR,PELMOR_VERSION_MINOR,0,0"
    vs = "PELMOR_VERSION_QUAD"
    return f"""\
1 VERSIONINFO
FILEVERSION {v}
PRODUCTVERSION {v}
FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
FILEFLAGS 0
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
FILESUBTYPE VFT2_UNKNOWN
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        /* Simplified Chinese, Unicode */
        BLOCK "080404b0"
        BEGIN
            VALUE "CompanyName", "Pelmor"
            VALUE "FileDescription", "{description}"
            VALUE "FileVersion", {vs}
            VALUE "InternalName", "{original_filename.rsplit('.', 1)[0]}"
            VALUE "OriginalFilename", "{original_filename}"
            VALUE "ProductName", "{PRODUCT_NAME}"
            VALUE "ProductVersion", {vs}
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x0804, 1200
    END
END
"""


RC_HEAD = """\
/* {note} */
/* UTF-8 source: the code page pragma makes windres convert the Chinese
   strings to UTF-16 correctly. */
#pragma code_page(65001)
#include <windows.h>
#include "pelmor_version.h"

"""


def bitmap_resources():
    """(resource name, file name relative to resources/viewer)."""
    out = [("SKIN", "skin.bmp"), ("SKIN_2X", "skin_2x.bmp")]
    out += [(n, n.lower() + ".bmp") for n in SCROLL_SIZES]
    out.append(("LOGO", "logo.bmp"))
    for base, _ in BUTTONS:
        for st in ("N", "H", "C"):
            for x2 in ("", "_2X"):
                out.append((f"{base}_{st}{x2}",
                            f"{base.lower()}_{st.lower()}{x2.lower()}.bmp"))
    return out


def make_viewer_rc():
    lines = [RC_HEAD.format(note=GENERATED_NOTE)]
    lines.append("/* First icon group: ExtractIcon(..., 0) and the shell "
                 "pick it. */\n")
    lines.append('1 ICON "pelmor.ico"\n\n')
    for name, fname in bitmap_resources():
        lines.append(f'{name:<24} BITMAP "{fname}"\n')
    lines.append("\n")
    lines.append(version_block(PRODUCT_NAME, PRODUCT_NAME + ".exe"))
    lines.append("\n")
    lines.append('CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST '
                 '"../app.manifest"\n')
    return "".join(lines)


def make_updater_rc():
    lines = [RC_HEAD.format(note=GENERATED_NOTE)]
    lines.append("/* windres resolves these paths against this file's "
                 "folder, so no\n   --include-dir is needed. */\n")
    lines.append('1 ICON "../viewer/pelmor.ico"\n\n')
    lines.append(version_block(UPDATER_DESCRIPTION, "update.exe"))
    lines.append("\n")
    lines.append('CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST '
                 '"../app.manifest"\n')
    return "".join(lines)


def make_header():
    out = [f"/* {GENERATED_NOTE} */\n",
           "/* Resource names and picture sizes shared by the Win32 code and "
           "the\n   native tests; deliberately free of Windows headers. */\n",
           "#ifndef PELMOR_RESOURCE_NAMES_H\n",
           "#define PELMOR_RESOURCE_NAMES_H\n\n",
           "#define PELMOR_IDI_APP 1\n\n"]

    def define(name, value):
        out.append(f"#define {name:<40} {value}\n")

    define("PELMOR_RES_SKIN", 'L"SKIN"')
    # The viewer's scaled pictures come at 2x too, their names ending in _2X.
    define("PELMOR_RES_SKIN_2X", 'L"SKIN_2X"')
    define("PELMOR_SKIN_W", SKIN_W)
    define("PELMOR_SKIN_H", SKIN_H)
    define("PELMOR_SKIN_CELL", CELL)
    define("PELMOR_SKIN_CAPTION_Y", CAPTION_Y)
    define("PELMOR_SKIN_CAPTION_H", CAPTION_H)
    out.append("\n")
    for name, (w, h) in SCROLL_SIZES.items():
        define(f"PELMOR_RES_{name}", f'L"{name}"')
        define(f"PELMOR_{name}_W", w)
        define(f"PELMOR_{name}_H", h)
    out.append("\n")
    define("PELMOR_RES_LOGO", 'L"LOGO"')
    define("PELMOR_LOGO_W", LOGO_W)
    define("PELMOR_LOGO_H", LOGO_H)
    out.append("\n")
    define("PELMOR_BUTTON_W", BUTTON_W)
    define("PELMOR_BUTTON_H", BUTTON_H)
    for base, _ in BUTTONS:
        for st in ("N", "H", "C"):
            define(f"PELMOR_RES_{base}_{st}", f'L"{base}_{st}"')
            define(f"PELMOR_RES_{base}_{st}_2X", f'L"{base}_{st}_2X"')
    out.append("\n#endif\n")
    return "".join(out)


# ---------------------------------------------------------------------------

def build():
    """Return {relative path: bytes} for every generated file."""
    files = {}
    # Pictures the viewer scales to a monitor's resolution come at 1x and 2x.
    files["viewer/skin.bmp"] = fmt.bmp24_bytes(make_skin())
    files["viewer/skin_2x.bmp"] = fmt.bmp24_bytes(make_skin(2))
    scroll = make_scrollbars()
    for name, img in scroll.items():
        assert img.size == SCROLL_SIZES[name], (name, img.size)
        files[f"viewer/{name.lower()}.bmp"] = fmt.bmp24_bytes(img)
    files["viewer/logo.bmp"] = fmt.bmp24_bytes(make_logo())
    for base, label in BUTTONS:
        for st in ("N", "H", "C"):
            files[f"viewer/{base.lower()}_{st.lower()}.bmp"] = \
                fmt.bmp24_bytes(make_button(label, st))
            files[f"viewer/{base.lower()}_{st.lower()}_2x.bmp"] = \
                fmt.bmp24_bytes(make_button(label, st, 2))
    files["viewer/pelmor.ico"] = make_icon()[0]
    major, minor = project_version()
    files["app.manifest"] = MANIFEST.replace(
        "@VERSION_QUAD@", f"{major}.{minor}.0.0").encode("utf-8")
    files["viewer/viewer.rc"] = make_viewer_rc().encode("utf-8")
    files["updater/update.rc"] = make_updater_rc().encode("utf-8")
    files["resource_names.h"] = make_header().encode("utf-8")
    return files


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(here, "..", "resources"),
                    help="output folder (default: resources/)")
    args = ap.parse_args()
    files = build()
    for rel, data in sorted(files.items()):
        path = os.path.join(args.out, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    print(f"wrote {len(files)} files to {os.path.normpath(args.out)}")


if __name__ == "__main__":
    main()
