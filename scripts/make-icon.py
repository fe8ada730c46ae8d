#!/usr/bin/env python3
"""Draws Quillon's application icon and writes resources/Quillon.ico.

The icon holds a 32x32 and a 16x16 image in the 16 standard Windows colours: a block RAM
chip whose first cells are already written (yellow) by a quill. Needs nothing beyond
Python's standard library: python3 scripts/make-icon.py [output.ico]
"""
import math
import os
import struct
import sys

# The 16 colours of the standard Windows palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
CLEAR, BLACK, NAVY, SILVER, GREY, YELLOW, AQUA, WHITE = None, 0, 4, 7, 8, 11, 14, 15

# Geometry of each size: chip body box (left, top, right, bottom), cell size and pitch,
# pin rows, the quill's feather end and nib, and its greatest half width.
LAYOUTS = {
    32: dict(body=(3, 8, 29, 28), cell=2, pitch=3, pins=(10, 16, 22), pin_height=2,
             written=11, feather=(31.0, 0.5), nib=(15.0, 13.0), width=4.2),
    16: dict(body=(1, 4, 14, 14), cell=1, pitch=2, pins=(6, 9, 12), pin_height=1,
             written=5, feather=(15.5, 0.5), nib=(7.5, 7.0), width=2.3),
}


def draw(size):
    """The picture as rows of palette indexes (None where it is transparent)."""
    layout = LAYOUTS[size]
    pixels = [[CLEAR] * size for _ in range(size)]
    left, top, right, bottom = layout["body"]
    # Pins on both sides, then the chip with its rim.
    for pin in layout["pins"]:
        for y in range(pin, pin + layout["pin_height"]):
            for x in list(range(0, left)) + list(range(right + 1, size)):
                pixels[y][x] = SILVER
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            rim = x in (left, right) or y in (top, bottom)
            pixels[y][x] = BLACK if rim else NAVY
    # The memory cells; the first ones in reading order are written.
    cell, pitch = layout["cell"], layout["pitch"]
    index = 0
    for cy in range(top + 2, bottom - cell, pitch):
        for cx in range(left + 2, right - cell + 1, pitch):
            colour = YELLOW if index < layout["written"] else AQUA
            for y in range(cy, cy + cell):
                for x in range(cx, cx + cell):
                    pixels[y][x] = colour
            index += 1
    # The quill: a feather tapering towards both ends, its shaft along the lower edge,
    # outlined in black, and a black nib beyond its lower end.
    (fx, fy), (nx, ny) = layout["feather"], layout["nib"]
    length = math.hypot(nx - fx, ny - fy)
    ux, uy = (nx - fx) / length, (ny - fy) / length
    quill = {}
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5 - fx, y + 0.5 - fy
            t = (px * ux + py * uy) / length
            d = px * -uy + py * ux  # positive below the line
            if 0.0 <= t <= 1.0:
                # Vane from the top down to three quarters, bare shaft below.
                vane = layout["width"] * math.sin(math.pi * min(t / 0.75, 1.0)) ** 0.6
                if t <= 0.75 and abs(d) <= vane:
                    quill[(x, y)] = GREY if abs(d) <= 0.5 and t > 0.1 else WHITE
                elif t > 0.6 and abs(d) <= 0.75:
                    quill[(x, y)] = GREY
            elif 1.0 < t <= 1.0 + 1.6 / length and abs(d) <= 0.6:
                quill[(x, y)] = BLACK
    for (x, y), colour in quill.items():
        pixels[y][x] = colour
    for y in range(size):
        for x in range(size):
            if (x, y) in quill:
                continue
            near = any((x + dx, y + dy) in quill and quill[(x + dx, y + dy)] != BLACK
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if near:
                pixels[y][x] = BLACK
    return pixels


def image(pixels):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows, 1-bit mask rows."""
    size = len(pixels)
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor_rows = []
    and_rows = []
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        nibbles = [0 if p is None else p for p in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(packed.ljust(xor_stride, b"\0"))
        mask = 0
        for i, p in enumerate(row):
            if p is None:
                mask |= 1 << (size - 1 - i)
        and_rows.append(mask.to_bytes(size // 8, "big").ljust(and_stride, b"\0"))
    bits = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(bits), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bits


def icon(sizes):
    images = [(size, image(draw(size))) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "Quillon.ico")
    with open(target, "wb") as f:
        f.write(icon([32, 16]))


if __name__ == "__main__":
    main()
