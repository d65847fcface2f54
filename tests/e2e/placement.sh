#!/usr/bin/env bash
# The preview re-places its picture when the user drags the splitter beside it,
# resizes the main window by its frame and maximises it from the title bar, all
# with real X input: the picture stays centred at its own size in whatever room
# the preview has (screenshots before and after each step).
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)

# A 300 x 200 bitmap of one colour that nothing else on screen has.
PICS=$WORK/pics
mkdir -p "$PICS"
COLOUR=C03020
convert -size 300x200 "xc:#$COLOUR" -type TrueColor BMP3:"$PICS/block.bmp"

# The main window's client area, list box, splitter, and the preview's edges:
# right of the navigation pane, below the toolbar, above the status bar.
describe() {
  describe_main
  PL=$SR PT=${TB:-$CT} PR=$CR PB=$BT
  [ -n "$SL" ] && [ -n "$BT" ] || fail "could not find the splitter and status bar in: $(cat "$CTL")"
}

# Screenshot NAME; true when the block is 300 x 200 and centred in the preview.
centred() {
  local png; png=$(shot "$1")
  local box; box=$(convert "$png" -fuzz 6% -fill black +opaque "#$COLOUR" -fill white -opaque "#$COLOUR" \
                  -format '%@' info:)
  IFS='x+' read -r W H X Y <<<"$box"
  EX=$(( PL + (PR - PL - 300) / 2 )) EY=$(( PT + (PB - PT - 200) / 2 ))
  [ "$W" = 300 ] && [ "$H" = 200 ] && [ "$X" = "$EX" ] && [ "$Y" = "$EY" ]
}
# Waits for the block to be centred after step NAME.
check_centred() {
  wait_for eval "describe; centred $1" ||
    fail "$1: the picture shows as ${W}x${H} at ($X,$Y), expected 300x200 at ($EX,$EY) in the preview ($PL,$PT)-($PR,$PB)"
  pass "$1: picture centred at ($X,$Y) in the preview ($PL,$PT)-($PR,$PB)"
}

e2e_start "$PICS"
win=$(wait_window Pixlumen) || fail "no window titled Pixlumen appeared"
wait_for eval 'describe; [ "$ITEMS" = 1 ]' || fail "the list shows $ITEMS entries, expected block.bmp"
xdotool mousemove $((LL + 30)) $((LT + 2 + ITEMH / 2)) click 1
check_centred start

# Drag the splitter 120 pixels to the right with the mouse button held.
before=$PL
sx=$(( (SL + SR) / 2 )) sy=$(( (ST_ + SB) / 2 ))
xdotool mousemove $sx $sy mousedown 1
for dx in 30 60 90 120; do sleep 0.1; xdotool mousemove $((sx + dx)) $sy; done
xdotool sleep 0.2 mouseup 1
wait_for eval 'describe; [ "$PL" = $((before + 120)) ]' ||
  fail "the preview starts at x=$PL after the drag, expected $((before + 120))"
check_centred splitter

# Resize the window by dragging its bottom-right frame corner up and left.
oldw=$((CR - CL)) oldh=$((CB - CT))
fx=$((CR + 2)) fy=$((CB + 2))
xdotool mousemove $fx $fy mousedown 1
for d in 40 80 120 160; do sleep 0.1; xdotool mousemove $((fx - d)) $((fy - d / 2)); done
xdotool sleep 0.2 mouseup 1
wait_for eval 'describe; [ $((CR - CL)) -lt "$oldw" ] && [ $((CB - CT)) -lt "$oldh" ]' ||
  fail "the frame drag did not shrink the window: $((CR - CL))x$((CB - CT)), was ${oldw}x${oldh}"
check_centred resized

# Maximise with a double-click on the title bar.
xdotool mousemove $(( (CL + CR) / 2 )) $((CT - 10)) click --repeat 2 --delay 80 1
wait_for eval 'describe; [ $((CR - CL)) -gt "$oldw" ]' || fail "the double-click on the title bar did not maximise the window"
check_centred maximised

xdotool key alt+F4
wait_gone Pixlumen || fail "Alt+F4 did not close the window"
pass "closed"
