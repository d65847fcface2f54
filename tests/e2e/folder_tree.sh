#!/usr/bin/env bash
# The folder tree with real X input: the program starts on the desktop and lists
# its picture; a click on a folder's expand button shows its sub-folder, a click
# on that lists its picture; the arrow keys step to a folder whose name has
# spaces and to one named in Cyrillic, each listing its pictures, and a picture
# chosen there shows its full path; Left and Right close and open a branch.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)

DESKDIR=$WORK/desk
mkdir -p "$DESKDIR/outer/inner" "$DESKDIR/with spaces" "$DESKDIR/Фото"
bmp() { convert -size "$2" "xc:#$3" -type TrueColor BMP3:"$DESKDIR/$1"; }
bmp a_red.bmp 40x30 C8281E
bmp "outer/inner/e_pink.bmp" 20x20 F0A0C0
bmp "with spaces/b_green.bmp" 30x30 1EA03C
bmp "with spaces/c_blue.bmp" 30x20 283CC8
bmp "Фото/d_grey.bmp" 25x25 808080

# The tree's nodes from the helper; SELNODE is the selected node's label.
describe() {
  describe_main
  [ -n "$LL" ] || fail "no file list in: $(cat "$CTL")"
  grep -q '^node ' "$CTL" || fail "no tree nodes in: $(cat "$CTL")"
  SELNODE=$(awk '$1=="node" && $6==1 {print; exit}' "$CTL" | cut -d' ' -f10-)
}
click_node() { node "$1" || fail "no node '$1' shown: $(grep '^node' "$CTL")"; xdotool mousemove "$NX" "$NY" click 1; }

# Waits until the tree's selection is $1 and the list holds $2 entries.
folder_is() { describe; [ "$SELNODE" = "$1" ] && [ "$ITEMS" = "$2" ]; }
expect_folder() {
  wait_for folder_is "$1" "$2" || fail "$3: selected '$SELNODE' with $ITEMS entries, expected '$1' with $2"
  pass "$3: '$1' selected, $2 entries listed"
}

panel2_is() { describe; [ "$PANEL2" = "$1" ]; }
# Clicks list entry $1 and waits for the status bar to show path $2.
expect_picture() {
  xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH * $1 + ITEMH / 2)) click 1
  wait_for panel2_is "$2" ||
    fail "after clicking entry $1 the status bar shows '$PANEL2', expected '$2'"
  pass "the list's entry $1 shows as $2"
}

e2e_start "$DESKDIR"
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
expect_folder Desktop 1 "start"
node outer || fail "the desktop's folders are not shown: $(grep '^node' "$CTL")"
[ "$NEXP" = 0 ] && [ "$BX" != -1 ] || fail "'outer' is expanded or has no button at start"
node inner && fail "'inner' is shown before 'outer' was opened"

# The expand button opens the branch without selecting it.
xdotool mousemove "$BX" "$NY" click 1
wait_for eval 'describe; node inner' || fail "clicking the expand button of 'outer' showed no 'inner'"
[ "$SELNODE" = Desktop ] && [ "$ITEMS" = 1 ] || fail "the expand button moved the selection to '$SELNODE'"
pass "the expand button of 'outer' shows 'inner'; the selection stays on the desktop"

click_node inner
expect_folder inner 1 "click on 'inner'"
expect_picture 0 "$WINDESK\\outer\\inner\\e_pink.bmp"

# The keyboard, in the tree: a click on the selected node gives it the focus.
click_node inner
# Deliberately short: the key must come before the label editor's timer, which a
# click on the selected node starts; a poll from outside takes longer than that.
sleep 0.3
xdotool key Down
expect_folder "with spaces" 2 "Down"
xdotool key Down
expect_folder "Фото" 1 "Down again"
expect_picture 0 "$WINDESK\\Фото\\d_grey.bmp"

click_node Фото
xdotool key Up Up
expect_folder inner 1 "Up twice"
xdotool key Left
expect_folder outer 0 "Left to the parent"
xdotool key Left
wait_for eval 'describe; ! node inner' || fail "Left on 'outer' did not close it"
xdotool key Right
wait_for eval 'describe; node inner' || fail "Right on 'outer' did not open it again"
pass "Left closes 'outer' and Right opens it again"

# The right end of a short label takes a click: on "/", the last column its text
# is drawn on (found in a screenshot of its label's box) selects it.
describe
read -r _ L T R B _ < <(awk '$1=="node" && $10=="/"' "$CTL") || fail "no node '/': $(grep '^node' "$CTL")"
IMG=$(shot slash)
X=$(convert "$IMG" -crop "$((R - L))x$((B - T))+$L+$T" +repage -depth 8 txt:- |
  awk -F'[,:() ]+' 'NR > 1 && $4 + $5 + $6 < 400 && $1 > x {x = $1} END {print x + 0}')
[ "$X" -gt 0 ] || fail "no text of '/' drawn in its label's box $L..$R"
xdotool mousemove $((L + X)) $(((T + B) / 2)) click 1
wait_for eval 'describe; [ "$SELNODE" = / ]' || fail "a click at x $((L + X)) (label $L..$R) left '$SELNODE' selected"
pass "a click on the last drawn column of '/' ($((L + X)), label $L..$R) selects it"
