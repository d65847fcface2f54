#!/usr/bin/env python3
"""Draws the program icon (a framed landscape: sky, sun, hills) as a .ico file
with 32x32 and 16x16 images, 32 bits with an AND mask. Usage: make_icon.py OUT"""
import struct, sys

def pixel(x, y, n):
    # Coordinates scaled to a 32-unit grid; y grows downwards.
    u, v = x * 32 / n, y * 32 / n
    if u < 2 or u >= 30 or v < 4 or v >= 28:
        return None  # transparent margin
    if u < 3 or u >= 29 or v < 5 or v >= 27:
        return (40, 40, 40)  # frame
    if (u - 22) ** 2 + (v - 11) ** 2 < 12:
        return (255, 210, 40)  # sun
    hill = 20 - 5 * (1 - ((u - 10) / 10) ** 2)
    if v > hill or v > 23 - (u - 16) * 0.3:
        return (60, 150, 70)  # hills
    return (110, 170, 235)  # sky

def image(n):
    rows, mask = b"", b""
    row_mask_bytes = ((n + 31) // 32) * 4
    for y in reversed(range(n)):  # bottom-up
        bits = 0
        for x in range(n):
            p = pixel(x, y, n)
            if p is None:
                rows += b"\0\0\0\0"
                bits |= 1 << (n - 1 - x)
            else:
                r, g, b = p
                rows += bytes((b, g, r, 255))
        mask += bits.to_bytes((n + 7) // 8, "big").ljust(row_mask_bytes, b"\0")
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(rows) + len(mask), 0, 0, 0, 0)
    return header + rows + mask

def main():
    sizes = [32, 16]
    images = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)

main()
