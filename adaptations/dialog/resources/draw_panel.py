#!/usr/bin/env python3
"""Draws the pictures of the Kv unit's control panel that the program dialog shows.

    draw_panel.py OUTPUT_DIR

panel_radiation.bmp  35 x 34  the yellow radiation warning lamp (bitmap 3004)
panel_ready.bmp      35 x 34  the green ready lamp (bitmap 3005)
panel_unit.bmp      130 x 70  the unit seen from the side: column, arm, tube head and
                              sensor around the patient's head (bitmap 3003)

24-bit bottom-up BMP files; the sizes are those of the dialog's picture frames at the
dialog font's base units, and the frames centre them.
"""
import math
import struct
import sys
from pathlib import Path

PANEL = (190, 190, 190)


def canvas(width, height, colour=PANEL):
    return [[colour] * width for _ in range(height)]


def disc(pixels, cx, cy, radius, colour):
    for y, row in enumerate(pixels):
        for x in range(len(row)):
            if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                row[x] = colour


def box(pixels, left, top, right, bottom, colour):
    for y in range(max(top, 0), min(bottom, len(pixels))):
        for x in range(max(left, 0), min(right, len(pixels[0]))):
            pixels[y][x] = colour


def lamp(colour, symbol):
    pixels = canvas(35, 34)
    disc(pixels, 17, 17, 15, (64, 64, 64))
    disc(pixels, 17, 17, 13, colour)
    symbol(pixels)
    disc(pixels, 12, 11, 2, (255, 255, 255))  # the glint on the lamp's glass
    return pixels


def trefoil(pixels):
    for y, row in enumerate(pixels):
        for x in range(len(row)):
            dx, dy = x - 17, y - 17
            r = math.hypot(dx, dy)
            angle = math.degrees(math.atan2(dy, dx)) % 120
            if r <= 2.5 or (4 <= r <= 11 and 30 <= angle <= 90):
                row[x] = (0, 0, 0)


def tick(pixels):
    for i in range(12):
        x, y = 10 + i, (20 + i if i < 4 else 24 - (i - 4) * 1.4)
        box(pixels, int(x), int(y) - 1, int(x) + 2, int(y) + 2, (0, 80, 0))


def unit():
    pixels = canvas(130, 70)
    grey, dark, blue = (120, 120, 120), (60, 60, 60), (70, 90, 160)
    box(pixels, 4, 60, 60, 66, dark)     # foot
    box(pixels, 12, 4, 22, 60, grey)     # column
    box(pixels, 22, 8, 108, 14, grey)    # arm
    box(pixels, 50, 14, 56, 20, dark)    # rotation axis
    box(pixels, 24, 14, 40, 40, blue)    # tube head
    box(pixels, 100, 14, 108, 46, dark)  # sensor cassette
    disc(pixels, 70, 36, 11, (230, 200, 170))  # the patient's head
    box(pixels, 64, 47, 76, 62, (230, 200, 170))
    for x in range(40, 100, 3):          # the beam
        y = 27 + (x - 40) * 3 // 60
        box(pixels, x, y, x + 2, y + 1, (250, 230, 40))
    return pixels


def bmp(pixels):
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    rows = b""
    for row in reversed(pixels):
        data = b"".join(struct.pack("<3B", b, g, r) for (r, g, b) in row)
        rows += data + b"\0" * (stride - len(data))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(rows), 0, 0, 14 + 40)
    return header + info + rows


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "panel_radiation.bmp").write_bytes(bmp(lamp((250, 210, 30), trefoil)))
    (out / "panel_ready.bmp").write_bytes(bmp(lamp((60, 200, 60), tick)))
    (out / "panel_unit.bmp").write_bytes(bmp(unit()))


if __name__ == "__main__":
    main()
