"""Byte-exact writers for the Windows image formats the resources use.

Written by hand instead of through PIL's encoders so that the bytes depend
only on the pixels: no library version can change a header field, and
windres / LoadImage see exactly the layout we chose (24-bit bottom-up BMP,
BITMAPINFOHEADER-based ICO entries with AND masks).
"""

import struct


def _row_stride(width, bits):
    # DIB rows are padded to a multiple of 4 bytes.
    return ((width * bits + 31) // 32) * 4


def bmp24_bytes(img):
    """Encode a PIL RGB image as a 24 bpp, bottom-up, uncompressed BMP."""
    if img.mode != "RGB":
        raise ValueError("expected an RGB image, got " + img.mode)
    w, h = img.size
    stride = _row_stride(w, 24)
    raw = img.tobytes()  # top-down RGB
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        row = raw[y * w * 3:(y + 1) * w * 3]
        out = bytearray(stride)
        # RGB -> BGR
        out[0:w * 3:3] = row[2::3]
        out[1:w * 3:3] = row[1::3]
        out[2:w * 3:3] = row[0::3]
        pixels += out
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels),
                       0, 0, 0, 0)
    offset = 14 + len(info)
    filehdr = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0,
                          offset)
    return filehdr + info + bytes(pixels)


def _and_mask(alpha_rows, w, h):
    """1 bpp AND mask, bottom-up; a set bit means transparent."""
    stride = _row_stride(w, 1)
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if alpha_rows[y][x] == 0:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def ico_image_32(img):
    """ICO entry body for a 32 bpp image with alpha (PIL RGBA)."""
    if img.mode != "RGBA":
        raise ValueError("expected RGBA")
    w, h = img.size
    px = img.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    alpha = [[px[x, y][3] for x in range(w)] for y in range(h)]
    mask = _and_mask(alpha, w, h)
    # Icon DIBs declare twice the height: XOR bitmap plus AND mask.
    hdr = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0,
                      len(xor) + len(mask), 0, 0, 0, 0)
    return hdr + bytes(xor) + mask


def ico_image_8(img, palette):
    """ICO entry body for an 8 bpp palettised image.

    img is RGBA; alpha 0 pixels become transparent through the AND mask,
    every other pixel must match one of the palette colours exactly.
    """
    w, h = img.size
    px = img.load()
    if len(palette) > 256:
        raise ValueError("palette too large")
    index = {c: i for i, c in enumerate(palette)}
    stride = _row_stride(w, 8)
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            r, g, b, a = px[x, y]
            row[x] = 0 if a == 0 else index[(r, g, b)]
        xor += row
    alpha = [[px[x, y][3] for x in range(w)] for y in range(h)]
    mask = _and_mask(alpha, w, h)
    pal = bytearray()
    for i in range(256):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        pal += bytes((b, g, r, 0))
    hdr = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0,
                      len(xor) + len(mask), 0, 0, 256, 0)
    return hdr + bytes(pal) + bytes(xor) + mask


def ico_file(entries):
    """entries: list of (width, height, bits, body) -> .ico bytes."""
    count = len(entries)
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    offset = 6 + 16 * count
    for w, h, bits, body in entries:
        # Width/height 256 would be stored as 0; colour count is 0 for
        # 8 bpp and deeper.
        colors = (1 << bits) if bits < 8 else 0
        out += struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, colors, 0, 1,
                           bits, len(body), offset)
        offset += len(body)
    for _, _, _, body in entries:
        out += body
    return bytes(out)
