#!/usr/bin/env bash
# JPEG files selected in the list with a real click and a real key press: the
# status bar shows the header's dimensions and the preview the decoded pixels; a
# damaged file brings the error box, and the preview keeps the picture it had. A
# portrait photo stored on its side with the Exif tag that turns it shows upright
# in the preview, the full-screen view (Ctrl+F) and the open dialog's pane (Ctrl+O).
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
# The same quadrants upright at 160 x 240, stored turned a quarter left (240 x 160)
# as a phone stores it, with an APP1 Exif segment (big-endian) holding one
# entry: orientation (0x0112), SHORT, 1 value, 6 = turn 90 degrees clockwise.
convert \( -size 80x120 xc:'#FF0000' xc:'#00FF00' +append \) \
        \( -size 80x120 xc:'#0000FF' xc:'#FFFF00' +append \) -append -rotate -90 \
        -quality 92 "$WORK/side.jpg"
{ head -c 2 "$WORK/side.jpg"
  printf '\377\341\000\042Exif\000\000MM\000\052\000\000\000\010\000\001'
  printf '\001\022\000\003\000\000\000\001\000\006\000\000\000\000\000\000'
  tail -c +3 "$WORK/side.jpg"; } > "$PICS/c_portrait.jpg"
mkdir "$PICS/turned" && cp "$PICS/c_portrait.jpg" "$PICS/turned/"  # alone, for the open dialog

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
[ "$ITEMS" = 3 ] || fail "the list shows $ITEMS entries, expected a_quad.jpg, b_broken.jpg, c_portrait.jpg"
[ -n "$NR" ] && [ -n "$ST" ] || fail "could not find the preview's edges in: $(cat "$CTL")"
pass "list with three JPEG files; preview from x=$NR to $CR, y=${TB:-$CT} to $ST"

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

# The portrait photo: clicked in the list, then Ctrl+F, then Ctrl+O.
xdotool mousemove $((LL + 30)) $((LT + 2 + ITEMH * 2 + ITEMH / 2)) click 1
wait_for main_selected 2 || true
describe
[ "$PANEL1" = "160x240" ] || fail "c_portrait.jpg: status bar dimensions '$PANEL1', expected 160x240"
png=$(shot portrait)
check_quadrants "$png" || fail "the preview does not show c_portrait.jpg upright"
pass "c_portrait.jpg: status bar 160x240, the preview shows it upright"

# Red | green over blue | yellow at (x -+ dx, y -+ dy) in screenshot $1: upright_at PNG X Y DX DY.
upright_at() {
  near "$1" $(($2 - $4)) $(($3 - $5)) FF0000 && near "$1" $(($2 + $4)) $(($3 - $5)) 00FF00 &&
    near "$1" $(($2 - $4)) $(($3 + $5)) 0000FF && near "$1" $(($2 + $4)) $(($3 + $5)) FFFF00
}
VIEW="Pixlumen : c_portrait.jpg"
xdotool key ctrl+f
wait_window "$VIEW" >/dev/null || fail "Ctrl+F did not open the full-screen view"
view_upright() {
  local ctl=$WORK/view.txt vl vt vr sbt
  helper "$ctl" "$CONTROLS" "$(winepath -w "$ctl")" "$VIEW" || return 1
  read -r _ vl vt vr _ < <(grep '^client ' "$ctl")
  read -r _ _ _ sbt _ _ < <(grep -i '^child msctls_statusbar32 ' "$ctl")
  upright_at "$(shot full_screen)" $(((vl + vr) / 2)) $(((vt + sbt) / 2)) 30 50
}
wait_for view_upright || fail "the full-screen view does not show c_portrait.jpg upright"
pass "Ctrl+F: the full-screen view shows c_portrait.jpg upright"
xdotool key Escape
wait_gone "$VIEW" || fail "Esc did not close the full-screen view"

DIALOG=$(need_helper open_dialog.exe)
TITLE="Выберите файл с рисунком"
describe_dialog() {
  local out=$WORK/dialog.txt
  helper "$out" "$DIALOG" "$(winepath -w "$out")" describe || return 1
  read -r _ VL VT VR VB < <(grep '^view ' "$out") || true
  read -r _ PL PT PR PB < <(grep '^picture ' "$out") || true
  VIEWITEMS=$(sed -n 's/^items //p' "$out")
  LABEL=$(sed -n 's/^label //p' "$out")
}
# The pane reduces the picture to fit: an eighth of the pane's sides off its centre.
pane_upright() {
  upright_at "$(shot pane)" $(((PL + PR) / 2)) $(((PT + PB) / 2)) $(((PR - PL) / 8)) $(((PB - PT) / 8))
}
xdotool key ctrl+o
wait_window "$TITLE" >/dev/null || fail "Ctrl+O did not open the dialog"
xdotool type --delay 20 "$WINDESK\\turned"
xdotool key Return
wait_for eval 'describe_dialog && [ "$VIEWITEMS" = 1 ]' || fail "the dialog lists $VIEWITEMS entries"
xdotool mousemove $((VL + 30)) $((VT + 10)) click 1
wait_for eval 'describe_dialog && [ "$LABEL" = " (160x240)" ]' ||
  fail "c_portrait.jpg in the dialog: the pane's label reads '$LABEL'"
wait_for pane_upright || fail "the open dialog's pane does not show c_portrait.jpg upright"
pass "Ctrl+O: the pane reads ' (160x240)' and shows c_portrait.jpg upright"
xdotool key Escape
wait_gone "$TITLE" || fail "Esc did not close the dialog"

xdotool key alt+F4
wait_gone Pixlumen || fail "Alt+F4 did not close the window"
pass "closed"
