#!/usr/bin/env python3
"""Draws the Ventra console's skin: every bitmap of the console and its controls.

    draw_skin.py OUTPUT_DIR

Writes into OUTPUT_DIR one BMP per bitmap resource, skin.rc (the resource script that
binds them to their ids) and skin_bitmaps.h (the bitmap sets per control and reference
size, for the code that hands them to the controls).

Images are 24-bit colour; masks are 1-bit. A control's mask is black where the control
shows its image and white where the background stays, with a white top-left pixel, so
that the region built from it keeps exactly the drawn shape. The console's own shape
mask (284) is the other way round: white inside, black outside, black top-left.

The look: a dark slate panel, large flat symbols and saturated lamps, so that the state
of the unit reads from across the room.
"""
import math
import struct
import sys
from pathlib import Path

# ---------------------------------------------------------------- palette
BG_TOP = (14, 21, 32)
BG_BOTTOM = (24, 35, 52)
PANEL = (30, 43, 61)
PANEL_EDGE = (58, 84, 112)
WELL = (9, 14, 22)
FACE = (44, 60, 82)
FACE_PRESSED = (24, 34, 48)
RIM = (88, 118, 150)
OFF = (62, 74, 90)
GLYPH = (214, 232, 245)
GLYPH_DIM = (120, 138, 158)
CYAN = (58, 208, 255)
AMBER = (255, 176, 32)
GREEN = (62, 224, 122)
RED = (255, 77, 77)
BLUE = (58, 123, 255)
YELLOW = (255, 214, 0)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


# ---------------------------------------------------------------- shapes (point predicates)
def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def bar(xa, ya, xb, yb, half):
    """A stroke of half-width `half` from a to b with round ends."""
    lx, ly = xb - xa, yb - ya
    length2 = lx * lx + ly * ly or 1.0

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - xa) * lx + (y - ya) * ly) / length2))
        px, py = xa + t * lx - x, ya + t * ly - y
        return px * px + py * py <= half * half
    return inside


def sector(cx, cy, r_out, r_in, start, end):
    """Annulus between angles start..end (degrees, 0 = right, counter-clockwise, y up)."""
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not (r_in * r_in <= d2 <= r_out * r_out):
            return False
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return (a - start) % 360 <= (end - start) % 360
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


# ---------------------------------------------------------------- canvas
class Canvas:
    def __init__(self, width, height, colour=BLACK):
        self.w, self.h = width, height
        self.rows = [bytearray(bytes(colour) * width) for _ in range(height)]
        self.mask = [bytearray(width) for _ in range(height)]  # 1 where the shape is

    def gradient(self, top, bottom):
        for y, row in enumerate(self.rows):
            row[:] = bytes(mix(top, bottom, y / max(1, self.h - 1))) * self.w

    def blend(self, x, y, colour, alpha):
        row = self.rows[y]
        i = 3 * x
        for k in range(3):
            row[i + k] = int(row[i + k] + (colour[k] - row[i + k]) * alpha + 0.5)

    def paint(self, shape, colour, box=None, samples=3, mark=False):
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        step = 1.0 / samples
        offsets = [(i + 0.5) * step for i in range(samples)]
        total = samples * samples
        for y in range(y0, y1):
            for x in range(x0, x1):
                n = sum(1 for oy in offsets for ox in offsets if shape(x + ox, y + oy))
                if n:
                    self.blend(x, y, colour, n / total)
                if mark and shape(x + 0.5, y + 0.5):
                    self.mask[y][x] = 1

    def panel(self, x0, y0, x1, y1, r, colour, edge=None, edge_width=2):
        """A rounded rectangle filled row by row (fast enough for whole backgrounds)."""
        if edge:
            self._span_fill(x0, y0, x1, y1, r, edge)
            x0, y0, x1, y1, r = x0 + edge_width, y0 + edge_width, x1 - edge_width, y1 - edge_width, max(0, r - edge_width)
        self._span_fill(x0, y0, x1, y1, r, colour)

    def _span_fill(self, x0, y0, x1, y1, r, colour):
        for y in range(max(0, int(y0)), min(self.h, int(y1))):
            cy = y + 0.5
            dy = max(y0 + r - cy, 0, cy - (y1 - r))
            if dy > r:
                continue
            inset = r - math.sqrt(r * r - dy * dy) if r else 0
            left, right = x0 + inset, x1 - inset
            full_left, full_right = int(math.ceil(left)), int(math.floor(right))
            if full_right > full_left:
                a, b = max(0, full_left), min(self.w, full_right)
                if b > a:
                    self.rows[y][3 * a:3 * b] = bytes(colour) * (b - a)
            for x, cover in ((full_left - 1, full_left - left), (full_right, right - full_right)):
                if 0 <= x < self.w and cover > 0:
                    self.blend(x, y, colour, min(1.0, cover))

    def blacken_outside_mask(self):
        for row, mask in zip(self.rows, self.mask):
            for x in range(self.w):
                if not mask[x]:
                    row[3 * x:3 * x + 3] = b"\0\0\0"


