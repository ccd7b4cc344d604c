"""Pictures that chapters show: small real ones, generated ones of any size, and odd ones a
downloader has to leave out."""

import os
import re
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PICTURES = os.path.join(HERE, "pictures")
TYPES = {".jpg": "image/jpeg", ".png": "image/png", ".gif": "image/gif", ".webp": "image/webp"}
GENERATED = re.compile(r"^/pictures/gen/(\d{1,5})x(\d{1,5})(?:-(\d+))?\.png$")
WEIGHT = re.compile(r"^weight-(\d)-(\d+)\.png$")
ODD_PAGE = ("<!DOCTYPE html>\n<html><head><title>Sign in</title></head><body>"
            "<h1>Please sign in to see this picture</h1></body></html>\n").encode()


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_header(width, height):
    """The signature and header chunk of an 8-bit RGB PNG of that size."""
    return b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))


def generated_png(width, height, seed=0):
    """A whole RGB PNG of that size: bands of colour, different for each seed. Rows repeat a
    pattern of 256 pixels, so that even a large picture is made at once."""
    unit = bytes((x * 7 + seed * 31) % 256 for x in range(256 * 3))
    rows = []
    for y in range(height):
        shade = (y * 3 + seed * 17) % 256
        row = bytes(b ^ shade for b in unit) * (width // 256 + 1)
        rows.append(b"\x00" + row[: width * 3])
    data = zlib.compress(b"".join(rows), 6)
    return png_header(width, height) + _chunk(b"IDAT", data) + _chunk(b"IEND", b"")


def odd(name):
    """(content type, body) of a picture a book must leave out, or None."""
    if name == "huge-header.png":
        # Claims 20,000 pixels a side; a decoder would want 1.2 GB for it.
        return "image/png", png_header(20000, 20000) + b"\x00" * 64
    if name == "sign-in.jpg":
        return "image/jpeg", ODD_PAGE  # a page, though the server calls it a picture
    if name == "nine-megabytes.png":
        return "image/png", png_header(3000, 3000) + b"\x00" * (9 << 20)
    m = WEIGHT.match(name)
    if m:
        # A picture of that many megabytes (up to 9), different for each number.
        return "image/png", png_header(1000, 1000) + bytes([int(m.group(2)) % 256]) * (int(m.group(1)) << 20)
    if name == "cut-short.jpg":
        return "image/jpeg", b"\xff\xd8\xff\xe0\x00\x10JFIF\x00"  # no frame header follows
    return None


def picture(path):
    """(content type, body) for a /pictures/ address, or None when there is no such picture."""
    m = GENERATED.match(path)
    if m:
        width, height = int(m.group(1)), int(m.group(2))
        if not (1 <= width <= 8000 and 1 <= height <= 8000):
            return None
        return "image/png", generated_png(width, height, int(m.group(3) or 0))
    if path.startswith("/pictures/odd/"):
        return odd(path[len("/pictures/odd/"):])
    name = path[len("/pictures/"):]
    if "/" in name or name.startswith("."):
        return None
    extension = os.path.splitext(name)[1]
    file = os.path.join(PICTURES, name)
    if extension not in TYPES or not os.path.isfile(file):
        return None
    with open(file, "rb") as f:
        return TYPES[extension], f.read()
