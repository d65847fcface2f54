#!/usr/bin/env bash
# The disk changed from outside while the program shows it, with real X input:
# back from My Computer the desktop lists its pictures again; the folder the
# user is in renamed, its picture replaced and deleted, the folder deleted, a
# folder above it renamed, the folder moved away; the file shown full-screen
# deleted before Left and Right; a rename in place ended by a click on the list.
# (Wine's folder menu has Cut but no Paste: a window test covers the paste.) After each: the tree, the list, the status bar, the
# preview's pixels, and no error box.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)

D=$WORK/desk
mkdir -p "$D/Album" "$D/Top/Mid" "$D/Holder/Moved" "$D/Other" "$D/Full" "$D/Edit"
# Red (#C8281E) is the colour the preview is measured by; the others differ.
solid_bmp "$D/a1.bmp" 10 10 30 160 60 "$D/b2.bmp" 10 10 30 160 60 \
  "$D/Album/p1.bmp" 40 30 200 40 30 "$D/Album/p2.bmp" 20 20 30 160 60 \
  "$D/Top/Mid/q.bmp" 30 20 200 40 30 "$D/Holder/Moved/m.bmp" 20 10 200 40 30 \
  "$D/Full/r1.bmp" 20 20 30 160 60 "$D/Full/r2.bmp" 20 20 200 40 30 \
  "$D/Full/r3.bmp" 20 20 40 60 200 "$D/Edit/a.bmp" 10 10 200 40 30 "$D/Edit/b.bmp" 16 8 200 40 30

# Folder $1 selected, $2 entries listed (the status bar keeps what it described).
lists() { describe_tree; [ "$SELNODE|$ITEMS" = "$1|$2" ]; }
# Folder $1 selected, $2 entries listed, entry $3 selected, status bar path $4.
showing() { describe_tree; [ "$SELNODE|$ITEMS|$SEL|$PANEL2" = "$1|$2|$3|$4" ]; }
# The preview shows $1 red pixels.
red_is() { describe_main; [ "$(red_in_preview "$(shot preview)")" = "$1" ]; }
no_box() { pixlumen_windows 1 || fail "$1: an error box came up"; }
# All of the above, then a pass line $5; the preview holds $6 red pixels.
expect() {
  wait_for showing "$1" "$2" "$3" "$4" ||
    fail "$5: '$SELNODE' selected, $ITEMS entries, entry $SEL, status '$PANEL2';" \
      "expected '$1' $2 $3 '$4'"
  wait_for red_is "$6" || fail "$5: the preview does not hold $6 red pixels"
  no_box "$5"
  pass "$5"
}
click_node() { find_node "$1"; xdotool mousemove "$NX" "$NY" click 1; }
open_node() { find_node "$1"; xdotool mousemove "$BX" "$NY" click 1; }
# A click on list entry $1 (from 0).
click_entry() { describe_main; xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH * $1 + ITEMH / 2)) click 1; }

e2e_start "$D"
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
wait_for showing Desktop 2 -1 "" || fail "the desktop does not list its two pictures at start"
# The tree made taller with its splitter, so every folder used here is in view.
tree_bottom() { describe_main; read -r _ _ _ _ _ TBOT < <(grep -i '^child SysTreeView32 ' "$CTL"); }
tree_bottom
read -r _ _ nl nt nr nb < <(grep -i '^child PixlumenSplitterNS ' "$CTL")
sx=$(((nl + nr) / 2)) sy=$(((nt + nb) / 2))
xdotool mousemove $sx $sy mousedown 1
for dy in 60 120 180 240; do sleep 0.1; xdotool mousemove $sx $((sy + dy)); done
xdotool sleep 0.2 mouseup 1
taller() { tree_bottom; [ "$TBOT" -ge $((sy + 200)) ]; }
wait_for taller || fail "the splitter drag left the tree's bottom at $TBOT"

# Back from a virtual folder.
click_node "My Computer"
wait_for showing "My Computer" 0 -1 "" || fail "My Computer does not empty the list"
click_node Desktop
expect Desktop 2 -1 "" "back from My Computer the desktop lists its pictures again" 0

# The folder the user is in, renamed from outside.
click_node Album
wait_for lists Album 2 || fail "'Album' does not list its pictures"
click_entry 0
expect Album 2 0 "$WINDESK\\Album\\p1.bmp" "the picture in 'Album' is shown" 1200
mv "$D/Album" "$D/Trip"
expect Trip 2 0 "$WINDESK\\Trip\\p1.bmp" "'Album' renamed to 'Trip' from outside: all follow" 1200
describe_tree
node Album && fail "the old node 'Album' is still shown"

# Its picture replaced the way editors save: a new file renamed over it.
solid_bmp "$D/Trip/new.tmp" 60 30 200 40 30
mv "$D/Trip/new.tmp" "$D/Trip/p1.bmp"
expect Trip 2 0 "$WINDESK\\Trip\\p1.bmp" "the picture replaced under its name is loaded anew" 1800
[ "$PANEL1" = 60x30 ] || fail "the status bar gives $PANEL1 for the replaced picture"

