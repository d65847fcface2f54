#!/usr/bin/env bash
# The README's screenshot: Pixlumen started in a temporary folder of pictures
# drawn here, its first picture chosen in the list, the screen saved as PNG.
# Run through script/screenshot. Usage: screenshot.sh PIXLUMEN.EXE OUT.PNG
out=$2
source "$(dirname "$0")/../tests/e2e/lib.bash" "$1"
CONTROLS=$(need_helper window_controls.exe)

PICS=$WORK/Pictures
mkdir -p "$PICS"
python3 - "$PICS" <<'PY'
import math, os, struct, sys

def bmp(path, w, h, pixel):
    pad = b"\0" * ((4 - w * 3 % 4) % 4)
    rows = []
    for y in range(h - 1, -1, -1):
        rows.append(b"".join(bytes(pixel(x, y)[::-1]) for x in range(w)) + pad)
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54) + info + data)

def landscape(sky, sun, hill, water):
    def pixel(x, y):
        horizon = 190 + 30 * math.sin(x / 70.0)
        if y > 260:
            k = (y - 260) / 100.0
            return tuple(int(c * (1 - 0.4 * k)) for c in water)
        if y > horizon:
            return tuple(int(c * (0.8 + 0.2 * math.sin(x / 9.0 + y / 13.0))) for c in hill)
        if (x - 350) ** 2 + (y - 80) ** 2 < 900:
            return sun
        k = y / 260.0
        return tuple(int(a * (1 - k) + b * k) for a, b in zip(sky, (250, 240, 220)))
    return pixel

d = sys.argv[1]
bmp(os.path.join(d, "lake at noon.bmp"), 480, 360,
    landscape((70, 130, 210), (255, 230, 120), (60, 140, 70), (40, 90, 160)))
bmp(os.path.join(d, "evening hills.bmp"), 480, 360,
    landscape((120, 60, 140), (255, 140, 60), (90, 70, 60), (70, 50, 90)))
bmp(os.path.join(d, "rings.bmp"), 160, 160,
    lambda x, y: (255, 255, 255) if int(math.hypot(x - 80, y - 80) / 12) % 2 else (200, 40, 40))
bmp(os.path.join(d, "stripes.bmp"), 96, 96,
    lambda x, y: (30, 100, 200) if (x + y) // 12 % 2 else (240, 200, 40))
PY

e2e_start "$PICS"
win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
listed() { describe_main; [ "${ITEMS:-0}" = 4 ]; }
wait_for listed || fail "the list does not show the four pictures"
# The list is sorted: "evening hills.bmp" comes first, "lake at noon.bmp" second.
xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH + ITEMH / 2)) click 1
chosen() { describe_main; [ "$PANEL1" = 480x360 ]; }
wait_for chosen || fail "the picture was not shown"
sleep 1
geometry "$win"
import -window root -crop "${W}x$H+$X+$Y" +repage "$out"
echo "$out"
