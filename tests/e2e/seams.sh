#!/usr/bin/env bash
# The first minutes of a new user, walking from one part of the program to the
# next in a folder of five pictures with the list on c_blue: Ctrl+F and Esc, then
# Ctrl+O and Esc, leave the list and the preview where they were (no letter
# typed into the list); after stepping Left in the full-screen view and Esc, Down
# goes on from the file shown; so it does after choosing b_green in the open
# dialog; and F10 followed by a switch to another program and back leaves the
# menu bar's keyboard mode, so Down moves the list instead of opening a drop-down.
# (Each check also reads the preview's pixels: a stray character would move both.)
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)
LIST=$(need_helper listwindows.exe)
DIALOG="Выберите файл с рисунком"

PICS=$WORK/pics
mkdir -p "$PICS"
solid_bmp "$PICS/a_red.bmp" 300 200 200 40 30 "$PICS/b_green.bmp" 300 200 30 160 60 \
  "$PICS/c_blue.bmp" 300 200 40 60 200 "$PICS/f_yellow.bmp" 300 200 220 200 20 \
  "$PICS/o_white.bmp" 300 200 250 250 250
declare -A COLOUR=([a_red]=C8281E [b_green]=1EA03C [c_blue]=283CC8 [f_yellow]=DCC814 [o_white]=FAFAFA)
NAMES=(a_red b_green c_blue f_yellow o_white)

# The main window's list selects picture $1, and its status bar and its preview
# (at the middle of the area right of the splitter) show it.
main_on() {
  local name=$1 at=0
  while [ "${NAMES[$at]}" != "$name" ]; do at=$((at + 1)); done
  describe_main
  SEEN=$(pixel "$(shot main)" $(((SR + CR) / 2)) $(((TB + BT) / 2)))
  [ "$SEL" = "$at" ] && [ "$PANEL2" = "$WINDESK\\$name.bmp" ] && [ "$SEEN" = "${COLOUR[$name]}" ]
}
# Still on picture $1 a moment later: a stray character would have arrived by then.
stays_on() {
  wait_for main_on "$1" || fail "$2: the list is on entry $SEL, the status bar on '$PANEL2'"
  sleep 1
  main_on "$1" || fail "$2: the list moved on to entry $SEL, the status bar to '$PANEL2', #$SEEN"
  pass "$2: the list and the preview stay on $1"
}

e2e_start "$PICS"
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
wait_for main_items 5 || fail "the list shows $ITEMS entries, expected 5"
xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH * 2 + ITEMH / 2)) click 1
wait_for main_on c_blue || fail "a click on the third entry did not show c_blue: '$PANEL2'"
pass "the list is on c_blue"

# Commands that open a window from a Ctrl key.
xdotool key ctrl+f
wait_window "Pixlumen : c_blue.bmp" >/dev/null || fail "Ctrl+F did not open the full-screen view"
xdotool key Escape
wait_gone "Pixlumen : c_blue.bmp" || fail "Esc did not close the full-screen view"
stays_on c_blue "Ctrl+F, Esc"

xdotool key ctrl+o
wait_window "$DIALOG" >/dev/null || fail "Ctrl+O did not open the open dialog"
xdotool key Escape
wait_gone "$DIALOG" || fail "Esc did not close the open dialog"
stays_on c_blue "Ctrl+O, Esc"

# The full-screen view's step is the list's: Down goes on from b_green.
xdotool mousemove $(((SR + CR) / 2)) $(((TB + BT) / 2)) click --repeat 2 --delay 80 1
wait_window "Pixlumen : c_blue.bmp" >/dev/null || fail "a double-click did not open the view"
xdotool key Left
wait_window "Pixlumen : b_green.bmp" >/dev/null || fail "Left did not step to b_green"
xdotool key Escape
wait_gone "Pixlumen : b_green.bmp" || fail "Esc did not close the view"
wait_for main_on b_green || fail "after the view the main window is on $SEL, '$PANEL2', #$SEEN"
xdotool key Down
wait_for main_on c_blue || fail "Down after the view: entry $SEL, '$PANEL2'"
pass "full screen, Left, Esc, Down: the list and the preview on c_blue"

# So is the open dialog's choice.
xdotool key ctrl+o
wait_window "$DIALOG" >/dev/null || fail "Ctrl+O did not open the dialog again"
xdotool type --delay 20 "$WINDESK\\b_green.bmp"
xdotool key Return
wait_gone "$DIALOG" || fail "Enter did not confirm the dialog"
wait_for main_on b_green || fail "the dialog's choice is not shown: '$PANEL2'"
xdotool key Down
wait_for main_on c_blue || fail "Down after the dialog: entry $SEL, '$PANEL2'"
pass "the dialog's b_green, then Down: the list and the preview on c_blue"

# Keyboard mode, then another program takes the keyboard and gives it back.
# Wine has no Alt+Tab switcher: a second program started in the desktop takes the
# activation, and closing it with Alt+F4 gives it back.
xdotool key F10
# Nothing outside shows keyboard mode but the bar's drawing: a moment for the key.
sleep 0.5
(wine explorer "/desktop=$DESK" notepad >/dev/null 2>&1 &)
wait_window "Untitled - Notepad" >/dev/null || fail "the second program did not start"
focus_in() { helper "$WORK/focus.txt" "$CONTROLS" "$(winepath -w "$WORK/focus.txt")" "$1" &&
  grep -qix "focus $2" "$WORK/focus.txt"; }
wait_for focus_in "Untitled - Notepad" Edit || fail "the second program did not take the keyboard"
xdotool key alt+F4
wait_gone "Untitled - Notepad" || fail "Alt+F4 did not close the second program"
wait_for focus_in Pixlumen ListBox || fail "the keyboard did not come back to the list"
xdotool key Down
# Deliberately idle: a drop-down opened by the key would be up by now.
sleep 1
shown '#32768' && fail "Down opened a drop-down after switching away in keyboard mode"
wait_for main_on f_yellow || fail "Down after switching back: entry $SEL, '$PANEL2'"
pass "F10, away and back, Down: no drop-down, the list moves to f_yellow"
