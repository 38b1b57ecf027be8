#!/usr/bin/env python3
"""Writes the updater's icon file, ui/updater.ico, which the resource
script names for both builds: make_icon.py ui/updater.ico

The icon is a blue rounded square with a white downward arrow. The 256-pixel
image is stored as PNG, the 48, 32 and 16-pixel images as 32-bit bitmaps,
bottom row first, as Windows bitmaps are. Run it again only to change the
icon.
"""
import struct
import sys
import zlib


def pixel(x, y, size):
    """BGRA of the icon at (x, y), sampled at the pixel's centre."""
    u = (x + 0.5) / size
    v = (y + 0.5) / size
    radius, inset = 0.2, 0.04
    cx = min(max(u, inset + radius), 1 - inset - radius)
    cy = min(max(v, inset + radius), 1 - inset - radius)
    if (u - cx) ** 2 + (v - cy) ** 2 > radius ** 2:
        return (0, 0, 0, 0)
    in_shaft = 0.42 <= u <= 0.58 and 0.18 <= v <= 0.58
    in_head = 0.52 <= v <= 0.82 and abs(u - 0.5) <= (0.82 - v) * 0.95
    if in_shaft or in_head:
        return (255, 255, 255, 255)
    shade = int(40 * v)
    return (215 - shade, 120 - shade // 2, 30, 255)


def bgra(size):
    return bytes(c for y in range(size) for x in range(size) for c in pixel(x, y, size))


def png(size):
    rows = b""
    for y in range(size):
        rows += b"\x00"
        for x in range(size):
            b, g, r, a = pixel(x, y, size)
            rows += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def dib(size):
    """A 32-bit icon bitmap: header, bottom-up BGRA rows, an empty AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bgra(size)
    stride = size * 4
    xor = b"".join(rows[y * stride:(y + 1) * stride] for y in reversed(range(size)))
    mask_stride = ((size + 31) // 32) * 4
    return header + xor + bytes(mask_stride * size)


def ico():
    images = [(256, png(256)), (48, dib(48)), (32, dib(32)), (16, dib(16))]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    data = b""
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                                 len(image), offset + len(data))
        data += image
    return directory + data


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py ICON_FILE")
    with open(sys.argv[1], "wb") as f:
        f.write(ico())


if __name__ == "__main__":
    main()
