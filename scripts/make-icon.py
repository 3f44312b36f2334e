#!/usr/bin/env python3
"""Draws the Windows program icon, res/kestrine.ico: a hard disk seen from above with a green
activity light, the same picture the Qt front end draws at start-up. Standard library only.

    python3 scripts/make-icon.py [OUTPUT]
    python3 scripts/make-icon.py --png SIZE OUTPUT

The icon holds 16, 32 and 48 pixel images in 32-bit colour with alpha (and the 1-bit mask that
older shells read). Each pixel is the average of 4 x 4 samples, so edges are smooth. With --png
the same picture is written as one square PNG image of SIZE pixels (the desktop icon theme's
sizes on Linux).
"""
import math
import os
import struct
import sys
import zlib

DESIGN = 64.0  # the picture is drawn on a 64-unit square and scaled
SIZES = (16, 32, 48)
SAMPLES = 4

CASE_EDGE = (40, 44, 52)
CASE_FILL = (92, 99, 112)
PLATTER_EDGE = (60, 66, 78)
SPINDLE = (70, 76, 88)
ARM = (30, 33, 40)
LIGHT = (0, 220, 0)


def in_rounded_rect(x, y, left, top, width, height, radius):
    if not (left <= x <= left + width and top <= y <= top + height):
        return False
    cx = min(max(x, left + radius), left + width - radius)
    cy = min(max(y, top + radius), top + height - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def distance_to_segment(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def platter_colour(x, y):
    # A radial gradient from a highlight up and left of the centre.
    t = min(1.0, math.hypot(x - 28, y - 26) / 24.0)
    inner, outer = (236, 240, 245), (150, 160, 175)
    return tuple(round(a + (b - a) * t) for a, b in zip(inner, outer))


def sample(x, y):
    """The colour (r, g, b) at a point of the design square, or None where it is transparent."""
    colour = None
    if in_rounded_rect(x, y, 5, 2, 54, 60, 7):
        colour = CASE_EDGE
    if in_rounded_rect(x, y, 7, 4, 50, 56, 5):
        colour = CASE_FILL
    r = math.hypot(x - 32, y - 28)
    if r <= 21.75:
        colour = PLATTER_EDGE
    if r <= 20.25:
        colour = platter_colour(x, y)
    if r <= 4:
        colour = SPINDLE
    if distance_to_segment(x, y, 50, 52, 36, 20) <= 2.0 or math.hypot(x - 50, y - 52) <= 5:
        colour = ARM
    if math.hypot(x - 14, y - 54) <= 3.5:
        colour = LIGHT
    return colour


def render(size):
    """Rows of (b, g, r, a) from the top row down."""
    rows = []
    step = DESIGN / size
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = sample((px + (sx + 0.5) / SAMPLES) * step,
                               (py + (sy + 0.5) / SAMPLES) * step)
                    if c is not None:
                        red, green, blue, covered = red + c[0], green + c[1], blue + c[2], covered + 1
            if covered:
                row.append((blue // covered, green // covered, red // covered,
                            round(255 * covered / SAMPLES ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(size):
    """One image of the icon file: a BITMAPINFOHEADER, the colour rows bottom up, the mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(channel for pixel in row for channel in pixel) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] < 128:  # transparent where the colour image is mostly clear
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_image(size):
    """The picture as a PNG file: 8-bit RGBA, not interlaced, no ancillary chunks."""
    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload +
                struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + bytes(channel for b, g, r, a in row for channel in (r, g, b, a))
                   for row in render(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--png":
        with open(sys.argv[3], "wb") as file:
            file.write(png_image(int(sys.argv[2])))
        return
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "kestrine.ico")
    output = sys.argv[1] if len(sys.argv) > 1 else default
    images = [icon_image(size) for size in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    data += b"".join(images)
    with open(output, "wb") as file:
        file.write(data)


if __name__ == "__main__":
    main()
