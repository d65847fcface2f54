#!/usr/bin/env bash
# The main window comes back where the user left it: moved and resized with the
# mouse, closed with its close box, started again. A settings file that cannot be
# written keeps the window open with an error box, and stays as it was.
source "$(dirname "$0")/lib.bash" "$@"
BOXTEXT=$(need_helper msgbox_text.exe)
INI=$WORK/app/PixlumenParam.ini

# Outer bounds of a window in desktop pixels: sets X Y W H. (xwininfo: xdotool
# reports a window inside the Wine desktop at twice its offset.)
bounds() {
  local info; info=$(xwininfo -id "$1")
  X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  W=$(awk '/Width:/ {print $NF}' <<<"$info")
  H=$(awk '/Height:/ {print $NF}' <<<"$info")
}

# Presses button 1 at ($1,$2), moves in two steps to ($3,$4) and lets go.
drag() {
  xdotool mousemove "$1" "$2" mousedown 1; sleep 0.3
  xdotool mousemove $(( ($1 + $3) / 2 )) $(( ($2 + $4) / 2 )); sleep 0.2
  xdotool mousemove "$3" "$4"; sleep 0.3
  xdotool mouseup 1; sleep 0.5
}

close_box() { bounds "$1"; xdotool mousemove $((X + W - 12)) $((Y + 12)) click 1; }

# Waits for the error box (a second window captioned Pixlumen) and reads it.
read_box() {
  local out=$WORK/box.txt
  rm -f "$out"
  wine explorer "/desktop=$DESK" "$BOXTEXT" "$(winepath -w "$out")" >/dev/null 2>&1 || true
  wait_for test -s "$out" || fail "no message box appeared"
  BOX_CAPTION=$(sed -n 1p "$out"); BOX_TEXT=$(sed -n 2p "$out")
}

e2e_start
win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
wait_for eval 'bounds "$win"; [ "$X,$Y,$W,$H" = "0,0,800,600" ]' || fail "first start without a file at $X,$Y ${W}x$H"
[ ! -e "$INI" ] || fail "the settings file exists before the first close"
pass "first start: 800x600 at the top-left, no file yet"

# Move by the caption, then resize by the bottom-right corner.
drag 300 10 420 143
bounds "$win"
[ "$X,$Y" = "120,133" ] || fail "caption drag left the window at $X,$Y"
drag $((X + W - 2)) $((Y + H - 2)) $((X + 761 - 2)) $((Y + 588 - 2))
bounds "$win"
[ "$X,$Y,$W,$H" = "120,133,761,588" ] || fail "after the drags the window is at $X,$Y ${W}x$H"
pass "moved and resized with the mouse"

close_box "$win"
wait_gone Pixlumen || fail "the close box did not close the window"
wait_for test -s "$INI" || true
expected=$(printf '[FORM]\r\nTop=133\r\nLeft=120\r\nHeight=588\r\nWidth=761\r\nStay=0\r\n')
[ "$(cat "$INI")" = "$expected" ] || fail "settings file holds: $(cat -A "$INI")"
pass "the close wrote the six lines"
e2e_stop

e2e_start
win=$(wait_window Pixlumen) || fail "no window on the second start"
wait_for eval 'bounds "$win"; [ "$X,$Y,$W,$H" = "120,133,761,588" ]' || fail "second start at $X,$Y ${W}x$H"
pass "second start: where it was closed"

# A read-only file: each close shows the error and the window stays.
chmod a-w "$INI"
before=$(sha256sum <"$INI")
path=$(winepath -w "$INI")
for attempt in 1 2; do
  close_box "$win"
  read_box
  [ "$BOX_CAPTION" = Pixlumen ] || fail "error box captioned '$BOX_CAPTION'"
  [ "$BOX_TEXT" = "Unable to write to $path." ] || fail "error box says '$BOX_TEXT'"
  shot "readonly-$attempt" >/dev/null
  xdotool key Return
  wait_for pixlumen_windows 1 ||
    fail "after the error box the windows are: $(xdotool search --onlyvisible --name '^Pixlumen$')"
  xwininfo -id "$win" | grep -q 'IsViewable' || fail "the main window went away"
  pass "close $attempt on a read-only file: '$BOX_TEXT', window stays"
done
[ "$(sha256sum <"$INI")" = "$before" ] || fail "the read-only file changed: $(cat -A "$INI")"
pass "the read-only file is unchanged"
