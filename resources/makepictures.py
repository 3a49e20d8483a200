#!/usr/bin/env python3
"""Draws the background pictures and the About box's gear wheel into programfolder/.

Plain Python (no imaging package) so the pictures can be redrawn anywhere; the output is
24-bit uncompressed BMP, the format the panels load."""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "programfolder")


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) with y = 0 at the top."""
    row_size = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((clamp(b), clamp(g), clamp(r)))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def smooth(t):
    t = max(0.0, min(1.0, t))
    return t * t * (3 - 2 * t)


def background(top, bottom, glow, pattern):
    """A vertical gradient with a soft light in the upper left and a faint pattern."""
    W, H = 288, 216

    def pixel(x, y):
        c = mix(top, bottom, smooth(y / (H - 1)))
        d = math.hypot(x - W * 0.18, y - H * 0.12) / (W * 0.9)
        c = mix(c, glow, 0.45 * (1 - smooth(d)))
        return mix(c, (255, 255, 255), pattern(x, y, W, H))

    return W, H, pixel


def diagonal_ribbons(x, y, W, H):
    # Wide soft bands so the picture still looks smooth when stretched to a panel.
    s = math.sin((x + y * 0.8) / 26.0)
    return 0.10 * max(0.0, s) ** 6


def soft_dots(x, y, W, H):
    gx, gy = (x % 24) - 12, (y % 24) - 12
    return 0.16 * max(0.0, 1 - math.hypot(gx, gy) / 3.2)


def arcs(x, y, W, H):
    r = math.hypot(x - W * 1.05, y - H * 1.1)
    return 0.12 * max(0.0, math.sin(r / 14.0)) ** 8 * smooth(1 - r / (W * 1.3))


def gear_wheel(size=96, ss=4):
    face = (239, 239, 233)
    teeth = 12
    cx = cy = size / 2.0
    r_out, r_root, r_hub, r_hole = size * 0.46, size * 0.37, size * 0.20, size * 0.09

    def inside(px, py):
        dx, dy = px - cx, py - cy
        r = math.hypot(dx, dy)
        if r < r_hole or r > r_out:
            return None
        a = math.atan2(dy, dx)
        # Trapezoid teeth: full height over the middle of each pitch, sloped flanks.
        phase = (a * teeth / (2 * math.pi)) % 1.0
        tooth = min(1.0, max(0.0, (0.5 - abs(phase - 0.5)) * 6 - 0.6))
        edge = r_root + (r_out - r_root) * tooth
        if r > edge:
            return None
        # Spokes: four openings between hub and rim.
        if r_hub < r < r_root - size * 0.07:
            spoke = (a * 4 / (2 * math.pi)) % 1.0
            if 0.18 < spoke < 0.82:
                return None
        return r, a

    def shade(r, a):
        light = 0.5 + 0.5 * math.cos(a + 2.3)  # lit from the upper left
        steel_dark, steel_light = (58, 86, 128), (150, 178, 214)
        c = mix(steel_dark, steel_light, 0.25 + 0.6 * light)
        if r < r_hub:
            c = mix(c, (200, 212, 228), 0.35 * (1 - r / r_hub))
        return c

    def pixel(x, y):
        acc = [0.0, 0.0, 0.0]
        for j in range(ss):
            for i in range(ss):
                px, py = x + (i + 0.5) / ss, y + (j + 0.5) / ss
                hit = inside(px, py)
                if hit is None:
                    # A soft shadow to the lower right lifts the wheel off the face.
                    sh = inside(px - 2.0, py - 2.5)
                    c = mix(face, (200, 200, 194), 0.7) if sh is not None else face
                else:
                    c = shade(*hit)
                for k in range(3):
                    acc[k] += c[k]
        n = ss * ss
        return tuple(v / n for v in acc)

    return size, size, pixel


def main():
    os.makedirs(OUT, exist_ok=True)
    pictures = {
        "edit.bmp": background((232, 238, 248), (196, 210, 233), (250, 252, 255),
                               diagonal_ribbons),
        "edit2.bmp": background((247, 242, 231), (226, 214, 192), (255, 252, 244), soft_dots),
        "study.bmp": background((226, 240, 238), (184, 212, 210), (248, 253, 252), arcs),
        "GEARWHL2.bmp": gear_wheel(),
    }
    for name, (w, h, pixel) in pictures.items():
        write_bmp(os.path.join(OUT, name), w, h, pixel)
        print(name, w, "x", h)


if __name__ == "__main__":
    main()
