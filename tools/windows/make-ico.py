#!/usr/bin/env python3
"""Packs the program's PNG icons into one Windows .ico file. Each image is stored as an 8-bit RGBA PNG,
the form Windows reads inside an icon (the sources may have 16 bits per channel).
Usage: make-ico.py OUTPUT.ico INPUT.png...  (square RGBA images, non-interlaced, at most 256 pixels)"""

import struct
import sys
import zlib


def chunks(data):
    position = 8
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position : position + 8])
        yield kind, data[position + 8 : position + 8 + length]
        position += 12 + length


def paeth(left, up, up_left):
    estimate = left + up - up_left
    distances = abs(estimate - left), abs(estimate - up), abs(estimate - up_left)
    return (left, up, up_left)[distances.index(min(distances))]


def rgba8_rows(data, name):
    """The image's rows as 8-bit RGBA bytes, and its size."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{name}: not a PNG file")
    parts = list(chunks(data))
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", parts[0][1])
    if colour != 6 or depth not in (8, 16) or interlace or width != height or not 1 <= width <= 256:
        sys.exit(f"{name}: needs a square non-interlaced RGBA image of at most 256 pixels")
    step = 4 * depth // 8
    stride = width * step
    raw = zlib.decompress(b"".join(body for kind, body in parts if kind == b"IDAT"))
    previous = bytearray(stride)
    rows = []
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)])
        for x in range(stride):
            left = row[x - step] if x >= step else 0
            up_left = previous[x - step] if x >= step else 0
            predictor = (0, left, previous[x], (left + previous[x]) // 2, paeth(left, previous[x], up_left))[kind]
            row[x] = (row[x] + predictor) & 0xFF
        rows.append(bytes(row if depth == 8 else row[0::2]))
        previous = row
    return width, rows


def png(width, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width, width, 8, 6, 0, 0, 0)
    pixels = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", pixels) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    images = []
    for name in sys.argv[2:]:
        with open(name, "rb") as file:
            width, rows = rgba8_rows(file.read(), name)
        images.append((width, png(width, rows)))
    images.sort(key=lambda image: image[0])
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, bodies = b"", b""
    for size, data in images:
        # A size of 256 is written as 0; 32 bits per pixel, one plane.
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset + len(bodies))
        bodies += data
    with open(sys.argv[1], "wb") as file:
        file.write(header + entries + bodies)


main()