# Deleted: nothing selected, nothing shown or described.
rm "$D/Trip/p1.bmp"
expect Trip 1 -1 "" "the shown picture deleted from outside: preview and status bar clear" 0

# The folder itself deleted: the desktop, the nearest folder left, takes over.
rm -rf "$D/Trip"
expect Desktop 2 -1 "" "the selected folder deleted from outside: the desktop is selected" 0

# A folder above the one the user is in, renamed from outside.
open_node Top
wait_for tree_shows Mid || fail "'Top' does not open"
click_node Mid
wait_for lists Mid 1 || fail "'Mid' does not list its picture"
click_entry 0
expect Mid 1 0 "$WINDESK\\Top\\Mid\\q.bmp" "the picture in 'Mid' is shown" 600
mv "$D/Top" "$D/Upper"
expect Mid 1 0 "$WINDESK\\Upper\\Mid\\q.bmp" "'Top' above renamed to 'Upper': all follow" 600
wait_for tree_shows Upper || fail "no node 'Upper'"

# A folder made beside 'Mid' in the folder above changes nothing shown: the list
# is not read again. Its picture rewritten in place (no name changes, so no
# change is seen) would be loaded anew by a re-read: two seconds, past the
# watcher's gathering, still show the old one; a new file then does re-read.
solid_bmp "$D/Upper/Mid/q.bmp" 60 30 200 40 30
mkdir "$D/Upper/Side"
sleep 2
describe_main
[ "$PANEL1" = 30x20 ] || fail "a folder made above 'Mid' read its list again ($PANEL1)"
touch "$D/Upper/Mid/new.txt"
reread() { describe_main; [ "$PANEL1" = 60x30 ]; }
wait_for reread || fail "a new file in 'Mid' did not read its list again ($PANEL1)"
pass "a folder made above the one shown reads nothing again; one made in it does"

# The folder the user is in moved away from outside (a delete here, a creation
# elsewhere, as the disk reports it): the folder that held it takes over.
open_node Holder
wait_for tree_shows Moved || fail "'Holder' does not open"
click_node Moved
wait_for lists Moved 1 || fail "'Moved' does not list its picture"
click_entry 0
expect Moved 1 0 "$WINDESK\\Holder\\Moved\\m.bmp" "the picture in 'Moved' is shown" 200
mv "$D/Holder/Moved" "$D/Other/Moved"
expect Holder 0 -1 "" "'Moved' moved away from outside: 'Holder' is selected" 0

# The full-screen view's picture deleted from outside, then Left and Right.
click_node Full
wait_for lists Full 3 || fail "'Full' does not list its pictures"
click_entry 1
expect Full 3 1 "$WINDESK\\Full\\r2.bmp" "r2.bmp is shown" 400
xdotool key ctrl+f
wait_window "Pixlumen : r2.bmp" >/dev/null || fail "Ctrl+F opened no view of r2.bmp"
rm "$D/Full/r2.bmp"
wait_for main_items 2 || fail "the list did not lose r2.bmp"
xdotool key Left
wait_window "Pixlumen : r1.bmp" >/dev/null || fail "Left from the deleted r2.bmp did not show r1.bmp"
no_box "Left from the deleted picture"
xdotool key Right
wait_window "Pixlumen : r3.bmp" >/dev/null || fail "Right from r1.bmp did not show r3.bmp"
xdotool key Right
wait_window "Pixlumen : r1.bmp" >/dev/null || fail "Right from the last did not wrap to r1.bmp"
no_box "stepping after the delete"
pass "the full-screen view steps from the picture it shows: Left, Right and the wrap"
rm "$D/Full/"*.bmp
wait_for main_items 0 || fail "the list did not empty"
xdotool key Right
wait_gone "Pixlumen : r1.bmp" || fail "the view of an empty folder did not close"
expect Full 0 -1 "" "the view of a folder emptied from outside closes with no box" 0

# A rename in place ended by a click on the list, not by Enter.
click_node Edit
wait_for lists Edit 2 || fail "'Edit' does not list its pictures"
click_entry 0
expect Edit 2 0 "$WINDESK\\Edit\\a.bmp" "a.bmp in 'Edit' is shown" 100
find_node Edit
xdotool mousemove "$NX" "$NY" click 1
wait_for tree_editing || { xdotool click 1; wait_for tree_editing; } || fail "the slow second click opened no label editor"
xdotool type --delay 50 Done
click_entry 1
wait_for test -d "$D/Done" || fail "no folder 'Done' on disk: $(ls "$D")"
expect Done 2 1 "$WINDESK\\Done\\b.bmp" "a rename ended by a click on the list: the clicked file shows" 128
