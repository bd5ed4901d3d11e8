#!/usr/bin/env python3
"""Draws the program's icon: a folder under a magnifying glass, 64 x 64, 32-bit with alpha.

Writes an .ico holding one uncompressed 32-bit DIB image. Run: draw_icon.py Varnelo.ico
"""
import math
import struct
import sys

SIZE = 64


def coverage(inside, x, y, samples=4):
    """Fraction of pixel (x, y) covered by the shape, by supersampling."""
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def folder_back(x, y):
    return (6 <= x <= 50 and 14 <= y <= 50) or (6 <= x <= 24 and 9 <= y <= 16)


def folder_front(x, y):
    return 6 <= x <= 52 and 20 <= y <= 50 and x - 6 >= (y - 50) * -0.15


def lens_ring(x, y):
    d = math.hypot(x - 38, y - 36)
    return 9 <= d <= 14


def lens_glass(x, y):
    return math.hypot(x - 38, y - 36) < 9


def handle(x, y):
    # A thick segment from the ring towards the lower right corner.
    px, py = x - 48, y - 46
    along = (px + py) / math.sqrt(2)
    across = (px - py) / math.sqrt(2)
    return 0 <= along <= 17 and abs(across) <= 3.5


LAYERS = [  # bottom to top: shape, (r, g, b, a)
    (folder_back, (201, 138, 22, 255)),
    (folder_front, (247, 190, 52, 255)),
    (lens_glass, (178, 222, 255, 170)),
    (handle, (70, 52, 40, 255)),
    (lens_ring, (48, 64, 96, 255)),
]


def blend(under, over, cover):
    a = over[3] / 255 * cover
    out_a = a + under[3] / 255 * (1 - a)
    if out_a == 0:
        return (0, 0, 0, 0)
    rgb = [
        (over[i] * a + under[i] * under[3] / 255 * (1 - a)) / out_a for i in range(3)
    ]
    return tuple(round(c) for c in rgb) + (round(out_a * 255),)


def pixels():
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            colour = (0, 0, 0, 0)
            for shape, paint in LAYERS:
                cover = coverage(shape, x, y)
                if cover:
                    colour = blend(colour, paint, cover)
            row.append(colour)
        rows.append(row)
    return rows


def ico_bytes(rows):
    xor = b"".join(
        struct.pack("BBBB", b, g, r, a) for row in reversed(rows) for (r, g, b, a) in row
    )
    and_mask = bytes(SIZE * SIZE // 8)  # alpha decides; the mask shows everything
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(ico_bytes(pixels()))
