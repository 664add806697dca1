#!/usr/bin/env python3
"""Draws the exe's icon, a save list with a circular arrow over it, into an .ico file.

    python3 app/make_icon.py app/SaveTitleRebuild.ico [PNG_FOLDER]

The drawing is made on a grid of 16 units, one pixel each at the smallest size, so that
the 16-pixel image keeps sharp edges; the larger ones are drawn from the same shapes.
The 16, 32 and 48 pixel images are stored as bitmaps, the 256 pixel one as PNG, as Windows
expects. Only the standard library: the same drawing comes out on every machine.
With PNG_FOLDER, each size is written there as a PNG too, to look at.
"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 256)
OUTLINE = (0x2B, 0x3A, 0x55)
CARD = (0xF4, 0xF7, 0xFC)
SLOT = (0x3A, 0x7B, 0xD5)
EMPTY_SLOT = (0xB8, 0xC4, 0xD6)
ARROW = (0xE8, 0x7A, 0x00)


def rounded_box(x, y, left, top, right, bottom, radius):
    """Signed distance to a box with rounded corners: less than 0 inside."""
    cx, cy = (left + right) / 2, (top + bottom) / 2
    dx = abs(x - cx) - ((right - left) / 2 - radius)
    dy = abs(y - cy) - ((bottom - top) / 2 - radius)
    outside = math.hypot(max(dx, 0), max(dy, 0))
    return outside + min(max(dx, dy), 0) - radius


def arrow(x, y, grow):
    """Less than 0 inside the circular arrow, made thicker by grow on every side: an arc
    turning clockwise from the upper right round to the top, where its head points right."""
    cx, cy, radius, width = 11, 11, 3, 2
    angle = math.degrees(math.atan2(y - cy, x - cx)) % 360  # 0 is right, 90 down
    if 330 <= angle or angle <= 270:
        body = abs(math.hypot(x - cx, y - cy) - radius) - width / 2 - grow
    else:  # the gap before the head: only the arc's rounded start reaches into it
        start = (cx + radius * math.cos(math.radians(330)), cy + radius * math.sin(math.radians(330)))
        body = math.hypot(x - start[0], y - start[1]) - width / 2 - grow
    # The head: a triangle on the arc's end at the top, pointing right.
    u = x - cx + grow  # along the head, from its base
    v = abs(y - (cy - radius))
    length, half = 2.2 + 2 * grow, 2 + grow
    head = max(-u, v - half * (1 - u / length))
    return min(body, head)


def layers(x, y):
    """(distance, colour) from the bottom layer to the top one at point (x, y)."""
    yield rounded_box(x, y, 1, 1, 13, 15, 1.5), OUTLINE
    yield rounded_box(x, y, 2, 2, 12, 14, 0.6), CARD
    for top, colour in ((4, SLOT), (7, SLOT), (10, EMPTY_SLOT)):
        yield rounded_box(x, y, 4, top, 10, top + 2, 0.3), colour
    # A disc behind the arrow, wider than it, parts it from the card's lines.
    yield min(arrow(x, y, 1), math.hypot(x - 11, y - 11) - 5), CARD
    yield arrow(x, y, 0), ARROW


def draw(size):
    """The image as rows of (red, green, blue, alpha) tuples."""
    samples = 4 if size > 64 else 8
    scale = 16 / size
    rows = []
    for row in range(size):
        pixels = []
        for column in range(size):
            totals = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (column + (sx + 0.5) / samples) * scale
                    y = (row + (sy + 0.5) / samples) * scale
                    colour = None
                    for distance, layer_colour in layers(x, y):
                        if distance <= 0:
                            colour = layer_colour
                    if colour is not None:
                        for i in range(3):
                            totals[i] += colour[i]
                        totals[3] += 1
            alpha = totals[3] / samples ** 2
            colour = [round(t / totals[3]) if totals[3] else 0 for t in totals[:3]]
            pixels.append((*colour, round(alpha * 255)))
        rows.append(pixels)
    return rows


def png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(value for pixel in row for value in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def bitmap(rows):
    """An icon bitmap: the header with twice the height, BGRA rows bottom up, then the mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask_row = ((size + 31) // 32) * 4
    mask = b"".join(
        bytes(sum(0x80 >> bit for bit in range(8) if byte * 8 + bit < size
                  and row[byte * 8 + bit][3] == 0) for byte in range(mask_row))
        for row in reversed(rows))
    return header + colours + mask


def main():
    images = {size: draw(size) for size in SIZES}
    if len(sys.argv) > 2:
        for size, rows in images.items():
            with open(os.path.join(sys.argv[2], f"icon-{size}.png"), "wb") as out:
                out.write(png(rows))
    data = [png(rows) if size == 256 else bitmap(rows) for size, rows in images.items()]
    offset = 6 + 16 * len(data)
    icon = struct.pack("<HHH", 0, 1, len(data))
    for size, image in zip(SIZES, data):
        icon += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(sys.argv[1], "wb") as out:
        out.write(icon + b"".join(data))


if __name__ == "__main__":
    main()
