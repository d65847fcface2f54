#!/usr/bin/env bash
# The full-screen view with real X input: a double-click on the preview opens a
# maximised window over the desktop's work area titled with the file, Right and
# Left step through the list (caption and pixels change), Esc closes it, the
# main window shows the last file viewed and its list still takes the Down key.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)

# Solid bitmaps in colours nothing else on screen has; the first is larger than
# the desktop, so the view reduces it.
PICS=$WORK/pics
mkdir -p "$PICS"
solid_bmp "$PICS/a_red.bmp" 1400 1000 200 40 30 "$PICS/b_green.bmp" 80 40 30 160 60 \
  "$PICS/c_blue.bmp" 50 50 40 60 200
WINPICS=$WINDESK  # the folder the program starts in

# Describes the window captioned $1 (default: the main window).
describe() {
  CTL=$WORK/controls.txt
  helper "$CTL" "$CONTROLS" "$(winepath -w "$CTL")" "${1:-Pixlumen}" || fail "could not describe '${1:-Pixlumen}'"
}

# The colour at the middle of the view's client area above its status bar is $1.
view_centre_is() {
  local png; png=$(shot view)
  [ "$(pixel "$png" $(((VL + VR) / 2)) $(((VT + SBT) / 2)))" = "$1" ]
}

# The view titled for file $1 is up, maximised over the work area, and shows colour $2.
expect_view() {
  local name=$1 colour=$2 wl wt wr wb zoomed al at ar ab
  wait_window "Pixlumen : $name" >/dev/null || fail "no window titled 'Pixlumen : $name'"
  describe "Pixlumen : $name"
  read -r _ wl wt wr wb zoomed _ < <(grep '^window ' "$CTL")
  read -r _ al at ar ab < <(grep '^workarea ' "$CTL")
  read -r _ VL VT VR VB < <(grep '^client ' "$CTL")
  read -r _ _ _ SBT _ _ < <(grep -i '^child msctls_statusbar32 ' "$CTL")
  [ "$zoomed" = 1 ] || fail "$name: the view is not maximised"
  [ "$wl" -le "$al" ] && [ "$wt" -le "$at" ] && [ "$wr" -ge "$ar" ] && [ "$wb" -ge "$ab" ] ||
    fail "$name: the view ($wl,$wt)-($wr,$wb) does not cover the work area ($al,$at)-($ar,$ab)"
  wait_for view_centre_is "$colour" || fail "$name: the view's centre is not #$colour"
  pass "$name: maximised view over the work area titled 'Pixlumen : $name', showing #$colour"
}

# The main window's list selects entry $1 and its status bar describes file $2.
main_shows() {
  describe_main
  [ "$SEL" = "$1" ] && [ "$PANEL2" = "$WINPICS\\$2" ]
}

e2e_start "$PICS"
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
wait_for describe_main || fail "could not describe the main window"
[ "$ITEMS" = 3 ] || fail "the list shows $ITEMS entries, expected 3"

# Tab from the tree into the list, nothing selected: Ctrl+F does nothing (an
# error box would take the Home that follows), Home selects the first entry.
xdotool key Tab ctrl+f Home
wait_for main_shows 0 a_red.bmp || fail "Tab, Ctrl+F, Home: entry $SEL, '$PANEL2'"
pixlumen_windows 1 || fail "Ctrl+F with nothing selected brought up a window"
pass "Ctrl+F with nothing selected does nothing"
xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH / 2)) click 1
wait_for main_shows 0 a_red.bmp || fail "clicking the first entry did not show a_red.bmp"

# Double-click in the preview, right of the splitter and above the status bar.
xdotool mousemove $(((SR + CR) / 2)) $(((CT + BT) / 2)) click --repeat 2 --delay 80 1
expect_view a_red.bmp C8281E

xdotool key Right
expect_view b_green.bmp 1EA03C
xdotool key Right
expect_view c_blue.bmp 283CC8
xdotool key Left
expect_view b_green.bmp 1EA03C

xdotool key Escape
wait_gone "Pixlumen : b_green.bmp" || fail "Esc did not close the view"
wait_for main_shows 1 b_green.bmp || fail "after Esc the main window shows entry $SEL, '$PANEL2'"
pass "Esc closed the view; the main window shows b_green.bmp"

xdotool key Down
wait_for main_shows 2 c_blue.bmp || fail "Down after closing the view: entry $SEL, '$PANEL2'"
pass "the list still has the keyboard: Down selects c_blue.bmp"

# The other step keys; Alt+F4 closes the view, and the Alt released after it
# must not put the main window in menu mode (Up would open its window menu).
xdotool key ctrl+f
expect_view c_blue.bmp 283CC8
for step in Home:a_red.bmp:C8281E space:b_green.bmp:1EA03C End:c_blue.bmp:283CC8 \
  BackSpace:b_green.bmp:1EA03C Prior:a_red.bmp:C8281E Next:b_green.bmp:1EA03C; do
  IFS=: read -r key name colour <<<"$step"
  xdotool key "$key"
  expect_view "$name" "$colour"
done
xdotool key alt+F4
wait_gone "Pixlumen : b_green.bmp" || fail "Alt+F4 did not close the view"
xdotool key Up
wait_for main_shows 0 a_red.bmp || fail "Up after Alt+F4 on the view: entry $SEL, '$PANEL2'"
grep -qix 'focus listbox' "$CTL" || fail "after Alt+F4: $(grep '^focus' "$CTL")"
pass "Alt+F4 closed the view; Up in the list selects a_red.bmp"

# Minimised and restored from the window menu, the list keeps the focus, even
# one it got by a click after Shift+Tab had put it on the tree. (Minimised, the
# window is captioned with the selected file's name.)
xdotool key shift+Tab
xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH / 2)) click 1
wait_for main_shows 0 a_red.bmp || fail "a click on the first entry: entry $SEL"
xdotool key alt+space n
wait_window "Pixlumen : a_red.bmp" >/dev/null || fail "Alt+Space, N did not minimise the window"
xdotool key alt+space r
wait_for eval 'describe_main; grep -qix "focus listbox" "$CTL"' || fail "after a restore: $(grep '^focus' "$CTL")"
xdotool key ctrl+f
expect_view a_red.bmp C8281E
xdotool key Escape
pass "minimised and restored, the list has the focus: Ctrl+F opens the view"
