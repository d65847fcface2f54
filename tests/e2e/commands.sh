#!/usr/bin/env bash
# The menu bar and the Ctrl keys with real X input: Ctrl+Z reduces a large
# picture to fit and back; the File drop-down opens under a click and shows its
# entries; F10 and the arrows pass over greyed items and along open drop-downs,
# whose first entry Enter runs; Esc and Tab in the about window; Ctrl+X ends
# the program without writing the settings file, while
# the close box writes it.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)
LIST=$(need_helper listwindows.exe)
INI=$WORK/app/PixlumenParam.ini

# A 1200 x 1000 picture, green with a red band 150 pixels wide around it: at its
# own size the preview shows only green, reduced to fit the red band too.
PICS=$WORK/pics
mkdir -p "$PICS"
python3 - "$PICS/big.bmp" <<'PY'
import struct, sys
w, h, band = 1200, 1000, 150
red, green = bytes((30, 40, 200)), bytes((60, 160, 30))  # blue, green, red order
edge = red * w
middle = red * band + green * (w - 2 * band) + red * band
data = b"".join(edge if y < band or y >= h - band else middle for y in range(h))
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 0, 0, 0, 0)
open(sys.argv[1], "wb").write(struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54) + info + data)
PY

solid_bmp "$PICS/small.bmp" 20 20 30 160 60
big_shown() { describe_main; [ "$PANEL1" = 1200x1000 ]; }

e2e_start "$PICS"
win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
describe_main
# Nothing selected: the fit and full-screen items are greyed. F10 outlines File,
# Right passes over them to Help, Down opens its drop-down, Right goes on to
# File's with its first entry highlighted, and Enter runs it: Open.
xdotool key F10 Right Down
wait_for shown '#32768' || fail "F10, Right, Down opened no drop-down: $WINDOWS"
xdotool key Right Return
wait_window "Выберите файл с рисунком" >/dev/null || fail "Right and Enter in Help's drop-down did not run Open"
xdotool key Escape
wait_gone "Выберите файл с рисунком" || fail "Esc did not close the open dialog"
pass "F10, Right over greyed items, Down, Right, Enter: the open dialog"
[ -n "$LL" ] && [ -n "$TB" ] && [ -n "$SR" ] || fail "could not read the main window: $(cat "$CTL")"
xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH / 2)) click 1
wait_for big_shown || fail "big.bmp is not shown: status bar '$PANEL1'"
n=$(red_in_preview "$(shot own-size)")
[ "$n" = 0 ] || fail "at its own size the preview shows $n red pixels"
pass "big.bmp at its own size: no red band in the preview"

xdotool key ctrl+z
reduced() { [ "$(red_in_preview "$(shot reduced)")" -gt 1000 ]; }
wait_for reduced || fail "Ctrl+Z did not reduce the picture to fit"
xdotool key ctrl+z
own() { [ "$(red_in_preview "$(shot own-again)")" = 0 ]; }
wait_for own || fail "the second Ctrl+Z did not bring back the own size"
pass "Ctrl+Z reduces to fit, and again shows the own size"

# The File drop-down is the bar's first item.
xdotool mousemove $((CL + 12)) $((TB / 2 + CT / 2)) click 1
wait_for shown '#32768' || fail "no drop-down menu after a click on the File button: $WINDOWS"
shot file-menu >/dev/null
xdotool key Escape
wait_for not_shown '#32768' || fail "Escape left the drop-down open"
pass "a click on the File button opens its drop-down; Escape closes it"

# Keyboard: F10 selects the first item, Left wraps to Help, Enter opens it,
# and Enter runs its highlighted first entry.
xdotool key F10 Left Return
wait_for shown '#32768' || fail "F10, Left and Enter did not open the Help drop-down"
xdotool key Return
wait_for shown PixlumenForm "О программе" || fail "the about window did not show: $WINDOWS"
pass "F10, Left, Enter, Enter: the about window"
# Tab goes from OK to the first link; Esc closes the window; the list has the
# keyboard again.
xdotool key Tab
wait_for eval 'describe_main; grep -qix "focus PixlumenLabel" "$CTL"' || fail "Tab in the about window: $(grep '^focus' "$CTL")"
xdotool key Escape
wait_for not_shown PixlumenForm "О программе" || fail "Esc did not close the about window"
xdotool key Down
wait_for main_selected 1 || fail "Down after the about window selected entry $SEL"
grep -qix 'focus listbox' "$CTL" || fail "after the about window: $(grep '^focus' "$CTL")"
pass "Tab reaches a link, Esc closes the about window, Down moves in the list"

xdotool key ctrl+x
wait_gone Pixlumen || fail "Ctrl+X did not end the program"
wait_for eval '! pgrep -f "$WORK/app/Pixlumen.exe" >/dev/null' || true
[ ! -e "$INI" ] || fail "Ctrl+X wrote the settings file: $(cat "$INI")"
pass "Ctrl+X ends the program without writing the settings file"
e2e_stop

e2e_start "$PICS"
win=$(wait_window Pixlumen) || fail "no window on the second start"
geometry "$win"
xdotool mousemove $((X + W - 12)) $((Y + 12)) click 1
wait_gone Pixlumen || fail "the close box did not close the window"
written() { [ -s "$INI" ]; }
wait_for written || fail "the close box did not write the settings file"
pass "the close box writes the settings file"
