#!/usr/bin/env bash
# Two monitors, a 1280 x 1024 primary and a 1024 x 768 one on its right: each
# window opens on the monitor the user works on, and a saved place no monitor
# shows any more is brought back. Xephyr with two Xinerama screens inside this
# run's Xvfb; Wine shows them as two monitors only without XRandR, so the
# program runs in a prefix of this test's own, without a virtual desktop.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)
LIST=$(need_helper listwindows.exe)
INI=$WORK/app/PixlumenParam.ini
XEPHYR=
trap 'WINEPREFIX=$WORK/prefix wineserver -k 2>/dev/null; [ -z "$XEPHYR" ] || kill "$XEPHYR";
      e2e_stop; [ -n "${KEEP:-}" ] || rm -rf "$WORK"' EXIT

mkfifo "$WORK/fd"
Xephyr +xinerama -screen 1280x1024 -origin 1280,0 -screen 1024x768 -displayfd 3 -ac -nolisten tcp \
  3>"$WORK/fd" >/dev/null 2>&1 &
XEPHYR=$!
read -r n <"$WORK/fd" || fail "Xephyr did not start"
export DISPLAY=:$n WINEPREFIX=$WORK/prefix
cp -a "$(dirname "$PIX_WINENV")/.wine-template" "$WINEPREFIX"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1
wineserver -k  # the desktop process read the monitors before the setting: start afresh
PICS=$WORK/pics
mkdir -p "$PICS" "$WORK/app"
solid_bmp "$PICS/red.bmp" 64 48 200 40 30
for d in "$WINEPREFIX"/drive_c/users/*/Desktop; do rm -rf "$d"; ln -s "$PICS" "$d"; done
cp "$EXE" "$WORK/app/Pixlumen.exe"
helper() { local out=$1; shift; rm -f "$out"; wine "$@" >/dev/null 2>&1 || true; test -s "$out"; }

# Starts the program with the settings Left Top Width Height (not maximised).
start() {
  printf '[FORM]\r\nTop=%s\r\nLeft=%s\r\nHeight=%s\r\nWidth=%s\r\nStay=0\r\n' "$2" "$1" "$4" "$3" >"$INI"
  (cd "$PICS" && exec wine "$WORK/app/Pixlumen.exe" >/dev/null 2>&1) &
  win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
}
quit() { xdotool key alt+F4; wait_gone Pixlumen || fail "Alt+F4 did not close the program"; }
is_at() { geometry "$1"; [ "$X,$Y,$W,$H" = "$2" ]; }

# The window titled $1 shows, on the monitor from x=$2 to $3 (work area top 0,
# bottom $4): maximised over that work area with its frame outside, or centred.
view_on() {
  local id; id=$(window_id "$1") || return 1
  geometry "$id"
  [ "$X" -le "$2" ] && [ "$X" -ge $(($2 - 8)) ] && [ $((X + W)) -ge "$3" ] && [ $((X + W)) -le $(($3 + 8)) ] &&
    [ "$Y" -le 0 ] && [ "$Y" -ge -8 ] && [ $((Y + H)) -ge "$4" ] && [ $((Y + H)) -le $(($4 + 8)) ]
}
centred_on() {
  local id; id=$(window_id "$1") || return 1
  geometry "$id"
  local dx=$(($3 - X - W - X + $2)) dy=$(($4 - Y - H - Y))
  [ "$dx" -ge 0 ] && [ "$dx" -le 1 ] && [ "$dy" -ge 0 ] && [ "$dy" -le 1 ]
}

start 1400 100 700 500
wait_for is_at "$win" 1400,100,700,500 || fail "saved on the second monitor, opened at $X,$Y ${W}x$H"
pass "the main window opens on the second monitor where it was saved"
wait_for main_items 1 || fail "the list shows $ITEMS entries, expected red.bmp"
xdotool mousemove $((LL + 30)) $((LT + 2 + ITEMH / 2)) click 1
wait_for main_selected 0 || fail "the click did not select red.bmp"
xdotool key ctrl+f
wait_for view_on "Pixlumen : red.bmp" 1280 2304 768 || fail "Ctrl+F: the view at $X,$Y ${W}x$H"
pass "Ctrl+F: the view covers the second monitor ($X,$Y ${W}x$H)"
shot view-second >/dev/null
xdotool key Escape
wait_gone "Pixlumen : red.bmp" || fail "Escape did not close the view"
describe_main
xdotool mousemove $(((SR + CR) / 2)) $(((TB + BT) / 2)) click --repeat 2 --delay 80 1
wait_for view_on "Pixlumen : red.bmp" 1280 2304 768 || fail "double-click: the view at $X,$Y ${W}x$H"
pass "a double-click on the preview: the view on the second monitor"
xdotool key Escape
wait_gone "Pixlumen : red.bmp" || fail "Escape did not close the view"
xdotool key F10 Left Return
wait_for shown '#32768' || fail "F10, Left and Enter opened no drop-down: $WINDOWS"
xdotool key Down Return
wait_for centred_on "О программе" 1280 2304 768 || fail "the about window at $X,$Y ${W}x$H"
pass "the about window centred on the second monitor ($X,$Y ${W}x$H)"
xdotool key Return
wait_gone "О программе" || fail "Enter did not close the about window"

# Dragged back by its caption onto the primary monitor.
geometry "$win"
# The drag is paced as a hand moves: Wine takes a move only once it has the button down.
xdotool mousemove $((X + 200)) $((Y + 10)) mousedown 1; sleep 0.3
xdotool mousemove $((X - 300)) $((Y + 10)); sleep 0.3
xdotool mousemove $((X - 800)) $((Y + 10)); sleep 0.3
xdotool mouseup 1
wait_for is_at "$win" 400,100,700,500 || fail "the drag left the main window at $X,$Y"
xdotool key ctrl+f
wait_for view_on "Pixlumen : red.bmp" 0 1280 1024 || fail "Ctrl+F after the drag: the view at $X,$Y ${W}x$H"
pass "dragged to the primary, Ctrl+F: the view covers the primary ($X,$Y ${W}x$H)"
xdotool key Escape
wait_gone "Pixlumen : red.bmp" || fail "Escape did not close the view"
quit

# Saved on a monitor that is gone, or far above every monitor: brought back.
start 2600 100 700 500
wait_for is_at "$win" 1604,100,700,500 || fail "Left=2600 opened at $X,$Y ${W}x$H"
pass "Left=2600: moved onto the second monitor's right edge"
quit
start 100 -2000000000 700 500
wait_for is_at "$win" 100,0,700,500 || fail "a huge negative Top opened at $X,$Y ${W}x$H"
pass "a huge negative Top: at the primary's top"
quit
# Reachable by a strip of its caption: applied to the pixel.
start -660 1000 700 500
wait_for is_at "$win" -660,1000,700,500 || fail "a reachable place opened at $X,$Y ${W}x$H"
pass "a place still reachable is applied as read"
quit
