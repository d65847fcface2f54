#!/usr/bin/env bash
# A picture deep in the folder tree, opened by typing its path into the open
# dialog: the status bar's path panel keeps the drive and the file's name, and
# the folders in between give way to an ellipsis.
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)
TITLE="Выберите файл с рисунком"

deep=$WORK/pics winpath=$WINDESK
for i in 1 2 3 4 5; do
  deep=$deep/a_folder_with_a_long_name_$i winpath="$winpath\\a_folder_with_a_long_name_$i"
done
mkdir -p "$deep"
solid_bmp "$deep/last.bmp" 40 30 200 40 30
file="$winpath\\last.bmp"

e2e_start "$WORK/pics"
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
wait_for describe_main || fail "could not read the main window"
xdotool mousemove $((SR + 40)) $((CT + 40)) click 1
xdotool key ctrl+o
wait_window "$TITLE" >/dev/null || fail "the open dialog did not appear"
xdotool type --delay 10 "$file"
xdotool key Return
wait_gone "$TITLE" || fail "Enter did not confirm the dialog"
wait_for eval 'describe_main; [ "$PANEL1" = 40x30 ]' ||
  fail "the deep picture is not described: '$PANEL0' '$PANEL1' '$PANEL2'"

[ "$PANEL2" != "$file" ] || fail "the whole path shows in a panel too narrow for it: $PANEL2"
[ "${PANEL2:0:3}" = "C:\\" ] || fail "the shortened path lost its drive: $PANEL2"
case $PANEL2 in *"\\a_folder_with_a_long_name_5\\last.bmp") ;;
  *) fail "the shortened path lost the file's name or its folder: $PANEL2" ;; esac
[ ${#PANEL2} -lt ${#file} ] || fail "the path was not shortened: $PANEL2"
pass "the deep path shows as '$PANEL2'"
