#!/usr/bin/env python3
"""Draws the program's bitmaps: button glyphs, icon and About logo.

The outputs are committed under resources/; run this only to change them.
Every file is encoded by ImageMagick's convert from the pixels drawn here.
"""
import math
import os
import subprocess
import tempfile

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")

BLUE = (0, 74, 213)
LIGHT = (156, 230, 255)
CLEAR = (128, 128, 0)  # the glyphs' transparent colour: their bottom-left pixel


def write_bmp(path, pixels):
    """24-bit bottom-up BMP of rows of (r, g, b), 72 dpi."""
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "glyph.ppm")
        write_ppm(ppm, pixels)
        subprocess.run(["convert", ppm, "-type", "TrueColor", "-units", "PixelsPerCentimeter", "-density", "28.35",
                        "BMP3:" + path], check=True)


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


def icon():
    """The window icon: 32 and 16 pixels, each in 32-bit colour and in 8-bit
    colour with a transparency mask, for whatever reads it."""
    with tempfile.TemporaryDirectory() as tmp:
        frames = []
        for size in (32, 16):
            pam = os.path.join(tmp, "icon%d.pam" % size)
            write_pam(pam, emblem(size))
            # The emblem has few colours: the 8-bit frame holds them exactly, undithered.
            frames += [pam, "(", pam, "+dither", "-colors", "256", "-type", "PaletteAlpha", ")"]
        subprocess.run(["convert"] + frames + [os.path.join(HERE, "orvane.ico")], check=True)
    # The desktop entry's icons: the sizes the icon file holds, and a larger one.
    for size, name in ((64, "orvane.png"), (32, "orvane-32.png"), (16, "orvane-16.png")):
        write_png(emblem(size), os.path.join(HERE, name))


def write_png(pixels, path):
    with tempfile.TemporaryDirectory() as tmp:
        pam = os.path.join(tmp, "icon.pam")
        write_pam(pam, pixels)
        subprocess.run(["convert", pam, "-strip", path], check=True)


def write_ppm(path, pixels):
    h, w = len(pixels), len(pixels[0])
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h) + b"".join(bytes(p) for row in pixels for p in row))


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
        write_ppm(ppm, rows)
        subprocess.run(["convert", ppm, "-strip", "-interlace", "none", "-sampling-factor", "2x2",
                        "-quality", "80", "jpeg:" + os.path.join(HERE, "logo.jpg")], check=True)


if __name__ == "__main__":
    glyphs()
    icon()
    logo()