# ---------------------------------------------------------------- BMP files
def bmp_colour(canvas):
    stride = (canvas.w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(canvas.rows):
        line = bytearray(canvas.w * 3)
        line[0::3], line[1::3], line[2::3] = row[2::3], row[1::3], row[0::3]  # BGR
        pixels += line + bytes(stride - len(line))
    return bmp_file(canvas.w, canvas.h, 24, b"", pixels)


def bmp_mask(canvas, white_inside):
    """1-bit: palette 0 black, 1 white."""
    stride = ((canvas.w + 31) // 32) * 4
    pixels = bytearray()
    for mask in reversed(canvas.mask):
        line = bytearray(stride)
        for x in range(canvas.w):
            white = bool(mask[x]) == white_inside
            if white:
                line[x >> 3] |= 0x80 >> (x & 7)
        pixels += line
    return bmp_file(canvas.w, canvas.h, 1, bytes((0, 0, 0, 0, 255, 255, 255, 0)), pixels)


def bmp_file(width, height, bits, palette, pixels):
    colours = len(palette) // 4
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       colours, colours)
    return header + info + palette + pixels


# ---------------------------------------------------------------- glyphs (in a unit box 0..1)
class Box:
    """Maps unit coordinates of a glyph onto a pixel rectangle."""

    def __init__(self, x, y, w, h):
        self.x, self.y, self.w, self.h = x, y, w, h
        self.s = min(w, h)

    def p(self, u, v):
        return (self.x + (self.w - self.s) / 2 + u * self.s, self.y + (self.h - self.s) / 2 + v * self.s)

    def d(self, length):
        return length * self.s

    def bounds(self):
        return (self.x, self.y, self.x + self.w, self.y + self.h)


def g_trefoil(b):
    cx, cy = b.p(0.5, 0.5)
    blades = [sector(cx, cy, b.d(0.45), b.d(0.12), a - 30, a + 30) for a in (90, 210, 330)]
    return union(circle(cx, cy, b.d(0.08)), *blades)


def g_check(b):
    return union(bar(*b.p(0.2, 0.52), *b.p(0.42, 0.74), b.d(0.08)),
                 bar(*b.p(0.42, 0.74), *b.p(0.8, 0.3), b.d(0.08)))


def g_speaker(b):
    body = polygon([b.p(0.14, 0.38), b.p(0.3, 0.38), b.p(0.5, 0.2), b.p(0.5, 0.8), b.p(0.3, 0.62), b.p(0.14, 0.62)])
    cx, cy = b.p(0.5, 0.5)
    waves = [sector(cx, cy, b.d(r + 0.05), b.d(r - 0.01), -40, 40) for r in (0.18, 0.32)]
    return union(body, *waves)


def g_crosshair(b):
    cx, cy = b.p(0.5, 0.5)
    return union(ring(cx, cy, b.d(0.3), b.d(0.22)), circle(cx, cy, b.d(0.07)),
                 bar(*b.p(0.5, 0.06), *b.p(0.5, 0.26), b.d(0.04)), bar(*b.p(0.5, 0.74), *b.p(0.5, 0.94), b.d(0.04)),
                 bar(*b.p(0.06, 0.5), *b.p(0.26, 0.5), b.d(0.04)), bar(*b.p(0.74, 0.5), *b.p(0.94, 0.5), b.d(0.04)))


def g_info(b):
    return union(circle(*b.p(0.5, 0.24), b.d(0.08)), bar(*b.p(0.5, 0.42), *b.p(0.5, 0.8), b.d(0.075)))


def g_reset(b):
    cx, cy = b.p(0.5, 0.52)
    arrow = polygon([b.p(0.5, 0.06), b.p(0.72, 0.2), b.p(0.5, 0.34)])
    return union(sector(cx, cy, b.d(0.33), b.d(0.22), 110, 90 + 360 - 10), arrow)


def g_exit(b):
    return union(bar(*b.p(0.25, 0.25), *b.p(0.75, 0.75), b.d(0.08)), bar(*b.p(0.75, 0.25), *b.p(0.25, 0.75), b.d(0.08)))


def g_plus(b):
    return union(bar(*b.p(0.2, 0.5), *b.p(0.8, 0.5), b.d(0.09)), bar(*b.p(0.5, 0.2), *b.p(0.5, 0.8), b.d(0.09)))


def g_minus(b):
    return bar(*b.p(0.2, 0.5), *b.p(0.8, 0.5), b.d(0.09))


def g_person(b, scale=1.0, girth=1.0):
    """A standing figure; scale shrinks it towards the bottom, girth widens the body."""
    top = 1 - 0.9 * scale
    head = circle(*b.p(0.5, top + 0.14 * scale), b.d(0.12 * scale))
    w = 0.16 * scale * girth
    body = rrect(*b.p(0.5 - w, top + 0.3 * scale), *b.p(0.5 + w, top + 0.9 * scale), b.d(0.08 * scale))
    return union(head, body)


def g_tooth(b, roots=2, narrow=False):
    half = 0.2 if narrow else 0.32
    crown = rrect(*b.p(0.5 - half, 0.12), *b.p(0.5 + half, 0.55), b.d(0.12))
    if roots == 1:
        return union(crown, polygon([b.p(0.5 - half * 0.8, 0.5), b.p(0.5 + half * 0.8, 0.5), b.p(0.5, 0.92)]))
    return union(crown, polygon([b.p(0.2, 0.5), b.p(0.46, 0.5), b.p(0.32, 0.9)]),
                 polygon([b.p(0.54, 0.5), b.p(0.8, 0.5), b.p(0.68, 0.9)]))


def g_joint(b, right):
    u = 0.62 if right else 0.38
    socket = sector(*b.p(0.5, 0.5), b.d(0.38), b.d(0.28), 20, 160)
    condyle = circle(*b.p(0.5, 0.5), b.d(0.2))
    neck = bar(*b.p(0.5, 0.6), *b.p(u, 0.92), b.d(0.08))
    return union(socket, condyle, neck)


def g_sinus(b):
    return union(ellipse(*b.p(0.3, 0.5), b.d(0.17), b.d(0.25)), ellipse(*b.p(0.7, 0.5), b.d(0.17), b.d(0.25)))


def g_ceph(b):
    return union(ring(*b.p(0.42, 0.45), b.d(0.3), b.d(0.22)), bar(*b.p(0.85, 0.1), *b.p(0.85, 0.9), b.d(0.05)),
                 bar(*b.p(0.12, 0.45), *b.p(0.85, 0.45), b.d(0.03)))


def g_four(b):
    cells = []
    for i in range(2):
        for j in range(2):
            cells.append(rrect(*b.p(0.14 + 0.38 * i, 0.14 + 0.38 * j), *b.p(0.48 + 0.38 * i, 0.48 + 0.38 * j), b.d(0.06)))
    return union(*cells)


def g_memory(b):
    tray = union(bar(*b.p(0.18, 0.62), *b.p(0.18, 0.84), b.d(0.06)), bar(*b.p(0.18, 0.84), *b.p(0.82, 0.84), b.d(0.06)),
                 bar(*b.p(0.82, 0.62), *b.p(0.82, 0.84), b.d(0.06)))
    arrow = union(bar(*b.p(0.5, 0.14), *b.p(0.5, 0.5), b.d(0.07)),
                  polygon([b.p(0.3, 0.44), b.p(0.7, 0.44), b.p(0.5, 0.68)]))
    return union(tray, arrow)


def g_thermometer(b):
    return union(circle(*b.p(0.5, 0.78), b.d(0.16)), bar(*b.p(0.5, 0.14), *b.p(0.5, 0.7), b.d(0.08)))


def g_triangle(b):
    return polygon([b.p(0.5, 0.06), b.p(0.96, 0.9), b.p(0.04, 0.9)])


def g_exclamation(b, top=0.32, bottom=0.62, dot=0.76):
    return union(bar(*b.p(0.5, top), *b.p(0.5, bottom), b.d(0.065)), circle(*b.p(0.5, dot), b.d(0.07)))


# 5 x 7 letters for the wordmark
LETTERS = {
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
}


def g_word(word, x, y, cell):
    dots = []
    for i, letter in enumerate(word):
        for r, line in enumerate(LETTERS[letter]):
            for c, bit in enumerate(line):
                if bit == "1":
                    px, py = x + (i * 6 + c) * cell, y + r * cell
                    dots.append((px, py))
    s = set((round((px - x) / cell), round((py - y) / cell)) for px, py in dots)

    def inside(px, py):
        return (math.floor((px - x) / cell), math.floor((py - y) / cell)) in s
    return inside


# ---------------------------------------------------------------- control painters
def new_control(w, h):
    c = Canvas(w, h, PANEL)
    return c


def body_round(c):
    r = min(c.w, c.h) / 2 - 1
    return circle(c.w / 2, c.h / 2, r)


def body_square(c, radius=0.22):
    return rrect(1, 1, c.w - 1, c.h - 1, min(c.w, c.h) * radius)


def draw_lamp(w, h, glyph, lit, colour):
    c = new_control(w, h)
    body = body_round(c)
    c.paint(body, RIM, mark=True)
    inner = circle(w / 2, h / 2, min(w, h) / 2 - 1 - max(2, min(w, h) * 0.07))
    c.paint(inner, colour if lit else WELL)
    if lit:
        c.paint(circle(w / 2, h * 0.42, min(w, h) * 0.3), mix(colour, WHITE, 0.35))
    if glyph:
        g = glyph(Box(w * 0.22, h * 0.22, w * 0.56, h * 0.56))
        c.paint(g, mix(colour, BLACK, 0.75) if lit else mix(colour, OFF, 0.6))
    return c


def draw_small_lamp(w, h, glyph, lit, colour):
    """A recap lamp: the symbol itself lights, its shape is the mask."""
    c = new_control(w, h)
    g = glyph(Box(1, 1, w - 2, h - 2))
    c.paint(g, colour if lit else OFF, mark=True)
    return c


def draw_button(w, h, glyph, state_colour=None, pressed=False, round_body=False, glyph_colour=GLYPH):
    c = new_control(w, h)
    body = body_round(c) if round_body else body_square(c)
    c.paint(body, state_colour or RIM, mark=True)
    inset = max(2, min(w, h) * 0.06)
    face = (circle(w / 2, h / 2, min(w, h) / 2 - 1 - inset) if round_body
            else rrect(1 + inset, 1 + inset, w - 1 - inset, h - 1 - inset, min(w, h) * 0.18))
    c.paint(face, FACE_PRESSED if pressed else FACE)
    shift = 1 if pressed else 0
    m = 0.2
    g = glyph(Box(w * m + shift, h * m + shift, w * (1 - 2 * m), h * (1 - 2 * m)))
    c.paint(g, glyph_colour)
    return c


def draw_selector(w, h, position):
    """The round page selector: a knob whose pointer shows page 0, 1 or 2. The window
    takes the shape of the first mask, so every position stays inside the same disc."""
    c = new_control(w, h)
    cx, cy = w / 2, h / 2
    angle = math.radians((35, 0, -35)[position])
    r = min(w, h) / 2 - 1
    c.paint(circle(cx, cy, r), CYAN, mark=True)
    c.paint(circle(cx, cy, r * 0.86), FACE)
    for a in (35, 0, -35):
        t = math.radians(a)
        c.paint(circle(cx + math.cos(t) * r * 0.74, cy - math.sin(t) * r * 0.74, r * 0.05), GLYPH_DIM)
    tip = (cx + math.cos(angle) * r * 0.74, cy - math.sin(angle) * r * 0.74)
    c.paint(bar(cx, cy, *tip, r * 0.09), GLYPH)
    c.paint(circle(*tip, r * 0.11), CYAN)
    c.paint(circle(cx, cy, r * 0.18), CYAN)
    return c


def draw_body_size(w, h, size):
    """Recap body size: 0 low, 1 average, 2 high; the figure widens with the state,
    inside one badge so that the first mask's shape holds all three."""
    c = new_control(w, h)
    c.paint(circle(w / 2, h / 2, min(w, h) / 2 - 1), WELL, mark=True)
    c.paint(g_person(Box(w * 0.15, h * 0.12, w * 0.7, h * 0.76), 1.0, (0.7, 1.1, 1.6)[size]), CYAN)
    return c


def draw_display(w, h):
    c = new_control(w, h)
    c.paint(rrect(0.5, 0.5, w - 0.5, h - 0.5, min(h * 0.25, 8)), PANEL_EDGE, mark=True)
    c.paint(rrect(2, 2, w - 2, h - 2, min(h * 0.2, 6)), WELL)
    return c


def draw_frame(w, h):
    c = Canvas(w, h, PANEL)
    c.gradient(mix(PANEL, WHITE, 0.03), PANEL)
    c.panel(0, 0, w, h, 14, mix(PANEL, WHITE, 0.02), edge=PANEL_EDGE)
    return c


def draw_symbol(w, h, kind, pressed):
    c = new_control(w, h)
    b = Box(1, 1, w - 2, h - 2)
    dim = 0.25 if pressed else 0.0
    if kind == "radiation":
        c.paint(circle(w / 2, h / 2, min(w, h) / 2 - 1), mix(YELLOW, BLACK, dim), mark=True)
        c.paint(g_trefoil(Box(w * 0.12, h * 0.12, w * 0.76, h * 0.76)), BLACK)
    elif kind == "attention":
        c.paint(g_triangle(b), mix(YELLOW, BLACK, dim), mark=True)
        c.paint(g_exclamation(b, 0.38, 0.64, 0.78), BLACK)
    elif kind == "temperature":
        c.paint(g_thermometer(b), mix(RED, BLACK, dim), mark=True)
    elif kind == "danger":
        c.paint(circle(w / 2, h / 2, min(w, h) / 2 - 1), mix(BLUE, BLACK, dim), mark=True)
        c.paint(g_exclamation(b, 0.2, 0.58, 0.76), WHITE)
    elif kind == "logo":
        cell = max(1, min((w - 4) // 59, (h - 4) // 7))
        word = "NORVANEPAN"
        x = (w - (len(word) * 6 - 1) * cell) / 2
        y = (h - 7 * cell) / 2
        c.paint(g_word(word, x, y, cell), mix(GLYPH, BLACK, dim), samples=1, mark=True)
    return c


# ---------------------------------------------------------------- backgrounds
def draw_background(W, H, shaped=False):
    c = Canvas(W, H)
    c.gradient(BG_TOP, BG_BOTTOM)
    f = lambda fx, fy: (fx * W, fy * H)
    s = W / 1024
    # preview well
    x, y = f(0.0899, 0.1603)
    pw, ph = 0.4936 * W, 0.3598 * H
    c.panel(x - 6 * s, y - 6 * s, x + pw + 6 * s, y + ph + 6 * s, 10 * s, PANEL, edge=PANEL_EDGE)
    c.panel(x, y, x + pw, y + ph, 4 * s, WELL)
    # header strip with the warning symbols
    c.panel(*f(0.035, 0.05), *f(0.58, 0.14), 12 * s, PANEL, edge=PANEL_EDGE)
    # recap, patient and values band
    c.panel(*f(0.08, 0.535), *f(0.31, 0.67), 12 * s, PANEL, edge=PANEL_EDGE)
    c.panel(*f(0.33, 0.535), *f(0.585, 0.67), 12 * s, PANEL, edge=PANEL_EDGE)
    # message strip, temperature and cooling
    c.panel(*f(0.08, 0.69), *f(0.585, 0.8), 12 * s, PANEL, edge=PANEL_EDGE)
    # right column: selector, page captions, pages
    c.panel(*f(0.597, 0.165), *f(0.965, 0.33), 12 * s, PANEL, edge=PANEL_EDGE)
    fx, fy = f(0.5927, 0.3502)
    c.panel(fx - 3 * s, fy - 3 * s, fx + 375 * s, fy + 293 * s, 16 * s, BG_TOP)
    # lamps and unit commands
    c.panel(*f(0.63, 0.74), *f(0.92, 0.83), 14 * s, PANEL, edge=PANEL_EDGE)
    # bottom bar
    c.panel(*f(0.07, 0.84), *f(0.23, 0.93), 14 * s, PANEL, edge=PANEL_EDGE)
    c.panel(*f(0.34, 0.85), *f(0.54, 0.92), 14 * s, PANEL, edge=PANEL_EDGE)
    c.panel(*f(0.855, 0.84), *f(0.945, 0.93), 14 * s, PANEL, edge=PANEL_EDGE)
    # accent rule
    c.panel(*f(0.035, 0.955), *f(0.965, 0.96), 2 * s, mix(CYAN, BG_BOTTOM, 0.5))
    return c


def draw_shape(W, H):
    """The console's outline at 1024 x 768: a rounded slab; outside it is cut away."""
    c = Canvas(W, H)
    inside = rrect(3, 3, W - 3, H - 3, 28)
    for y in range(H):
        for x in (list(range(0, 40)) + list(range(W - 40, W))) if 40 <= y < H - 40 else range(W):
            if inside(x + 0.5, y + 0.5):
                c.mask[y][x] = 1
        if 40 <= y < H - 40:
            c.mask[y][40:W - 40] = b"\1" * (W - 80)
    return c


# ---------------------------------------------------------------- the roles
SIZES = (800, 1024)
SCALE = {800: 800 / 1024, 1024: 1.0}


def px(v, size):
    return max(4, int(round(v * SCALE[size])))


class Role:
    """One control's bitmaps: an ordered list of (kind, painter) and the ids per size."""

    def __init__(self, name, kind, sizes, ids, painters, w, h):
        self.name, self.kind, self.sizes, self.ids, self.painters, self.w, self.h = name, kind, sizes, ids, painters, w, h


ROLES = []
_free = {800: iter([i for i in range(312, 480) if i not in range(351, 355) and i not in range(385, 391)
                    and i not in range(397, 405) and i not in (419, 424)]),
         1024: iter([i for i in range(155, 278) if i not in (158,) and i not in range(203, 207)
                     and i not in range(237, 243) and i not in range(249, 255)])}


def role(name, kind, w, h, painters, ids=None, sizes=SIZES, fixed=False):
    """painters: list of ("image"|"mask", function(w, h) -> Canvas); equal entries share an id."""
    if ids is None:
        ids = {}
        for size in sizes:
            seen = {}
            ids[size] = []
            for p in painters:
                if id(p) not in seen:
                    seen[id(p)] = next(_free[size])
                ids[size].append(seen[id(p)])
    ROLES.append(Role(name, kind, sizes, ids, painters, w, h))


def image(fn):
    return ("image", fn)


def mask_of(fn):
    return ("mask", fn)


def lamp(name, w, h, glyph, colour, ids=None, small=False):
    draw = draw_small_lamp if small else draw_lamp
    off = image(lambda W, H: draw(W, H, glyph, False, colour))
    on = image(lambda W, H: draw(W, H, glyph, True, colour))
    m = mask_of(off[1])
    role(name, "lamp", w, h, [off, m, on, m], ids)


def two_state(name, w, h, glyph, colour=CYAN, ids=None, round_body=False):
    p0 = image(lambda W, H: draw_button(W, H, glyph, None, False, round_body, GLYPH_DIM))
    p1 = image(lambda W, H: draw_button(W, H, glyph, colour, False, round_body, colour))
    m = mask_of(p0[1])
    role(name, "two_state", w, h, [p0, m, p1, m], ids)


def push(name, w, h, glyph, ids=None, rim=None):
    normal = image(lambda W, H: draw_button(W, H, glyph, rim))
    pressed = image(lambda W, H: draw_button(W, H, glyph, rim, True))
    m = mask_of(normal[1])
    role(name, "push", w, h, [normal, m, pressed, m], ids)


def symbol(name, w, h, kind):
    normal = image(lambda W, H: draw_symbol(W, H, kind, False))
    pressed = image(lambda W, H: draw_symbol(W, H, kind, True))
    m = mask_of(normal[1])
    role(name, "push", w, h, [normal, m, pressed, m])


def display(name, w, h, fixed_pixels=False):
    d = image(draw_display)
    role(name, "display", w, h, [d, mask_of(draw_display)])
    ROLES[-1].fixed = fixed_pixels


# Main window
lamp("emission_lamp", 52, 52, g_trefoil, AMBER, {800: [290, 289, 291, 289], 1024: [134, 133, 135, 133]})
role("emission_lamp_demo_on", "image", 52, 52, [image(lambda W, H: draw_lamp(W, H, g_trefoil, True, BLUE))],
     {1024: [424]}, sizes=(1024,))
lamp("ready_lamp", 52, 52, g_check, GREEN, {800: [293, 292, 294, 292], 1024: [137, 136, 138, 136]})
two_state("voice_help", 48, 48, g_speaker, CYAN, {800: [287, 286, 288, 286], 1024: [131, 130, 132, 130]})
two_state("laser", 52, 52, g_crosshair, RED, {800: [403, 298, 404, 298], 1024: [143, 142, 144, 142]}, round_body=True)
sel = [image(lambda W, H, p=p: draw_selector(W, H, p)) for p in range(3)]
role("page_selector", "three_state", 96, 96,
     [sel[0], mask_of(sel[0][1]), sel[1], mask_of(sel[1][1]), sel[2], mask_of(sel[2][1])],
     {800: [389, 385, 388, 387, 390, 386], 1024: [241, 237, 240, 239, 242, 238]})
demo = [image(lambda W, H: draw_button(W, H, lambda b: minus(g_trefoil(b), bar(*b.p(0.1, 0.9), *b.p(0.9, 0.1), b.d(0.12))), None, False, False, GLYPH_DIM)),
        image(lambda W, H: draw_button(W, H, g_trefoil, AMBER, False, False, AMBER)),
        image(lambda W, H: draw_button(W, H, lambda b: union(g_trefoil(b), ring(*b.p(0.5, 0.5), b.d(0.5), b.d(0.44))), RED, False, False, RED))]
dm = mask_of(demo[0][1])
role("demonstration", "three_state", 48, 48, [demo[0], dm, demo[1], dm, demo[2], dm],
     {800: [303, 302, 304, 302, 419, 302], 1024: [149, 148, 150, 148, 278, 148]})
body = [image(lambda W, H, s=s: draw_body_size(W, H, s)) for s in range(3)]
role("recap_body_size", "three_state", 30, 30,
     [body[0], mask_of(body[0][1]), body[1], mask_of(body[1][1]), body[2], mask_of(body[2][1])],
     {800: [400, 399, 402, 401, 398, 397], 1024: [252, 251, 254, 253, 250, 249]})
push("information", 48, 48, g_info, {800: [296, 295, 297, 295], 1024: [140, 139, 141, 139]})
push("movement_reset", 52, 52, g_reset, {800: [307, 299, 301, 299], 1024: [153, 145, 147, 145]})
push("exit", 56, 48, g_exit, {800: [306, 305, 300, 305], 1024: [152, 151, 146, 151]}, rim=mix(RED, BLACK, 0.2))
role("page_frame", "image", 372, 290, [image(draw_frame)], {800: [311], 1024: [158]})

lamp("recap_tmj_right", 14, 26, lambda b: g_joint(b, True), CYAN, small=True)
lamp("recap_tmj_left", 14, 26, lambda b: g_joint(b, False), CYAN, small=True)
lamp("recap_incisor", 18, 22, lambda b: g_tooth(b, 1, True), CYAN, small=True)
lamp("recap_right_molar", 26, 22, g_tooth, CYAN, small=True)
lamp("recap_left_molar", 26, 22, g_tooth, CYAN, small=True)
lamp("recap_sinus", 34, 14, g_sinus, CYAN, small=True)
lamp("recap_child", 28, 32, lambda b: g_person(b, 0.75), CYAN, small=True)
lamp("recap_adult", 28, 32, g_person, CYAN, small=True)

display("value_display", 50, 40)
display("message_display", 200, 20, True)
display("code_display", 50, 20, True)
display("cooling_display", 60, 20, True)

symbol("logo", 160, 40, "logo")
symbol("radiation", 34, 34, "radiation")
symbol("attention", 34, 34, "attention")
symbol("temperature", 24, 40, "temperature")
symbol("blue_danger", 34, 34, "danger")

# Pages
two_state("program_tmj_right", 64, 56, lambda b: g_joint(b, True))
two_state("program_tmj_left", 64, 56, lambda b: g_joint(b, False))
two_state("program_incisor", 64, 56, lambda b: g_tooth(b, 1, True))
two_state("program_right_molar", 64, 56, g_tooth)
two_state("program_left_molar", 64, 56, g_tooth)
two_state("program_sinus", 64, 56, g_sinus)
two_state("program_ceph", 64, 56, g_ceph)
four = [image(lambda W, H: draw_button(W, H, g_four, None, False, False, GLYPH_DIM)),
        image(lambda W, H: draw_button(W, H, g_four, CYAN, False, False, CYAN)),
        image(lambda W, H: draw_button(W, H, g_four, AMBER, False, False, AMBER))]
fm = mask_of(four[0][1])
role("four_view_tmj", "three_state", 64, 56, [four[0], fm, four[1], fm, four[2], fm],
     {800: [351, 352, 353, 352, 354, 352], 1024: [203, 204, 205, 204, 206, 204]})
two_state("patient_adult", 72, 64, g_person)
two_state("patient_child", 72, 64, lambda b: g_person(b, 0.75))
two_state("patient_low", 72, 64, lambda b: g_person(b, 1.0, 0.7))
two_state("patient_average", 72, 64, lambda b: g_person(b, 1.0, 1.1))
two_state("patient_high", 72, 64, lambda b: g_person(b, 1.0, 1.6))
push("kv_plus", 56, 48, g_plus, rim=AMBER)
push("kv_minus", 56, 48, g_minus, rim=AMBER)
push("ma_plus", 56, 48, g_plus, rim=CYAN)
push("ma_minus", 56, 48, g_minus, rim=CYAN)
push("memory", 72, 48, g_memory)
display("page_value_display", 96, 40)

NAMED = [
    ("IDB_LCDPATIENT_ON", "lcd_patient_on", 96, 32,
     lambda W, H: lit_lcd(W, H)),
    ("IDB_ZONEMEMORY", "zone_memory", 160, 56, lambda W, H: draw_frame(W, H)),
]


def lit_lcd(w, h):
    c = draw_display(w, h)
    c.paint(rrect(3, 3, w - 3, h - 3, 5), mix(CYAN, WELL, 0.7))
    return c


BACKGROUNDS = [(285, 800, 600, False), (129, 1024, 768, False), (283, 1024, 768, True), (279, 1280, 960, False)]
SHAPE_MASK = 284


# ---------------------------------------------------------------- output
def main(out):
    out.mkdir(parents=True, exist_ok=True)
    rc = ["// Generated by draw_skin.py: the console's bitmaps.", ""]
    header = ["// Generated by draw_skin.py: the bitmap ids of each skinned control, per reference",
              "// size (index 0: 800 x 600, 1: 1024 x 768), in the order the control takes them.",
              "#pragma once", "", "namespace np::ventra::skin {", "",
              "struct BitmapIds {", "    int ids[6];", "    int count;", "};", ""]
    written = set()

    def emit(ident, filename, data):
        (out / filename).write_bytes(data)
        rc.append(f'{ident} BITMAP "{(out / filename).resolve()}"')

    shape = draw_shape(1024, 768)
    for ident, W, H, shaped in BACKGROUNDS:
        c = draw_background(W, H)
        if shaped:
            c.mask = shape.mask
            c.blacken_outside_mask()
        emit(ident, f"background_{ident}.bmp", bmp_colour(c))
    emit(SHAPE_MASK, f"shape_{SHAPE_MASK}.bmp", bmp_mask(shape, white_inside=True))

    for r in ROLES:
        sets = []
        for size in SIZES:
            if size not in r.sizes:
                sets.append("{{0}, 0}")
                continue
            fixed = getattr(r, "fixed", False)
            w, h = (r.w, r.h) if fixed else (px(r.w, size), px(r.h, size))
            ids = r.ids[size]
            for (what, fn), ident in zip(r.painters, ids):
                if ident in written:
                    continue
                written.add(ident)
                c = fn(w, h)
                data = bmp_mask(c, white_inside=False) if what == "mask" else bmp_colour(c)
                emit(ident, f"{r.name}_{ident}.bmp", data)
            sets.append("{{" + ", ".join(map(str, ids)) + "}, " + str(len(ids)) + "}")
        header.append(f"inline constexpr BitmapIds {r.name}[2] = {{{', '.join(sets)}}};")

    for name, filename, w, h, fn in NAMED:
        emit(name, f"{filename}.bmp", bmp_colour(fn(w, h)))
        header.append(f'inline constexpr const char {filename}[] = "{name}";')
    header += ["", "}  // namespace np::ventra::skin", ""]
    (out / "skin.rc").write_text("\n".join(rc) + "\n")
    (out / "skin_bitmaps.h").write_text("\n".join(header))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(Path(sys.argv[1]))
