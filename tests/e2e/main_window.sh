#!/usr/bin/env bash
# The program starts, shows its main window with panes and status bar, and closes
# with a real key press.
source "$(dirname "$0")/lib.bash" "$@"

e2e_start
win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
pass "main window $win is up"
geometry "$win"
# The status bar's panel edges and the navigation pane differ from the preview's
# plain background: the picture must not be one colour once the window is drawn.
painted() {
  colours=$(convert "$(shot main)" -crop "${W}x${H}+${X}+${Y}" +repage -unique-colors -format '%w' info:)
  [ "$colours" -ge 4 ]
}
wait_for painted || fail "window shows $colours colours only"
pass "window shows $colours colours"


xdotool mousemove $((X + W / 2)) $((Y + H / 2)) click 1; sleep 0.3; xdotool key alt+F4
wait_gone Pixlumen || fail "Alt+F4 did not close the window"
wait_for eval '! kill -0 "$PID" 2>/dev/null' || true
pass "closed by Alt+F4"
