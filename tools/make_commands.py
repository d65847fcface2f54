#!/usr/bin/env python3
"""Draws the nine command images in one row as a 24-bit bitmap, magenta being the
transparent background: 16 x 16 each (commands.bmp), and enlarged from the same
art for 150 % and 200 % screens, 24 and 32 pixels each (commands24.bmp,
commands32.bmp). Usage: make_commands.py OUTDIR"""
import os, struct, sys

from upscale import scaled

INK = {
    ".": (255, 0, 255), "k": (0, 0, 0), "g": (128, 128, 128), "s": (192, 192, 192),
    "w": (255, 255, 255), "n": (0, 0, 128), "b": (0, 96, 224), "y": (255, 224, 64),
    "o": (192, 128, 0), "r": (200, 0, 0), "e": (0, 160, 0), "c": (96, 192, 255),
}

# 0: back to the picture's own size (arrows pointing out of a frame).
OWN_SIZE = """
kkkkk......kkkkk
kbbk........kbbk
kbk..........kbk
kk..k......k..kk
k....k....k....k
......k..k......
.......kk.......
......kssk......
......kssk......
.......kk.......
......k..k......
k....k....k....k
kk..k......k..kk
kbk..........kbk
kbbk........kbbk
kkkkk......kkkkk
"""

# 1: reduce to fit (a large picture with arrows pointing into a small frame).
REDUCE = """
k..............k
.k............k.
..k..........k..
...kkk....kkk...
...kk......kk...
...k.k....k.k...
.....kkkkkk.....
.....kcccck.....
.....kceeck.....
.....keeeek.....
.....kkkkkk.....
...k.k....k.k...
...kk......kk...
...kkk....kkk...
..k..........k..
.k............k.
"""

# 2: exit (an open door and an arrow going out).
EXIT = """
.kkkkkkkkk......
.kgggggggk......
.kgkkkkkgk......
.kgkoookgk......
.kgkoookgk...k..
.kgkoookgk...kk.
.kgk...kgrrrrrrk
.kgkoykkgrrrrrrr
.kgk...kgrrrrrrk
.kgkoookgk...kk.
.kgkoookgk...k..
.kgkoookgk......
.kgkoookgk......
.kgkkkkkgk......
.kgggggggk......
.kkkkkkkkk......
"""

# 3: open (an opened folder).
OPEN = """
................
................
.kkkk...........
kyyyyk..........
kyyyyykkkkkk....
kyyyyyyyyyyk....
kyyyykkkkkkkkkkk
kyyykoooooooooko
kyyykooooooooko.
kyykooooooooook.
kyykoooooooooko.
kykooooooooook..
kykoooooooooko..
kkooooooooooko..
kkkkkkkkkkkkk...
................
"""

# 4: a landscape picture.
PICTURE = """
................
kkkkkkkkkkkkkkkk
kccccccccccccccc
kccccccccccyyccc
kcccccccccyyyycc
kcccccccccyyyycc
kccccccccccyyccc
kccccckccccccccc
kcccckekcccccccc
kccckeeekccckccc
kcckeeeeekckekcc
kckeeeeeeekeeekc
keeeeeeeeeeeeeee
keeeeeeeeeeeeeee
kkkkkkkkkkkkkkkk
................
"""

# 5: the File drop-down (a page with a folded corner).
FILE = """
..kkkkkkkkk.....
..kwwwwwwwkk....
..kwwwwwwwksk...
..kwwwwwwwkssk..
..kwwwwwwwkkkkk.
..kwwwwwwwwwwwk.
..kwnnnnnnnnwwk.
..kwwwwwwwwwwwk.
..kwnnnnnnnnwwk.
..kwwwwwwwwwwwk.
..kwnnnnnnwwwwk.
..kwwwwwwwwwwwk.
..kwnnnnnnnnwwk.
..kwwwwwwwwwwwk.
..kkkkkkkkkkkkk.
................
"""

# 6: full screen (a monitor filled by a picture).
FULL = """
................
kkkkkkkkkkkkkkkk
kggggggggggggggk
kgccccccccccccgk
kgccccccccyyccgk
kgccccccccyyccgk
kgccckccccccccgk
kgcckekcccccccgk
kgckeeekcckcccgk
kgkeeeeekkekccgk
kgeeeeeeeeeekcgk
kggggggggggggggk
kkkkkkkkkkkkkkkk
......kggk......
....kkkkkkkk....
................
"""

# 7: the Help drop-down (a question mark in a blue disc).
HELP = """
................
.....kkkkkk.....
...kkbbbbbbkk...
..kbbbbbbbbbbk..
..kbbbwwwwbbbk..
.kbbbwwbbwwbbbk.
.kbbbbbbbwwbbbk.
.kbbbbbbwwbbbbk.
.kbbbbbwwbbbbbk.
.kbbbbbwwbbbbbk.
..kbbbbbbbbbbk..
..kbbbbwwbbbbk..
...kkbbwwbbkk...
.....kkkkkk.....
................
................
"""

# 8: desktop wallpaper (a monitor on its stand showing a landscape).
DESKTOP = """
................
.kkkkkkkkkkkkkk.
.kssssssssssssk.
.ksccccccccccsk.
.ksccccccyyccsk.
.ksccccccccccsk.
.ksccckccccccsk.
.kscckekcckccsk.
.ksckeeekkeekck.
.kseeeeeeeeeesk.
.kssssssssssssk.
.kkkkkkkkkkkkkk.
.......kk.......
.....kkkkkk.....
....kssssssk....
....kkkkkkkk....
"""

IMAGES = [OWN_SIZE, REDUCE, EXIT, OPEN, PICTURE, FILE, FULL, HELP, DESKTOP]


def rows(art):
    lines = art.strip("\n").split("\n")
    assert len(lines) == 16 and all(len(r) == 16 for r in lines), "images are 16 x 16"
    return lines


def strip_bitmap(images, size=16):
    arts = [scaled(rows(a), size) for a in images]
    width, height = size * len(arts), size
    stride = (width * 3 + 3) & ~3
    data = b""
    for y in reversed(range(height)):  # bottom-up
        row = b""
        for art in arts:
            for ch in art[y]:
                r, g, b = INK[ch]
                row += bytes((b, g, r))
        data += row + b"\0" * (stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    for size, name in ((16, "commands.bmp"), (24, "commands24.bmp"), (32, "commands32.bmp")):
        with open(os.path.join(out, name), "wb") as f:
            f.write(strip_bitmap(IMAGES, size))
