#!/usr/bin/env python3
"""Draws the glyphs as 16-colour bitmaps: the file list's, 16 x 15 pixels on pure
blue, and the open dialog's preview button, 16 x 16 on olive (both draw a
glyph's bottom-left colour as transparent). Each also comes enlarged from the
same art for 150 % and 200 % screens, 24 and 32 pixels wide (names ending in 24
and 32). Usage: make_glyphs.py OUTDIR"""
import os, struct, sys

from upscale import scaled

# The standard 16-colour palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
INK = {".": 12, "k": 0, "g": 8, "s": 7, "w": 15, "n": 4, "y": 11, "o": 3, "c": 6, "r": 9}

EXECUTABLE = """
................
kkkkkkkkkkkkkkk.
knnnnnnnnnswswk.
knnnnnnnnnkkkkk.
kkkkkkkkkkkkkkk.
kwwwwwwwwwwwwwk.
kwskskwwwwwwwwk.
kwwwwwwwwwwwwwk.
kwwssssssswwwwk.
kwwwwwwwwwwwwwk.
kwwsssssswwwwwk.
kwwwwwwwwwwwwwk.
kwwwwwwwwwwwwwk.
kkkkkkkkkkkkkkk.
................
"""

CLOSEDFOLDER = """
................
................
.kkkkk..........
kwyyyyk.........
kyyyyyykkkkkkk..
kyyyyyyyyyyyyok.
kyyyyyyyyyyyyok.
kyyyyyyyyyyyyok.
kyyyyyyyyyyyyok.
kyyyyyyyyyyyyok.
kyyyyyyyyyyyyok.
kyyyyyyyyyyyyok.
kooooooooooooook
.kkkkkkkkkkkkkk.
................
"""

UNKNOWNFILE = """
..kkkkkkkk......
..kwwwwwwkk.....
..kwwwwwwksk....
..kwwwwwwkssk...
..kwwwwwwkkkkk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kkkkkkkkkkkk..
................
"""

# A page with a magnifying glass over it, on olive ("o").
PREVIEW = """
oookkkkkkkkooooo
oookwwwwwwkkoooo
oookwssswwkskooo
oookwwwwwwkkkkoo
oookwssskkkkwkoo
oookwwwkyyyykooo
oookwwkycccykooo
oookwwkccccykooo
oookwwkcccyykooo
oookwwkycyyykooo
oookwwwkyyykkooo
oookwwwwkkkkkkoo
oookwwwwwwwwkkko
oookkkkkkkkkokkk
ooooooooooooookk
oooooooooooooooo
"""

def bitmap(art, height=15, clear=".", size=16):
    rows = art.strip("\n").split("\n")
    assert len(rows) == height and all(len(r) == 16 for r in rows), "glyphs are 16 wide"
    assert rows[-1][0] == clear, "the bottom-left pixel is the transparent background"
    rows = scaled(rows, size)  # the enlargement keeps the palette's colours
    height = len(rows)
    stride = (size // 2 + 3) & ~3
    data = b""
    for row in reversed(rows):  # bottom-up
        idx = [INK[c] for c in row]
        line = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, size, 2))
        data += line + b"\0" * (stride - len(line))
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, size, height, 1, 4, 0, len(data), 3780, 3780, 16, 16)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + palette + data

def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for size, suffix in ((16, ""), (24, "24"), (32, "32")):
        for name, art in (("glyph_executable", EXECUTABLE), ("glyph_closedfolder", CLOSEDFOLDER),
                          ("glyph_unknownfile", UNKNOWNFILE)):
            with open(os.path.join(out, name + suffix + ".bmp"), "wb") as f:
                f.write(bitmap(art, size=size))
        with open(os.path.join(out, "glyph_preview" + suffix + ".bmp"), "wb") as f:
            f.write(bitmap(PREVIEW, 16, "o", size))

main()
