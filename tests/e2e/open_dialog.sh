#!/usr/bin/env bash
# The open command with real X input: the dialog opens over the main window; the
# user types another folder into its name box, clicks a file in its view and
# steps to the next with Down, the preview pane's label following each; Enter
# confirms. The main window's list has moved to that folder with the file
# selected, the status bar describes it, and the next key in the list goes on
# from there. (The open command is posted to the main window as its menu item
# will send it: the menu and Ctrl+O come with the commands.)
source "$(dirname "$0")/lib.bash" "$@"
CONTROLS=$(need_helper window_controls.exe)
DIALOG=$(need_helper open_dialog.exe)
TITLE="Выберите файл с рисунком"

# The second folder sits on the desktop, where the tree reaches it.
PICS=$WORK/pics OTHER=$WORK/pics/other
mkdir -p "$PICS" "$OTHER"
solid_bmp "$PICS/a_red.bmp" 64 48 200 40 30 "$OTHER/c_blue.bmp" 50 50 40 60 200 \
  "$OTHER/e_wide.bmp" 96 32 30 160 60
WINOTHER="$WINDESK\\other"

# The dialog's file view, its entries and the pane's texts: VL VT VR VB, VIEWITEMS,
# LABEL, CAPTION.
describe_dialog() {
  local out=$WORK/dialog.txt
  helper "$out" "$DIALOG" "$(winepath -w "$out")" describe || return 1
  read -r _ VL VT VR VB < <(grep '^view ' "$out") || true
  VIEWITEMS=$(sed -n 's/^items //p' "$out")
  LABEL=$(sed -n 's/^label //p' "$out")
  CAPTION=$(sed -n 's/^caption //p' "$out")
}
label_is() { describe_dialog && [ "$LABEL" = "$1" ]; }

e2e_start "$PICS"
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
wait_for eval 'describe_main; [ "$ITEMS" = 1 ]' || fail "the list does not show a_red.bmp"
pass "started in the first folder"

# A click on the preview gives the window the keyboard; Ctrl+O opens the dialog.
xdotool mousemove $((SR + 40)) $((CT + 40)) click 1
xdotool key ctrl+o
wait_window "$TITLE" >/dev/null || fail "the open dialog did not appear"
wait_for eval 'describe_dialog' || fail "could not read the dialog"
[ "$CAPTION" = "(None)" ] || fail "the pane opens with the caption '$CAPTION', expected (None)"
pass "the dialog is open with an empty pane"

# The name box has the focus: another folder typed there and Enter go there.
xdotool type --delay 20 "$WINOTHER"
xdotool key Return
wait_for eval 'describe_dialog && [ "$VIEWITEMS" = 2 ]' ||
  fail "the dialog's view shows $VIEWITEMS entries, expected the other folder's two"
# The view lists in columns from its top-left corner: c_blue.bmp first.
xdotool mousemove $((VL + 30)) $((VT + 10)) click 1
wait_for eval 'label_is " (50x50)"' || fail "clicking c_blue.bmp: the pane's label reads '$LABEL'"
[ -z "$CAPTION" ] || fail "the pane's caption is '$CAPTION' over a picture"
pass "clicked c_blue.bmp: the pane reads ' (50x50)'"
xdotool key Down
wait_for eval 'label_is " (96x32)"' || fail "Down to e_wide.bmp: the pane's label reads '$LABEL'"
pass "Down to e_wide.bmp: the pane reads ' (96x32)'"

# Tab reaches the preview button, then the picture; Space there opens the larger
# preview and Esc closes it; as many Shift+Tabs go back to the file view.
focus_is() { describe_main; grep -qix "focus $1" "$CTL"; }
tabs=0
until focus_is PixlumenSpeedButton; do
  ((tabs++ < 12)) || fail "Tab never reached the preview button: $(grep '^focus' "$CTL")"
  xdotool key Tab
done
xdotool key Tab
wait_for focus_is PixlumenImage || fail "Tab after the preview button: $(grep '^focus' "$CTL")"
xdotool key space
wait_window Preview >/dev/null || fail "Space on the picture opened no preview window"
xdotool key Escape
wait_gone Preview || fail "Esc did not close the preview window"
for ((i = 0; i <= tabs; i++)); do xdotool key shift+Tab; done
wait_for focus_is SysListView32 || fail "Shift+Tab back: $(grep '^focus' "$CTL")"
pass "Tab reaches the preview button and the picture, Space opens the preview"

xdotool key Return
wait_gone "$TITLE" || fail "Enter did not confirm the dialog"
wait_for eval 'describe_main; [ "$SEL" = 1 ] && [ "$PANEL2" = "$WINOTHER\\e_wide.bmp" ]' ||
  fail "after the dialog: $ITEMS entries, selected $SEL, status bar '$PANEL0' '$PANEL1' '$PANEL2'"
[ "$ITEMS" = 2 ] || fail "the list shows $ITEMS entries, expected the other folder's two"
[ "$PANEL1" = 96x32 ] || fail "the status bar says '$PANEL1', expected 96x32"
pass "the list moved to the other folder with e_wide.bmp selected; the status bar describes it"

# The keyboard is back in the list: Up goes on from the chosen file.
xdotool key Up
wait_for eval 'describe_main; [ "$SEL" = 0 ] && [ "$PANEL1" = 50x50 ]' ||
  fail "Up after the dialog: selected $SEL, status bar '$PANEL1' '$PANEL2'"
pass "Up in the list selects c_blue.bmp and shows it"
