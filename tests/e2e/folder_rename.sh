#!/usr/bin/env bash
# The folder the user is in, renamed and deleted with real X input: a folder is
# chosen and its picture shown; a slow second click on its label renames it to a
# Cyrillic name with a space, and the list, the selection and the status bar
# follow the new name; the context menu renames it back; a file made from the
# shell in it keeps the selection and the preview; an empty selected folder
# deleted through the context menu (its prompt confirmed) leaves its parent
# selected; F2 renames from the keyboard, the edit keeping its Ctrl keys.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)

DESKDIR=$WORK/desk
NEW="Цель 2"
mkdir -p "$DESKDIR/Album/Empty"
convert -size 40x30 xc:#C8281E -type TrueColor BMP3:"$DESKDIR/Album/pic.bmp"

# Folder $1 selected, $2 entries listed, entry $3 selected, status bar path $4.
showing() { describe_tree; [ "$SELNODE|$ITEMS|$SEL|$PANEL2" = "$1|$2|$3|$4" ]; }
expect_showing() {
  wait_for showing "$@" ||
    fail "$5: '$SELNODE' selected, $ITEMS entries, entry $SEL, status '$PANEL2';" \
      "expected '$1' $2 $3 '$4'"
  pass "$5"
}

# A Russian layout beside the US one, as a user who names folders in Russian
# has: typed letters then need no keys remapped on the fly, whose first presses
# Wine may read with the old mapping.
setxkbmap -layout us,ru
e2e_start "$DESKDIR"
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
wait_for showing Desktop 0 -1 "" || fail "the desktop is not selected at start"

find_node Album
xdotool mousemove "$NX" "$NY" click 1
wait_for showing Album 1 -1 "" || fail "'Album' does not list its picture"
describe_tree
xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH / 2)) click 1
expect_showing Album 1 0 "$WINDESK\\Album\\pic.bmp" "the picture in 'Album' is shown"
# Wine takes the first key of the other layout for switching to it: that key
# goes to the list, whose type-ahead finds nothing for it.
xdotool type "ц"
# Deliberately idle: the list's type-ahead forgets a key after half a second.
sleep 0.6

# A slow second click on the selected folder's label edits it.
find_node Album
xdotool mousemove "$NX" "$NY" click 1
wait_for tree_editing || { xdotool click 1; wait_for tree_editing; } || fail "the slow second click opened no label editor"
xdotool type --delay 200 "$NEW"
xdotool key Return
wait_for test -d "$DESKDIR/$NEW" || fail "no folder '$NEW' on disk: $(ls "$DESKDIR")"
[ ! -e "$DESKDIR/Album" ] || fail "'Album' is still there"
pixlumen_windows 1 || fail "an error box came up: the rename was reported as failed"
expect_showing "$NEW" 1 0 "$WINDESK\\$NEW\\pic.bmp" \
  "renamed in place to '$NEW': the list and the status bar follow"

# Back through the context menu, while it is still the folder the list is in.
menu_key "$NEW" r
wait_for tree_editing || fail "Rename in the menu opened no label editor"
xdotool type --delay 50 Album
xdotool key Return
wait_for test -d "$DESKDIR/Album" || fail "'$NEW' was not renamed back: $(ls "$DESKDIR")"
expect_showing Album 1 0 "$WINDESK\\Album\\pic.bmp" "renamed back to 'Album' through the menu"

# A file made from the shell: listed before the picture, which stays selected and shown.
[ "$(red_in_preview "$(shot before-file)")" = 1200 ] || fail "the preview does not show the picture"
convert -size 10x10 xc:#1EA03C -type TrueColor BMP3:"$DESKDIR/Album/a_new.bmp"
expect_showing Album 2 1 "$WINDESK\\Album\\pic.bmp" "a new file is listed; the picture stays selected"
[ "$(red_in_preview "$(shot after-file)")" = 1200 ] || fail "the preview lost the picture after the new file"

# The empty folder inside, selected and deleted through the menu.
find_node Album
xdotool mousemove "$BX" "$NY" click 1
wait_for tree_shows Empty || fail "'Album' does not open to show 'Empty'"
xdotool mousemove "$NX" "$NY" click 1
wait_for showing Empty 0 -1 "$WINDESK\\Album\\pic.bmp" || fail "'Empty' is not selected"
menu_key Empty d
prompt() { xdotool search --onlyvisible --name 'Confirm|Delete|Trash' >/dev/null 2>&1; }
wait_for prompt || fail "no prompt to confirm the delete"
xdotool key y  # the prompt's Yes
wait_for test ! -e "$DESKDIR/Album/Empty" || fail "'Empty' is still on disk"
expect_showing Album 2 -1 "$WINDESK\\Album\\pic.bmp" "the deleted folder's parent is selected and listed"
describe_tree
node Empty && fail "the deleted folder's node is still shown"
pixlumen_windows 1 || fail "an error box came up after the delete"
pass "the empty folder deleted through the menu is gone from disk and tree"

# From the keyboard: Shift+Tab from the list to the tree, F2 edits the selected
# folder's name, and its Ctrl keys are the field's: Ctrl+X cuts the name (the
# program stays, the edit too), Ctrl+V puts it back, "2" is added after it.
xdotool mousemove $((LL + 40)) $((LT + 2 + ITEMH / 2)) click 1
xdotool key shift+Tab F2
wait_for tree_editing || fail "F2 opened no label editor"
xdotool key ctrl+x
wait_for tree_editing || fail "Ctrl+X ended the edit (or the program)"
xdotool key ctrl+v End 2 Return
wait_for test -d "$DESKDIR/Album2" || fail "F2, Ctrl+X, Ctrl+V, 2 did not rename to 'Album2': $(ls "$DESKDIR")"
wait_for eval 'describe_tree; [ "$SELNODE" = Album2 ]' || fail "'$SELNODE' is selected after the rename"
grep -qix 'focus SysTreeView32' "$CTL" || fail "after the rename: $(grep '^focus' "$CTL")"
pass "F2 renames; Ctrl+X and Ctrl+V belong to the edited name"
