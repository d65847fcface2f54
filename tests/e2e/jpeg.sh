#!/usr/bin/env bash
# JPEG files selected in the list with a real click and a real key press: the
# status bar shows the header's dimensions and the preview the decoded pixels; a
# damaged file brings the error box, and the preview keeps the picture it had.
source "$(dirname "$0")/lib.bash" "$@"
BOXTEXT=$(need_helper msgbox_text.exe)
CONTROLS=$(need_helper window_controls.exe)

# Quadrants red | green over blue | yellow, 320 x 240; and a .jpg that is a bitmap.
PICS=$WORK/pics
mkdir -p "$PICS"
convert \( -size 160x120 xc:'#FF0000' xc:'#00FF00' +append \) \
        \( -size 160x120 xc:'#0000FF' xc:'#FFFF00' +append \) -append \
        -quality 92 "$PICS/a_quad.jpg"
{ printf 'BM\076\000\000\000\000\000\000\000\076\000\000\000'; head -c 64 /dev/zero; } > "$PICS/b_broken.jpg"

# Reads the main window's layout and status bar into CTL (file) and variables.
describe() { describe_main; }

# The quadrants around the preview's centre.
check_quadrants() {
  local png=$1 cx=$(( (NR + CR) / 2 )) cy=$(( (${TB:-$CT} + ST) / 2 ))
  near "$png" $((cx - 60)) $((cy - 50)) FF0000 && near "$png" $((cx + 60)) $((cy - 50)) 00FF00 &&
    near "$png" $((cx - 60)) $((cy + 50)) 0000FF && near "$png" $((cx + 60)) $((cy + 50)) FFFF00
}

e2e_start "$PICS"
win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
wait_for main_items 2 || true
describe
[ "$ITEMS" = 2 ] || fail "the list shows $ITEMS entries, expected a_quad.jpg and b_broken.jpg"
[ -n "$NR" ] && [ -n "$ST" ] || fail "could not find the preview's edges in: $(cat "$CTL")"
pass "list with two JPEG files; preview from x=$NR to $CR, y=${TB:-$CT} to $ST"

# Click the first entry.
xdotool mousemove $((LL + 30)) $((LT + 2 + ITEMH / 2)) click 1
wait_for main_selected 0 || true
describe
[ "$SEL" = 0 ] || fail "the click selected entry $SEL"
[ "$PANEL1" = "320x240" ] || fail "status bar dimensions '$PANEL1', expected 320x240"
case $PANEL2 in *'\a_quad.jpg') ;; *) fail "status bar path '$PANEL2'" ;; esac
png=$(shot decoded)
check_quadrants "$png" || fail "the preview does not show the decoded picture"
pass "a_quad.jpg: status bar 320x240, preview shows the four decoded quadrants"

# Down arrow to the damaged file: the error box, captioned with the title.
xdotool key Down
BOX=$WORK/box.txt
helper "$BOX" "$BOXTEXT" "$(winepath -w "$BOX")" || fail "no error box for b_broken.jpg"
caption=$(sed -n 1p "$BOX"); text=$(sed -n 2p "$BOX")
[ "$caption" = Pixlumen ] || fail "error box captioned '$caption'"
[ "$text" = "JPEG error #53." ] || fail "error box says '$text'"
pass "b_broken.jpg: error box \"$text\""
xdotool key Return
wait_for pixlumen_windows 1 || fail "the error box is still up after Enter"
describe
[ "$PANEL1" = "320x240" ] || fail "after the failed load the status bar shows '$PANEL1'"
png=$(shot after_error)
check_quadrants "$png" || fail "the preview lost its picture after the failed load"
pass "the preview and the status bar keep the previous picture"

xdotool key alt+F4
wait_gone Pixlumen || fail "Alt+F4 did not close the window"
pass "closed"
