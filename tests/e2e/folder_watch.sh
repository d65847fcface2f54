#!/usr/bin/env bash
# The folder tree's context menu and watcher with real X input: a right-click on
# a folder that is not selected, R for Rename, a new name and Enter rename it on
# disk and in the tree; the renamed folder then opens as itself. A folder made
# from the shell inside the selected folder appears as its node.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)

DESKDIR=$WORK/desk
mkdir -p "$DESKDIR/alpha/inside" "$DESKDIR/beta"
convert -size 20x20 xc:#3060C0 -type TrueColor BMP3:"$DESKDIR/alpha/inside/pic.bmp"

selected() { describe_tree; [ "$SELNODE" = "$1" ] && [ "$ITEMS" = "$2" ]; }

# The screen around a point differs from a shot taken before.
changed_near() {
  import -window root "$WORK/now.png" 2>/dev/null
  local a b
  a=$(convert "$1" -crop "120x60+$2+$3" -format '%#' info:)
  b=$(convert "$WORK/now.png" -crop "120x60+$2+$3" -format '%#' info:)
  [ "$a" != "$b" ]
}

e2e_start "$DESKDIR"
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
wait_for selected Desktop 0 || fail "the desktop is not selected at start"
describe_tree
node alpha || fail "no node 'alpha': $(grep '^node' "$CTL")"

import -window root "$WORK/before.png"
xdotool mousemove "$NX" "$NY" click 3
wait_for changed_near "$WORK/before.png" "$NX" "$NY" || fail "no menu after the right-click"
xdotool key r
wait_for tree_editing || fail "Rename opened no label editor"
xdotool type --delay 50 renamed
xdotool key Return
wait_for test -d "$DESKDIR/renamed" || fail "no folder 'renamed' on disk: $(ls "$DESKDIR")"
[ ! -e "$DESKDIR/alpha" ] || fail "'alpha' is still there"
wait_for tree_shows renamed || fail "no node 'renamed': $(grep '^node' "$CTL")"
describe_tree
[ "$SELNODE" = Desktop ] || fail "the right-click moved the selection to '$SELNODE'"
pass "right-click, Rename, a new name and Enter renamed 'alpha' to 'renamed'"

# The next step: open the renamed folder and its sub-folder, whose picture lists.
xdotool mousemove "$BX" "$NY" click 1
wait_for tree_shows inside || fail "the renamed folder does not open: $(grep '^node' "$CTL")"
xdotool mousemove "$NX" "$NY" click 1
wait_for selected inside 1 || fail "'inside' of the renamed folder does not list its picture"
pass "the renamed folder opens and its sub-folder lists its picture"

# The watcher: a folder made from the shell in the selected folder appears.
# 'beta' is opened first: empty, it loses its expand button.
tree_shows beta || fail "no node 'beta'"
xdotool mousemove "$NX" "$NY" click 1
wait_for selected beta 0 || fail "'beta' is not selected"
xdotool mousemove "$BX" "$NY" click 1
nobutton() { describe_tree; node beta; [ "$NKIDS" = 0 ]; }
wait_for nobutton || fail "the empty 'beta' keeps its expand button"
mkdir "$DESKDIR/beta/fresh"
button() { describe_tree; node beta; [ "$NKIDS" = 1 ]; }
wait_for button || fail "'beta' got no expand button for its new folder"
xdotool mousemove "$BX" "$NY" click 1
wait_for tree_shows fresh || fail "the new folder 'fresh' did not appear: $(grep '^node' "$CTL")"
describe_tree
[ "$SELNODE" = beta ] || fail "after the refresh '$SELNODE' is selected, not 'beta'"
pass "a folder made from the shell in the selected folder appears as its node"

# Closing while the watched folder churns: the program ends, with no hang.
( i=0; while [ -d "$DESKDIR/beta" ]; do
    touch "$DESKDIR/beta/c$((i % 9)).bmp"; rm -f "$DESKDIR/beta/c$(((i + 4) % 9)).bmp"
    i=$((i + 1)); done ) &
CHURN=$!
wait_for test -e "$DESKDIR/beta/c3.bmp" || fail "the churn did not start"
describe_tree; node beta || fail "no node 'beta'"
xdotool mousemove "$NX" "$NY" click 1
on_beta() { describe_tree; [ "$SELNODE" = beta ]; }
wait_for on_beta || fail "'beta' is not selected again"
xdotool key alt+F4
running() { pgrep -f "$WORK/app/Pixlumen.exe" >/dev/null; }
ended() { ! running; }
wait_for ended || { kill "$CHURN"; fail "the program still runs after Alt+F4 while its folder churns"; }
kill "$CHURN"; wait "$CHURN" 2>/dev/null || true
pass "closing while the watched folder churns ends the program"
