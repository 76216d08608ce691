#!/usr/bin/env python3
"""Draws Zoravel's own images into Resources/Images.

Standard library only: each picture is a list of shapes in points, sampled
8 x 8 times a pixel for smooth edges, and written as an RGBA PNG at 1x and 2x.
Run it again after changing a picture and commit the PNG files it writes.
"""

import math
import os
import struct
import zlib

SAMPLES = 8

INK = (0x33, 0x33, 0x33, 255)
PAPER = (0xFF, 0xFF, 0xFF, 255)
RED = (0xD6, 0x3B, 0x32, 255)
CELL = (0x6B, 0x6B, 0x6B, 255)


def rounded_rect_distance(x, y, left, top, right, bottom, radius):
    """Signed distance from (x, y) to a rounded rectangle (negative inside)."""
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def in_rect(x, y, left, top, right, bottom):
    return left <= x < right and top <= y < bottom


def calendar_page(x, y):
    """The tray icon: a calendar page with a red heading, two binder rings
    and a grid of days, one of them today's. 20 x 20 points, y down."""
    page = rounded_rect_distance(x, y, 2.5, 3.5, 17.5, 17.5, 2.0)
    colour = None
    if page <= 0:
        colour = RED if y < 7.5 else PAPER
    if abs(page) <= 0.5:
        colour = INK
    for left in (5.5, 13.0):
        if in_rect(x, y, left, 1.5, left + 1.5, 5.5):
            colour = INK
    for row, top in enumerate((9.5, 13.0)):
        for column, left in enumerate((5.0, 9.0, 13.0)):
            if in_rect(x, y, left, top, left + 2.0, top + 2.0):
                colour = RED if (row, column) == (1, 1) else CELL
    return colour


def render(shape, points, scale):
    side = points * scale
    rows = []
    for py in range(side):
        row = bytearray()
        for px in range(side):
            red = green = blue = alpha = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / scale
                    y = (py + (sy + 0.5) / SAMPLES) / scale
                    colour = shape(x, y)
                    if colour is None:
                        continue
                    a = colour[3] / 255
                    red += colour[0] * a
                    green += colour[1] * a
                    blue += colour[2] * a
                    alpha += a
            count = SAMPLES * SAMPLES
            if alpha > 0:
                row += bytes((round(red / alpha), round(green / alpha), round(blue / alpha),
                              round(255 * alpha / count)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return side, rows


def png(side, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


IMAGES = {
    "zvm_icon": (calendar_page, 20),
}


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "Resources", "Images")
    os.makedirs(folder, exist_ok=True)
    for name, (shape, points) in IMAGES.items():
        for scale, suffix in ((1, ""), (2, "@2x")):
            path = os.path.join(folder, name + suffix + ".png")
            with open(path, "wb") as out:
                out.write(png(*render(shape, points, scale)))
            print(os.path.normpath(path))


if __name__ == "__main__":
    main()
