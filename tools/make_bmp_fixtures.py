#!/usr/bin/python3
"""Writes the BMP files the reader's tests and the fuzzer's seed corpus use.

Every file comes from a real encoder (ImageMagick's convert, Python PIL,
netpbm's ppmtobmp; Debian packages imagemagick, python3-pil, netpbm) fed with
a known pattern, so the tests can compare what the reader returns with what
the encoder was asked to write. Two files are rearranged here because none
of these encoders writes their layout: the top-down file is a PIL file whose
height was negated and rows reversed, and the file with a gap before its
pixel rows is ImageMagick's file with an embedded colour profile (a profile
PIL made), the profile moved from behind the pixel rows to in front of them.

Usage: tools/make_bmp_fixtures.py   (from anywhere; rewrites the files)
"""

import os
import shutil
import struct
import subprocess
import tempfile

from PIL import Image, ImageCms

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "imagelib", "data")
CORPUS = os.path.join(ROOT, "tests", "fuzz", "corpus")


# The test (tests/imagelib/bitmap_test.cpp) computes the same pattern.
def colour(x, y):
    return ((31 * x + 7 * y + 1) & 255,         # red
            (13 * x + 57 * y + 2) & 255,        # green
            (5 * x * y + 3 * x + 101) & 255)    # blue


def alpha(x, y):
    return (60 * x + 20 * y + 10) & 255


# The six-entry palette and the indices of the PIL palette file.
PALETTE = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (10, 20, 30)]


def index(x, y):
    return (x + 2 * y) % len(PALETTE)


def pattern(width, height, mode="RGB"):
    image = Image.new(mode, (width, height))
    for y in range(height):
        for x in range(width):
            rgb = colour(x, y)
            image.putpixel((x, y), rgb + (alpha(x, y),) if mode == "RGBA" else rgb)
    return image


def palette_pattern(width, height):
    image = Image.new("P", (width, height))
    image.putpalette([c for entry in PALETTE for c in entry])
    for y in range(height):
        for x in range(width):
            image.putpixel((x, y), index(x, y))
    return image


def run(*args):
    subprocess.run(args, check=True, stderr=subprocess.DEVNULL)


def top_down(source, target):
    data = bytearray(open(source, "rb").read())
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    row = ((bits * width + 31) & ~31) // 8
    rows = [data[offset + i * row: offset + (i + 1) * row] for i in range(height)]
    struct.pack_into("<i", data, 22, -height)
    data[offset:offset + row * height] = b"".join(reversed(rows))
    open(target, "wb").write(bytes(data))


def fixed_srgb_profile():
    """An sRGB colour profile made by PIL, with a fixed date and no profile ID
    (both allowed by the profile format) so that every run writes the same
    file."""
    profile = bytearray(ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes())
    struct.pack_into(">6H", profile, 24, 2024, 1, 1, 0, 0, 0)
    profile[84:100] = bytes(16)
    return bytes(profile)


def profile_before_pixels(source, target):
    """Moves the colour profile of a 124-byte-header file from behind the pixel
    rows to between the headers and the rows, so bfOffBits leaves a gap."""
    data = open(source, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    header_size, = struct.unpack_from("<I", data, 14)
    assert header_size == 124
    profile_at, profile_size = struct.unpack_from("<II", data, 14 + 112)  # relative to the header
    profile = data[14 + profile_at:14 + profile_at + profile_size]
    pixels = data[offset:14 + profile_at]
    out = bytearray(data[:offset] + profile + pixels)
    struct.pack_into("<I", out, 2, len(out))
    struct.pack_into("<I", out, 10, offset + profile_size)
    struct.pack_into("<I", out, 14 + 112, offset - 14)
    open(target, "wb").write(bytes(out))


def main():
    os.makedirs(DATA, exist_ok=True)
    os.makedirs(CORPUS, exist_ok=True)
    out = lambda name: os.path.join(DATA, name)
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "pattern.ppm")
        pattern(7, 3).save(ppm)
        # ImageMagick writes a 40-byte information header only as BMP3.
        run("convert", ppm, "BMP3:" + out("im_24bit_7x3.bmp"))
        run("convert", ppm, "-type", "Palette", "-compress", "None", "BMP3:" + out("im_8bit_7x3.bmp"))
        run("convert", ppm, "-alpha", "on", "-define", "bmp3:alpha=true", "BMP3:" + out("im_32bit_7x3.bmp"))
        with open(out("netpbm_8bit_7x3.bmp"), "wb") as f:
            subprocess.run(["ppmtobmp", "-windows", "-bpp", "8", ppm], stdout=f, stderr=subprocess.DEVNULL, check=True)
        with open(out("netpbm_24bit_7x3.bmp"), "wb") as f:
            subprocess.run(["ppmtobmp", "-windows", "-bpp", "24", ppm], stdout=f, stderr=subprocess.DEVNULL, check=True)

        # ImageMagick's default BMP has a 124-byte (V5) information header, and
        # 108 bytes (V4) without a rendering intent; palette after the header.
        run("convert", ppm, out("im_v5_24bit_7x3.bmp"))
        run("convert", ppm, "-intent", "Undefined", out("im_v4_24bit_7x3.bmp"))
        run("convert", ppm, "-type", "Palette", "-compress", "None", out("im_v5_8bit_7x3.bmp"))
        icc = os.path.join(tmp, "srgb.icc")
        open(icc, "wb").write(fixed_srgb_profile())
        profiled = os.path.join(tmp, "profiled.bmp")
        run("convert", ppm, "-profile", icc, profiled)
        profile_before_pixels(profiled, out("im_v5_profile_gap_7x3.bmp"))
        # Files the reader refuses: run-length encoded rows (ImageMagick's
        # default for palette images), colour bit fields (its default for
        # 32 bits), and the 12-byte header of OS/2 files.
        run("convert", ppm, "-type", "Palette", "-compress", "RLE", "BMP3:" + out("im_rle8_7x3.bmp"))
        run("convert", ppm, "-alpha", "on", out("im_v5_32bit_bitfields_7x3.bmp"))
        run("convert", ppm, "BMP2:" + out("im_os2_24bit_7x3.bmp"))

        small = os.path.join(tmp, "six.ppm")
        palette_pattern(7, 3).convert("RGB").save(small)
        run("convert", small, "-type", "Palette", "BMP3:" + out("im_4bit_7x3.bmp"))  # 6 colours: 4 bits

    pattern(5, 4).save(out("pil_24bit_5x4.bmp"))
    top_down(out("pil_24bit_5x4.bmp"), out("pil_24bit_5x4_topdown.bmp"))
    pattern(3, 2, "RGBA").save(out("pil_32bit_3x2.bmp"))
    palette_pattern(7, 3).save(out("pil_8bit_6colours_7x3.bmp"))
    pattern(9, 2).convert("1").save(out("pil_1bit_9x2.bmp"))

    for name in ("im_24bit_7x3.bmp", "pil_32bit_3x2.bmp", "pil_8bit_6colours_7x3.bmp",
                 "netpbm_8bit_7x3.bmp", "pil_24bit_5x4_topdown.bmp", "im_4bit_7x3.bmp",
                 "im_v4_24bit_7x3.bmp", "im_v5_24bit_7x3.bmp"):
        shutil.copy(out(name), os.path.join(CORPUS, "seed-" + name))


if __name__ == "__main__":
    main()
