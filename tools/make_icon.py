#!/usr/bin/env python3
"""Draws the program icon (a framed landscape: sky, sun, hills) as a .ico file:
images of 16, 24, 32 and 48 pixels (32 bits with an AND mask) for 100 % to 200 %
screens and the taskbar, and one of 256 pixels, smoothed and stored as PNG as
Windows expects an image of that size. Usage: make_icon.py OUT"""
import struct, sys, zlib

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

def smooth_pixel(x, y, n, k=4):
    # k x k samples a pixel: colour averaged over the covered ones, cover as alpha.
    got = [pixel(x + (i + 0.5) / k, y + (j + 0.5) / k, n) for j in range(k) for i in range(k)]
    got = [p for p in got if p is not None]
    if not got:
        return (0, 0, 0, 0)
    r, g, b = (sum(p[c] for p in got) // len(got) for c in range(3))
    return (r, g, b, 255 * len(got) // (k * k))

def png(n):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + b"".join(bytes(smooth_pixel(x, y, n)) for x in range(n))
                   for y in range(n))  # filter 0 on each row
    head = struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))

def main():
    sizes = [256, 48, 32, 24, 16]
    images = [png(n) if n == 256 else image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        # A width or height of 256 is written as 0.
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)

main()
