#!/usr/bin/env python3
"""Generate data/snow.bmp, the terrain's snow texture.

A 256 x 256, 24-bit, bottom-up BMP in white and pale blue-grey with soft
grain. Every noise layer is periodic over the image, so the picture tiles
without seams (the terrain repeats it every four cells). A fixed seed makes
the output the same on every run.

Usage: make_snow_texture.py [output path]   (default: data/snow.bmp beside tools/)
"""

import math
import os
import random
import struct
import sys

SIZE = 256
SEED = 20240117

# (lattice cells per side, weight): broad drifts down to fine grain.
OCTAVES = [(2, 0.30), (4, 0.25), (8, 0.18), (16, 0.12), (32, 0.08), (64, 0.05)]
GRAIN_WEIGHT = 0.12        # per-pixel speckle; a single pixel is periodic by itself
SPARKLE_COUNT = 140        # isolated bright crystals
SHADOW = (200, 208, 220)   # pale blue-grey, RGB; kept faint: the game uploads the bytes BGR as RGB
LIGHT = (252, 252, 254)    # near white, RGB


def smooth(t):
    return t * t * (3.0 - 2.0 * t)


def periodic_value_noise(rng, cells):
    """One octave of value noise whose lattice wraps around the image edges."""
    lattice = [[rng.random() for _ in range(cells)] for _ in range(cells)]
    step = SIZE / cells
    layer = [[0.0] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        fy = y / step
        y0 = int(fy)
        ty = smooth(fy - y0)
        row0 = lattice[y0 % cells]
        row1 = lattice[(y0 + 1) % cells]   # wraps: the last cell blends into the first
        out = layer[y]
        for x in range(SIZE):
            fx = x / step
            x0 = int(fx)
            tx = smooth(fx - x0)
            x1 = (x0 + 1) % cells
            top = row0[x0] + (row0[x1] - row0[x0]) * tx
            bottom = row1[x0] + (row1[x1] - row1[x0]) * tx
            out[x] = top + (bottom - top) * ty
    return layer


def wrapped_blur(layer):
    """3 x 3 box blur with wrap-around, so the grain stays soft and seamless."""
    blurred = [[0.0] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            total = 0.0
            for dy in (-1, 0, 1):
                row = layer[(y + dy) % SIZE]
                for dx in (-1, 0, 1):
                    total += row[(x + dx) % SIZE]
            blurred[y][x] = total / 9.0
    return blurred


def snow_intensity(rng):
    total_weight = sum(weight for _, weight in OCTAVES) + GRAIN_WEIGHT
    field = [[0.0] * SIZE for _ in range(SIZE)]
    for cells, weight in OCTAVES:
        layer = periodic_value_noise(rng, cells)
        for y in range(SIZE):
            for x in range(SIZE):
                field[y][x] += weight * layer[y][x]
    grain = wrapped_blur([[rng.random() for _ in range(SIZE)] for _ in range(SIZE)])
    for y in range(SIZE):
        for x in range(SIZE):
            value = (field[y][x] + GRAIN_WEIGHT * grain[y][x]) / total_weight
            # Stretch around the mean and bias towards white: snow is mostly bright.
            value = min(1.0, max(0.0, (value - 0.5) * 1.8 + 0.62))
            field[y][x] = math.pow(value, 0.7)
    for _ in range(SPARKLE_COUNT):
        field[rng.randrange(SIZE)][rng.randrange(SIZE)] = 1.0
    return field


def to_rgb(value):
    return tuple(int(round(s + (l - s) * value)) for s, l in zip(SHADOW, LIGHT))


def write_bmp(path, rows):
    """Write a 24-bit BMP field by field; rows[0] is the top row of the picture."""
    row_bytes = SIZE * 3
    padding = (4 - row_bytes % 4) % 4
    image_size = (row_bytes + padding) * SIZE
    header_size = 14 + 40
    with open(path, "wb") as out:
        out.write(b"BM")
        out.write(struct.pack("<I", header_size + image_size))   # file size
        out.write(struct.pack("<HH", 0, 0))                      # reserved
        out.write(struct.pack("<I", header_size))                # offset of the pixels
        out.write(struct.pack("<I", 40))                         # info header size
        out.write(struct.pack("<i", SIZE))                       # width
        out.write(struct.pack("<i", SIZE))                       # height > 0: bottom-up rows
        out.write(struct.pack("<H", 1))                          # planes
        out.write(struct.pack("<H", 24))                         # bits per pixel
        out.write(struct.pack("<I", 0))                          # no compression
        out.write(struct.pack("<I", image_size))
        out.write(struct.pack("<i", 2835))                       # 72 dpi horizontally
        out.write(struct.pack("<i", 2835))                       # and vertically
        out.write(struct.pack("<I", 0))                          # colours used
        out.write(struct.pack("<I", 0))                          # important colours
        for row in reversed(rows):
            data = bytearray()
            for red, green, blue in row:
                data += bytes((blue, green, red))                # BMP stores BGR
            data += bytes(padding)
            out.write(data)


def main():
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "snow.bmp")
    path = sys.argv[1] if len(sys.argv) > 1 else default
    rng = random.Random(SEED)
    intensity = snow_intensity(rng)
    rows = [[to_rgb(value) for value in line] for line in intensity]
    write_bmp(path, rows)
    print("wrote " + os.path.normpath(path))


if __name__ == "__main__":
    main()
