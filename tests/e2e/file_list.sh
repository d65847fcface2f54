#!/usr/bin/env bash
# Pixlumen started with a desktop of bitmaps lists them; a click on the first entry
# and the Down key step through them with real X input: each shows in the
# preview and is described in the status bar. A broken bitmap then gives the
# error box captioned Pixlumen, and the preview and status bar keep the last
# good picture; after Enter on the box the Down key goes on to the next file.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)
BOXTEXT=$(need_helper msgbox_text.exe)

# Solid 24-bit bitmaps in colours nothing else on screen has, a text file the
# list leaves out, and a bitmap whose signature is broken ("BA").
PICS=$WORK/pics
mkdir -p "$PICS"
python3 - "$PICS" <<'PY'
import os, struct, sys
def bmp(w, h, rgb, sig=b"BM"):
    row = bytes((rgb[2], rgb[1], rgb[0])) * w
    row += b"\0" * ((4 - len(row) % 4) % 4)
    data = row * h
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 0, 0, 0, 0)
    return struct.pack("<2sIHHI", sig, 54 + len(data), 0, 0, 54) + info + data
d = sys.argv[1]
for name, w, h, rgb in (("a_red.bmp", 64, 48, (200, 40, 30)), ("b_green.bmp", 80, 40, (30, 160, 60)),
                        ("c_blue.bmp", 50, 50, (40, 60, 200))):
    open(os.path.join(d, name), "wb").write(bmp(w, h, rgb))
open(os.path.join(d, "d_broken.bmp"), "wb").write(bmp(30, 30, (0, 0, 0), b"BA"))
open(os.path.join(d, "e_yellow.bmp"), "wb").write(bmp(40, 30, (220, 200, 20)))
open(os.path.join(d, "notes.txt"), "w").write("not a picture\n")
PY
WINPICS=$WINDESK  # the folder the program starts in

# The list box, its entries and selection, the status bar and its panel texts.
describe() {
  describe_main
  P0=$PANEL0 P1=$PANEL1 P2=$PANEL2
  [ -n "$LL" ] && [ -n "$BT" ] && [ -n "$SR" ] || fail "could not find list, splitter and status bar in: $(cat "$CTL")"
}

# Pixels of colour $2 inside the preview (right of the splitter, above the status bar).
count_colour() {
  convert "$1" -crop "$((CR - SR))x$((BT - CT))+$SR+$CT" +repage \
    -fill black +opaque "#$2" -fill white -opaque "#$2" -format '%[fx:round(mean*w*h)]' info:
}

# A fingerprint of the status bar's pixels.
status_pixels() { convert "$1" -crop "$((BR - BL))x$((BB - BT))+$BL+$BT" +repage rgb:- | md5sum; }

shown_now() { describe; [ "$SEL" = "$1" ] && [ "$P2" = "$WINPICS\\$2" ]; }
selected_now() { describe; [ "$SEL" = "$1" ]; }

# Checks selection, panels and preview for the entry NAME, W x H, colour, size text.
expect_shown() {
  local index=$1 name=$2 w=$3 h=$4 colour=$5 size=$6 png
  wait_for shown_now "$index" "$name" || true
  [ "$SEL" = "$index" ] || fail "$name: selected entry is $SEL, expected $index"
  [ "$P0|$P1|$P2" = "$size|${w}x$h|$WINPICS\\$name" ] ||
    fail "$name: status bar shows '$P0' '$P1' '$P2'"
  png=$(shot "shown-$index")
  local n; n=$(count_colour "$png" "$colour")
  [ "$n" = $((w * h)) ] || fail "$name: the preview shows $n pixels of #$colour, expected $((w * h))"
  STATUS=$(status_pixels "$png")
  pass "$name: selected, '$P0' '$P1', preview shows its $((w * h)) pixels of #$colour"
}

e2e_start "$PICS"
win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
full_list() { describe; [ "$ITEMS" = 5 ]; }
wait_for full_list || fail "the list shows $ITEMS entries, expected the five bitmaps"
[ "$SEL" = -1 ] || fail "an entry is selected at start: $SEL"
[ -z "$P0$P1$P2" ] || fail "the status bar is not empty at start: '$P0' '$P1' '$P2'"
empty=$(status_pixels "$(shot start)")
pass "started on the desktop: 5 entries, none selected, status bar empty"

xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH / 2)) click 1
expect_shown 0 a_red.bmp 64 48 C8281E "9 Kb"
[ "$STATUS" != "$empty" ] || fail "the status bar's pixels did not change"
red=$STATUS

xdotool key Down
expect_shown 1 b_green.bmp 80 40 1EA03C "9 Kb"
[ "$STATUS" != "$red" ] || fail "the status bar's pixels did not change for b_green.bmp"

xdotool key Down
expect_shown 2 c_blue.bmp 50 50 283CC8 "7 Kb"
blue=$STATUS

# The broken bitmap: the error box, and nothing else changes.
xdotool key Down
BOX=$WORK/box.txt
helper "$BOX" "$BOXTEXT" "$(winepath -w "$BOX")" || fail "no error box appeared for d_broken.bmp"
[ "$(sed -n 1p "$BOX")" = Pixlumen ] || fail "error box captioned '$(sed -n 1p "$BOX")'"
[ "$(sed -n 2p "$BOX")" = "Bitmap image is not valid." ] || fail "error box says '$(sed -n 2p "$BOX")'"
n=$(xdotool search --onlyvisible --name '^Pixlumen$' | wc -l)
[ "$n" = 2 ] || fail "$n windows captioned Pixlumen while the box is up, expected 2"
pass "d_broken.bmp: error box 'Pixlumen': 'Bitmap image is not valid.'"
shot broken >/dev/null
xdotool key Return
wait_for pixlumen_windows 1 || fail "the error box is still up after Enter"
describe
[ "$SEL" = 3 ] || fail "the broken entry is not the selected one: $SEL"
[ "$P0|$P1|$P2" = "7 Kb|50x50|$WINPICS\\c_blue.bmp" ] ||
  fail "after the failed load the status bar shows '$P0' '$P1' '$P2'"
png=$(shot after)
n=$(count_colour "$png" 283CC8)
[ "$n" = 2500 ] || fail "after the failed load the preview shows $n blue pixels, expected 2500"
[ "$(status_pixels "$png")" = "$blue" ] || fail "the status bar's pixels changed after the failed load"
pass "after the error the preview and the status bar still show c_blue.bmp"

# The keyboard still reaches the list: the next Down shows the next file.
xdotool key Down
expect_shown 4 e_yellow.bmp 40 30 DCC814 "4 Kb"
pass "after the error box, Down goes on to e_yellow.bmp"
