#!/usr/bin/env python3
"""Draws the driver's logos and transfer cursor into the files scanlink.rc includes.

    draw_resources.py OUTPUT_DIR

logo_default.bmp  48 x 48, 4 bits per pixel: a tooth over the word ORVIX
logo_oem.bmp     169 x 65, 8 bits per pixel: the word ORVIX over a rule
transfer.cur      32 x 32 monochrome hourglass

The marks are white (255) on black: the driver inverts the image under every white
logo pixel. A logo's rows are stamped from the image's bottom row upwards, so the
files hold them upside down (the first stored row is the logo's top row).
"""
import struct
import sys
from pathlib import Path

FONT = {  # 5 x 7
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
}


def canvas(width, height):
    return [[0] * width for _ in range(height)]


def text(pixels, word, left, top, scale):
    for i, letter in enumerate(word):
        x0 = left + i * 6 * scale
        for r, row in enumerate(FONT[letter]):
            for c, bit in enumerate(row):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels[top + r * scale + dy][x0 + c * scale + dx] = 1


def tooth(pixels, cx, top):
    """A molar: a rounded crown with a notch on top and two tapering roots."""
    for y in range(top, top + 34):
        for x in range(len(pixels[0])):
            dx = x - cx + 0.5
            dy = y - top
            crown = dy < 18 and (dx / 15.0) ** 2 + ((dy - 10) / 10.0) ** 2 <= 1.0
            notch = dy < 4 and abs(dx) < 4 - dy
            root = False
            if 14 <= dy < 34:
                spread = 4 + (dy - 14) * 0.35
                half = 5.5 - (dy - 14) * 0.25
                root = abs(abs(dx) - spread) < half and abs(dx) > 2
            if (crown and not notch) or root:
                pixels[y][x] = 1


def bmp(pixels, bits, palette):
    height = len(pixels)
    width = len(pixels[0])
    stride = ((width * bits + 31) // 32) * 4
    rows = b""
    # Stored order = the logo's top row first (upside down for a bottom-up DIB).
    for row in pixels:
        if bits == 8:
            data = bytes(255 if p else 0 for p in row)
        else:  # 4 bits: index 15 white, 0 black
            nibbles = [15 if p else 0 for p in row] + [0]
            data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, width, 2))
        rows += data + b"\0" * (stride - len(data))
    pal = b"".join(struct.pack("<4B", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(rows), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + pal + rows


def hourglass():
    black = canvas(32, 32)  # outline
    white = canvas(32, 32)  # fill
    for y in range(4, 28):
        half = 11 - min(y - 4, 27 - y) * 10 // 12
        for x in range(16 - half - 1, 16 + half + 1):
            edge = x in (16 - half - 1, 16 + half) or y in (4, 27)
            (black if edge else white)[y][x] = 1
    for y in (3, 28):
        for x in range(4, 28):
            black[y][x] = 1
    return black, white


def cursor():
    black, white = hourglass()
    xor_rows = b""
    and_rows = b""
    for y in reversed(range(32)):  # icon bitmaps are bottom-up
        xor_bits = and_bits = 0
        for x in range(32):
            opaque = black[y][x] or white[y][x]
            xor_bits |= (1 if white[y][x] else 0) << (31 - x)
            and_bits |= (0 if opaque else 1) << (31 - x)
        xor_rows += struct.pack(">I", xor_bits)
        and_rows += struct.pack(">I", and_bits)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor_rows) + len(and_rows), 0, 0, 2, 0)
    pal = struct.pack("<8B", 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + pal + xor_rows + and_rows
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, 16, 16, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    small = canvas(48, 48)
    tooth(small, 24, 2)
    text(small, "ORVIX", 10, 39, 1)
    vga = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    (out / "logo_default.bmp").write_bytes(bmp(small, 4, vga))

    large = canvas(169, 65)
    text(large, "ORVIX", 12, 8, 5)
    for y in range(52, 56):
        for x in range(12, 157):
            large[y][x] = 1
    (out / "logo_oem.bmp").write_bytes(bmp(large, 8, [(i, i, i) for i in range(256)]))
    (out / "transfer.cur").write_bytes(cursor())


if __name__ == "__main__":
    main()
