"""Enlarges pixel art held as lists of rows (each row a list or string of
colour keys) without inventing colours: the Scale2x rule for twice the size,
the Scale3x rule then a 2:1 reduction by the commonest key of each 2 x 2 block
for one and a half times."""


def _at(art, x, y):
    # Past the edge the edge pixel repeats.
    y = min(max(y, 0), len(art) - 1)
    x = min(max(x, 0), len(art[0]) - 1)
    return art[y][x]


def scale2x(art):
    out = []
    for y in range(len(art)):
        top, bottom = [], []
        for x in range(len(art[0])):
            p = art[y][x]
            a, b = _at(art, x, y - 1), _at(art, x + 1, y)
            c, d = _at(art, x - 1, y), _at(art, x, y + 1)
            # A corner takes its two neighbours' colour where they agree and the
            # edge does not run on past it.
            top += [a if c == a and c != d and a != b else p,
                    b if a == b and a != c and b != d else p]
            bottom += [c if d == c and d != b and c != a else p,
                       d if b == d and b != a and d != c else p]
        out += [top, bottom]
    return out


def scale3x(art):
    out = []
    for y in range(len(art)):
        rows = [[], [], []]
        for x in range(len(art[0])):
            a, b, c = (_at(art, x + i, y - 1) for i in (-1, 0, 1))
            d, e, f = (_at(art, x + i, y) for i in (-1, 0, 1))
            g, h, i_ = (_at(art, x + i, y + 1) for i in (-1, 0, 1))
            db = d == b and b != f and d != h
            bf = b == f and b != d and f != h
            dh = d == h and d != b and h != f
            hf = h == f and d != h and b != f
            rows[0] += [d if db else e,
                        b if (db and e != c) or (bf and e != a) else e,
                        f if bf else e]
            rows[1] += [d if (db and e != g) or (dh and e != a) else e,
                        e,
                        f if (bf and e != i_) or (hf and e != c) else e]
            rows[2] += [d if dh else e,
                        h if (hf and e != g) or (dh and e != i_) else e,
                        f if hf else e]
        out += rows
    return out


def reduce2(art):
    # Ties go to the top-left pixel of the block.
    out = []
    for y in range(0, len(art) - 1, 2):
        row = []
        for x in range(0, len(art[0]) - 1, 2):
            block = [art[y][x], art[y][x + 1], art[y + 1][x], art[y + 1][x + 1]]
            row.append(max(block, key=lambda k: (block.count(k), k == block[0])))
        out.append(row)
    return out


def scaled(art, size, base=16):
    """The art (rows of keys, `base` pixels wide) at `size` pixels wide."""
    art = [list(r) for r in art]
    if size == base:
        return art
    if size == base * 2:
        return scale2x(art)
    if size * 2 == base * 3:
        big = scale3x(art)
        if len(big) % 2:  # an odd height: the last row once more
            big.append(list(big[-1]))
        return reduce2(big)
    raise ValueError("no rule for %d from %d" % (size, base))
