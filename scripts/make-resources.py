#!/usr/bin/env python3
"""Draws the program's bitmaps: button glyphs, icon and About logo.

The outputs are committed under resources/; run this only to change them.
The logo needs ImageMagick's convert for the JPEG encoding.
"""
import math
import os
import struct
import subprocess
import tempfile

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")

BLUE = (0, 74, 213)
LIGHT = (156, 230, 255)
CLEAR = (128, 128, 0)  # the glyphs' transparent colour: their bottom-left pixel


def write_bmp(path, pixels):
    """24-bit bottom-up BMP of rows of (r, g, b)."""
    h, w = len(pixels), len(pixels[0])
    stride = (w * 3 + 3) & ~3
    data = b""
    for row in reversed(pixels):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        data += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def glyph(width, height, spans):
    """spans: {row: [(first, last, light_columns), ...]}"""
    pixels = [[CLEAR] * width for _ in range(height)]
    for row, runs in spans.items():
        for first, last, light in runs:
            for col in range(first, last + 1):
                pixels[row][col] = LIGHT if col in light else BLUE
    return pixels


def glyphs():
    write_bmp(os.path.join(HERE, "open.bmp"), glyph(11, 7, {
        1: [(1, 9, ())], 2: [(2, 8, (6,))], 3: [(3, 7, (5,))], 4: [(4, 6, ())], 5: [(5, 5, ())]}))
    write_bmp(os.path.join(HERE, "save.bmp"), glyph(11, 7, {
        1: [(5, 5, ())], 2: [(4, 6, ())], 3: [(3, 7, (5,))], 4: [(2, 8, (6,))], 5: [(1, 9, ())]}))
    write_bmp(os.path.join(HERE, "format.bmp"), glyph(11, 9, {
        0: [(3, 7, ())], 1: [(2, 4, ()), (6, 8, ())], 2: [(2, 3, ()), (7, 8, ())], 3: [(6, 7, ())],
        4: [(5, 6, ())], 5: [(4, 5, ())], 7: [(4, 5, ())], 8: [(4, 5, ())]}))


def emblem(size):
    """The program's emblem: three linked network nodes on a blue disc.
    Returns rows of (r, g, b, a)."""
    s = size / 32.0
    nodes = [(16 * s, 8.5 * s), (8.5 * s, 22 * s), (23.5 * s, 22 * s)]
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - size / 2, py - size / 2)
            if d > size / 2 - 0.5:
                row.append((0, 0, 0, 0))
                continue
            t = py / size
            colour = (int(20 + 30 * t), int(110 - 50 * t), int(235 - 40 * t), 255)
            near_line = False
            for i in range(3):
                (ax, ay), (bx, by) = nodes[i], nodes[(i + 1) % 3]
                vx, vy = bx - ax, by - ay
                u = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
                if math.hypot(px - (ax + u * vx), py - (ay + u * vy)) < 1.0 * s + 0.2:
                    near_line = True
            if near_line:
                colour = (156, 230, 255, 255)
            if any(math.hypot(px - nx, py - ny) < 3.6 * s for nx, ny in nodes):
                colour = (255, 255, 255, 255)
            row.append(colour)
        out.append(row)
    return out


def ico_image(pixels, bits):
    size = len(pixels)
    palette = []
    if bits == 8:
        for row in pixels:
            for r, g, b, a in row:
                if a and (r, g, b) not in palette:
                    palette.append((r, g, b))
        palette = palette[:256]
        palette += [(0, 0, 0)] * (256 - len(palette))

    def nearest(r, g, b):
        return min(range(256), key=lambda i: (palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2 + (palette[i][2] - b) ** 2)

    xor = b""
    for row in reversed(pixels):
        if bits == 32:
            line = b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
        else:
            line = bytes(nearest(r, g, b) if a else 0 for r, g, b, a in row)
        xor += line + b"\0" * ((-len(line)) % 4)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(pixels):
        bitsrow = 0
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if not a:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
        del bitsrow
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(mask), 0, 0,
                         256 if bits == 8 else 0, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + pal + xor + mask


def icon():
    images = []
    for size in (32, 16):
        pixels = emblem(size)
        for bits in (32, 8):
            images.append((size, bits, ico_image(pixels, bits)))
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    body = b""
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(data), offset + len(body))
        body += data
    with open(os.path.join(HERE, "orvane.ico"), "wb") as f:
        f.write(out + body)
    # The desktop entry's icons: the sizes the icon file holds, and a larger one.
    for size, name in ((64, "orvane.png"), (32, "orvane-32.png"), (16, "orvane-16.png")):
        write_png(emblem(size), os.path.join(HERE, name))


def write_png(pixels, path):
    with tempfile.TemporaryDirectory() as tmp:
        pam = os.path.join(tmp, "icon.pam")
        write_pam(pam, pixels)
        subprocess.run(["convert", pam, "-strip", path], check=True)


def write_pam(path, pixels):
    h, w = len(pixels), len(pixels[0])
    with open(path, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h))
        for row in pixels:
            f.write(b"".join(bytes(p) for p in row))


def logo():
    size = 64
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            t = (x + y) / (2.0 * size)
            row.append((int(235 - 30 * t), int(240 - 25 * t), int(250 - 10 * t)))
        rows.append(row)
    em = emblem(48)
    for y in range(48):
        for x in range(48):
            r, g, b, a = em[y][x]
            if a:
                rows[y + 8][x + 8] = (r, g, b)
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "logo.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6\n64 64\n255\n" + b"".join(bytes(p) for row in rows for p in row))
        subprocess.run(["convert", ppm, "-strip", "-interlace", "none", "-sampling-factor", "2x2",
                        "-quality", "80", "jpeg:" + os.path.join(HERE, "logo.jpg")], check=True)


if __name__ == "__main__":
    glyphs()
    icon()
    logo()
