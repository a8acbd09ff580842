#!/usr/bin/env python3
"""Checks the console's bitmaps in the built module, read natively with wrestool
(icoutils): the ids each control and background must carry, their sizes, their depths
(24-bit images, 1-bit masks), masks of the size of their images and the colour of each
mask's top-left pixel (white for a control, black for the console's shape).

    check-skin.py Ventra.dll
"""
import struct
import subprocess
import sys

# (image, mask) pairs of the console's controls, 800 x 600 then 1024 x 768.
PAIRS = {
    "emission lamp": [(290, 289), (291, 289), (134, 133), (135, 133), (424, 133)],
    "ready lamp": [(293, 292), (294, 292), (137, 136), (138, 136)],
    "voice help": [(287, 286), (288, 286), (131, 130), (132, 130)],
    "laser": [(403, 298), (404, 298), (143, 142), (144, 142)],
    "page selector": [(389, 385), (388, 387), (390, 386), (241, 237), (240, 239), (242, 238)],
    "demonstration": [(303, 302), (304, 302), (419, 302), (149, 148), (150, 148), (278, 148)],
    "4-view TMJ": [(351, 352), (353, 352), (354, 352), (203, 204), (205, 204), (206, 204)],
    "recap body size": [(400, 399), (402, 401), (398, 397), (252, 251), (254, 253), (250, 249)],
    "information": [(296, 295), (297, 295), (140, 139), (141, 139)],
    "movement reset": [(307, 299), (301, 299), (153, 145), (147, 145)],
    "exit": [(306, 305), (300, 305), (152, 151), (146, 151)],
}
BACKGROUNDS = {285: (800, 600), 129: (1024, 768), 283: (1024, 768), 279: (1280, 960)}
SHAPE_MASK = (284, (1024, 768))
PAGE_FRAMES = (311, 158)
NAMED = ("IDB_LCDPATIENT_ON", "IDB_ZONEMEMORY")

failures = []


def fail(text):
    failures.append(text)


def bitmap(module, name):
    raw = subprocess.run(["wrestool", "-x", "--raw", "--type=2", f"--name={name}", module],
                         capture_output=True, check=False).stdout
    if len(raw) < 40:
        return None
    _, width, height, _, bits = struct.unpack_from("<IiiHH", raw)
    return {"width": width, "height": abs(height), "bits": bits, "raw": raw, "bottom_up": height > 0}


def top_left_is_white(b):
    raw = b["raw"]
    colours = struct.unpack_from("<I", raw, 32)[0] or 2
    palette = raw[40:40 + 4 * colours]
    stride = ((b["width"] + 31) // 32) * 4
    row = b["height"] - 1 if b["bottom_up"] else 0
    index = raw[40 + 4 * colours + row * stride] >> 7
    return palette[4 * index:4 * index + 3] == b"\xff\xff\xff"


def main(module):
    listing = subprocess.run(["wrestool", "-l", "--type=2", module], capture_output=True, text=True,
                             check=True).stdout
    names = [line.split("--name=")[1].split()[0].strip("'") for line in listing.splitlines() if "--name=" in line]
    cache = {}

    def get(name):
        if name not in cache:
            cache[name] = bitmap(module, name)
        return cache[name]

    for ident, size in BACKGROUNDS.items():
        b = get(ident)
        if not b or (b["width"], b["height"]) != size or b["bits"] != 24:
            fail(f"background {ident}: want {size} at 24 bits")
    shape = get(SHAPE_MASK[0])
    if not shape or (shape["width"], shape["height"]) != SHAPE_MASK[1] or shape["bits"] != 1:
        fail("console shape 284: want a 1-bit mask of 1024 x 768")
    elif top_left_is_white(shape):
        fail("console shape 284: the top-left pixel must be black (outside the console)")
    for ident in PAGE_FRAMES:
        b = get(ident)
        if not b or b["bits"] != 24:
            fail(f"page frame {ident}: missing or not 24-bit")
    for role, pairs in PAIRS.items():
        for image, mask in pairs:
            i, m = get(image), get(mask)
            if not i or not m:
                fail(f"{role}: bitmap {image if not i else mask} missing")
                continue
            if i["bits"] != 24 or m["bits"] != 1:
                fail(f"{role}: {image} must be 24-bit ({i['bits']}), {mask} 1-bit ({m['bits']})")
            if (i["width"], i["height"]) != (m["width"], m["height"]):
                fail(f"{role}: image {image} and mask {mask} differ in size")
            if m["bits"] == 1 and not top_left_is_white(m):
                fail(f"{role}: mask {mask} must have a white top-left pixel")
    for name in NAMED:
        if name not in names:
            fail(f"named bitmap {name} missing")
    # Every other bitmap is a 24-bit image or a 1-bit mask with a white top-left pixel.
    for name in names:
        b = get(name)
        if not b or b["bits"] not in (1, 24):
            fail(f"bitmap {name}: neither a 24-bit image nor a 1-bit mask")
        elif b["bits"] == 1 and name != str(SHAPE_MASK[0]) and not top_left_is_white(b):
            fail(f"mask {name}: top-left pixel not white")
    for text in failures:
        print("check-skin:", text)
    print(f"check-skin: {len(names)} bitmaps, {len(failures)} faults")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
