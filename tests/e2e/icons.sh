#!/usr/bin/env bash
# Icons and metafiles chosen in the list with real clicks and key presses: the
# icon reports the system's icon size in the status bar and draws its chosen
# image through its mask; a placeable and an enhanced metafile draw their shapes.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)
FIXTURES=$(need_helper icon_metafile_fixtures.exe)

PICS=$WORK/pics
mkdir -p "$PICS"
wine "$FIXTURES" "$(winepath -w "$PICS")" >/dev/null 2>&1 || fail "could not write the pictures"
rm -f "$PICS/d_enhanced.emf"  # the list's patterns do not show .emf files

# The main window's client area, list, status bar and panels.
describe() { describe_main; }

# The preview's centre: the view centres pictures smaller than itself.
centre() { CX=$(( (NR + CR) / 2 )); CY=$(( (${TB:-$CT} + ST) / 2 )); }

e2e_start "$PICS"
win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
wait_for main_items 3 || true
describe
[ "$ITEMS" = 3 ] || fail "the list shows $ITEMS entries, expected a_icon.ico, b_placeable.wmf, c_enhanced.wmf"
[ -n "$NR" ] && [ -n "$ST" ] || fail "could not find the preview's edges in: $(cat "$CTL")"
centre
png=$(shot empty)
BG=$(pixel "$png" "$CX" "$CY")
pass "three entries; the empty preview's background is #$BG"

# The icon: 32x32 in the status bar; the 32 x 32 image is drawn, green on the
# right, the background through the masked left half.
xdotool mousemove $((LL + 30)) $((LT + 2 + ITEMH / 2)) click 1
wait_for main_selected 0 || true
describe
[ "$SEL" = 0 ] || fail "the click selected entry $SEL"
[ "$PANEL1" = "32x32" ] || fail "status bar dimensions '$PANEL1' for the icon, expected 32x32"
case $PANEL2 in *'\a_icon.ico') ;; *) fail "status bar path '$PANEL2'" ;; esac
centre
png=$(shot icon)
near "$png" $((CX + 8)) "$CY" 00FF00 || fail "the icon's drawn half is not green"
near "$png" $((CX + 15)) $((CY - 15)) 00FF00 || fail "the icon's corner is not green"
near "$png" $((CX - 8)) "$CY" "$BG" || fail "the icon's masked half does not show the background"
near "$png" $((CX + 20)) "$CY" "$BG" || fail "something beyond the icon's 32 pixels"
pass "a_icon.ico: status bar 32x32, the 32 x 32 image drawn with its mask"

# The placeable metafile, one inch by half an inch: red left, blue right.
xdotool key Down
wait_for main_selected 1 || true
describe
[ "$SEL" = 1 ] || fail "Down selected entry $SEL"
W=${PANEL1%x*}; H=${PANEL1#*x}
[ "$W" -gt 40 ] && [ "$H" -gt 20 ] && [ $((W - 2 * H)) -ge -1 ] && [ $((W - 2 * H)) -le 1 ] ||
  fail "status bar dimensions '$PANEL1' for a 2:1 placeable metafile"
png=$(shot placeable)
near "$png" $((CX - W / 4)) "$CY" FF0000 || fail "the placeable metafile's left half is not red"
near "$png" $((CX + W / 4)) "$CY" 0000FF || fail "the placeable metafile's right half is not blue"
near "$png" $((CX + W / 2 + 4)) "$CY" "$BG" || fail "the placeable metafile spills past its width"
pass "b_placeable.wmf: status bar $PANEL1, red and blue halves in place"

# Enhanced content under a .wmf name.
xdotool key Down
wait_for main_selected 2 || true
describe
[ "$SEL" = 2 ] || fail "Down selected entry $SEL"
W=${PANEL1%x*}; H=${PANEL1#*x}
[ "$W" -ge 190 ] && [ "$W" -le 210 ] && [ "$H" -ge 95 ] && [ "$H" -le 105 ] ||
  fail "status bar dimensions '$PANEL1' for the 200 x 100 enhanced metafile"
png=$(shot enhanced)
near "$png" $((CX - 50)) "$CY" FF0000 || fail "the enhanced metafile's left half is not red"
near "$png" $((CX + 50)) "$CY" 0000FF || fail "the enhanced metafile's right half is not blue"
near "$png" "$CX" $((CY - H / 2 - 4)) "$BG" || fail "the enhanced metafile spills past its height"
pass "c_enhanced.wmf: status bar $PANEL1, red and blue halves in place"

xdotool key alt+F4
wait_gone Pixlumen || fail "Alt+F4 did not close the window"
pass "closed"
