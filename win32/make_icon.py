#!/usr/bin/env python3
"""Draws Lumivane's icon and writes it as win32/lumivane.ico.

The icon is a dark rounded square holding two gauges like the window's: a
magenta one (received) above a blue one (sent), each on a grey track. It is
written at 16x16 and 32x32, each a 32-bit image with an alpha channel plus
the 1-bit AND mask older systems use. The output depends only on this
script, so running it again gives the same bytes; the .ico is kept in the
repository and the build needs no Python.

Usage: python3 win32/make_icon.py [OUTPUT]
"""

import os
import struct
import sys

SIZES = (16, 32)
SUPERSAMPLES = 4  # per side, for smooth edges

# Colours as (red, green, blue), the gauges matching the window's bars.
BACKGROUND = (0x22, 0x26, 0x30)
TRACK = (0x44, 0x4A, 0x58)
RECEIVE = (0xFF, 0x00, 0xFF)
SEND = (0x00, 0x88, 0xFF)

# The design on a unit square: x and y from 0 to 1, y down.
CORNER_RADIUS = 0.19
GAUGE_LEFT, GAUGE_RIGHT = 0.16, 0.84
# (top, bottom, filled share of the track, colour)
GAUGES = (
    (0.25, 0.44, 0.72, RECEIVE),
    (0.56, 0.75, 0.46, SEND),
)


def inside_rounded_square(x, y):
    """Whether (x, y) lies in the unit square with rounded corners."""
    r = CORNER_RADIUS
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def gauge_rectangles(size):
    """The gauges in pixels at one size, edges on whole pixels so that they
    stay sharp: (left, top, fill end, right, bottom, colour)."""
    rects = []
    left, right = round(GAUGE_LEFT * size), round(GAUGE_RIGHT * size)
    for top, bottom, filled, colour in GAUGES:
        fill_end = round(left + filled * (right - left))
        rects.append((left, round(top * size), fill_end, right, round(bottom * size), colour))
    return rects


def colour_at(x, y, size, gauges):
    """The design's colour at (x, y) in pixels, or None outside the icon."""
    if not inside_rounded_square(x / size, y / size):
        return None
    for left, top, fill_end, right, bottom, colour in gauges:
        if top <= y < bottom and left <= x < right:
            return colour if x < fill_end else TRACK
    return BACKGROUND


def render(size):
    """Rows of (red, green, blue, alpha) pixels, top row first. Only the
    rounded corners get partial alpha."""
    n = SUPERSAMPLES
    gauges = gauge_rectangles(size)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(n):
                for sx in range(n):
                    c = colour_at(px + (sx + 0.5) / n, py + (sy + 0.5) / n, size, gauges)
                    if c is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += c[i]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (round(t / covered) for t in total)
                row.append((r, g, b, round(255 * covered / (n * n))))
        rows.append(row)
    return rows


def icon_image(size):
    """One image as an ICO holds it: a BITMAPINFOHEADER of double height,
    the BGRA pixels bottom-up, then the AND mask (a set bit is transparent),
    each mask row padded to 32 bits."""
    rows = render(size)
    mask_stride = (size + 31) // 32 * 4
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        size,  # biWidth
        size * 2,  # biHeight: the colour image and the mask
        1,  # biPlanes
        32,  # biBitCount
        0,  # biCompression: BI_RGB
        len(pixels) + len(mask),  # biSizeImage
        0,
        0,
        0,
        0,
    )
    return header + bytes(pixels) + bytes(mask)


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))  # ICONDIR: an icon
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        # ICONDIRENTRY: width, height, colour count, reserved, planes,
        # bits per pixel, bytes, offset.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "lumivane.ico")
    with open(path, "wb") as f:
        f.write(icon_file(SIZES))
    print(path)


if __name__ == "__main__":
    main()
