#!/usr/bin/env python3
"""Draws the game's icon: a snowball flying over snowy hills under a winter sky.

Writes desktop/icons/frostfeld.svg and desktop/icons/frostfeld-<size>.png for the
sizes the desktop's icon theme uses. Both come from the one list of shapes below:
the SVG states them, and a small rasteriser of our own draws the PNGs, with edges
smoothed by each pixel's signed distance to a shape. Standard library only; the
output is the same on every run.

Usage: python3 tools/make_icon.py [output folder]
"""

import math
import os
import struct
import sys
import zlib

CANVAS = 256  # the drawing's own units; the SVG's view box
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

SKY_TOP = (0x7A, 0xB8, 0xE8)
SKY_BOTTOM = (0xD6, 0xEB, 0xF8)
TILE = (8.0, 8.0, 248.0, 248.0, 48.0)  # left, top, right, bottom, corner radius
BALL = (160.0, 92.0, 42.0)  # centre x, centre y, radius
HIGHLIGHT = (151.0, 83.0, 36.0)  # lights the ball's upper left, inside the ball only

# Filled shapes in drawing order, each clipped to the rounded tile.
# (kind, geometry, colour, opacity); a "ball" shape is also clipped to BALL.
SHAPES = [
    ("circle", (40.0, 322.0, 160.0), (0xB4, 0xCB, 0xE4), 1.0),  # far hill
    ("circle", (230.0, 380.0, 200.0), (0xF4, 0xF8, 0xFC), 1.0),  # near hill
    ("line", (34.0, 168.0, 104.0, 128.0, 10.0), (0xFF, 0xFF, 0xFF), 0.85),  # flight streaks
    ("line", (58.0, 196.0, 112.0, 160.0, 8.0), (0xFF, 0xFF, 0xFF), 0.7),
    ("circle", BALL, (0xA9, 0xBE, 0xD6), 1.0),  # the ball in its shade
    ("ball", HIGHLIGHT, (0xFD, 0xFE, 0xFF), 1.0),
]


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def svg():
    left, top, right, bottom, radius = TILE
    out = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
        % (CANVAS, CANVAS, CANVAS, CANVAS),
        "  <defs>",
        '    <linearGradient id="sky" x1="0" y1="%g" x2="0" y2="%g" gradientUnits="userSpaceOnUse">'
        % (top, bottom),
        '      <stop offset="0" stop-color="%s"/>' % hex_colour(SKY_TOP),
        '      <stop offset="1" stop-color="%s"/>' % hex_colour(SKY_BOTTOM),
        "    </linearGradient>",
        '    <clipPath id="tile"><rect x="%g" y="%g" width="%g" height="%g" rx="%g"/></clipPath>'
        % (left, top, right - left, bottom - top, radius),
        '    <clipPath id="ball"><circle cx="%g" cy="%g" r="%g"/></clipPath>' % BALL,
        "  </defs>",
        '  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="url(#sky)"/>'
        % (left, top, right - left, bottom - top, radius),
        '  <g clip-path="url(#tile)">',
    ]
    for kind, geometry, colour, opacity in SHAPES:
        paint = 'fill="%s"' % hex_colour(colour)
        if kind == "line":
            x1, y1, x2, y2, width = geometry
            element = (
                '<line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g" '
                'stroke-linecap="round"' % (x1, y1, x2, y2, hex_colour(colour), width)
            )
            paint = ""
        else:
            element = '<circle cx="%g" cy="%g" r="%g"' % geometry
        if kind == "ball":
            element += ' clip-path="url(#ball)"'
        if opacity < 1.0:
            element += ' opacity="%g"' % opacity
        out.append("    %s %s/>" % (element, paint) if paint else "    %s/>" % element)
    out += ["  </g>", "</svg>", ""]
    return "\n".join(out)


def circle_distance(x, y, geometry):
    cx, cy, r = geometry
    return math.hypot(x - cx, y - cy) - r


def line_distance(x, y, geometry):
    x1, y1, x2, y2, width = geometry
    dx, dy = x2 - x1, y2 - y1
    t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (x1 + t * dx), y - (y1 + t * dy)) - width / 2.0


def tile_distance(x, y):
    left, top, right, bottom, radius = TILE
    qx = abs(x - (left + right) / 2.0) - ((right - left) / 2.0 - radius)
    qy = abs(y - (top + bottom) / 2.0) - ((bottom - top) / 2.0 - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def shape_distance(kind, geometry, x, y):
    if kind == "line":
        return line_distance(x, y, geometry)
    distance = circle_distance(x, y, geometry)
    if kind == "ball":
        distance = max(distance, circle_distance(x, y, BALL))
    return distance


def coverage(distance, pixel):
    """The share of a pixel inside a shape, from the signed distance of its centre."""
    return max(0.0, min(1.0, 0.5 - distance / pixel))


def over(below, colour, alpha):
    """Straight-alpha 'over': colour with alpha onto below (r, g, b, a), all 0..1."""
    r, g, b, a = below
    out_a = alpha + a * (1.0 - alpha)
    if out_a == 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = lambda top, bottom: (top * alpha + bottom * a * (1.0 - alpha)) / out_a
    return (mix(colour[0], r), mix(colour[1], g), mix(colour[2], b), out_a)


def render(size):
    pixel = CANVAS / size
    rows = []
    for row in range(size):
        line = bytearray()
        y = (row + 0.5) * pixel
        t = max(0.0, min(1.0, (y - TILE[1]) / (TILE[3] - TILE[1])))
        sky = tuple((SKY_TOP[k] + (SKY_BOTTOM[k] - SKY_TOP[k]) * t) / 255.0 for k in range(3))
        for column in range(size):
            x = (column + 0.5) * pixel
            tile = coverage(tile_distance(x, y), pixel)
            colour = over((0.0, 0.0, 0.0, 0.0), sky, tile)
            for kind, geometry, rgb, opacity in SHAPES:
                alpha = opacity * min(tile, coverage(shape_distance(kind, geometry, x, y), pixel))
                if alpha > 0.0:
                    colour = over(colour, tuple(c / 255.0 for c in rgb), alpha)
            line += bytes(int(round(c * 255.0)) for c in colour)
        rows.append(bytes(line))
    return rows


def png(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    pixels = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b"")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "desktop", "icons")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "frostfeld.svg"), "w", encoding="ascii") as out:
        out.write(svg())
    for size in SIZES:
        with open(os.path.join(folder, "frostfeld-%d.png" % size), "wb") as out:
            out.write(png(size, render(size)))


if __name__ == "__main__":
    main()
