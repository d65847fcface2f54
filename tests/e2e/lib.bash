# Shared steps of the end-to-end tests: a Wine virtual desktop on this run's Xvfb,
# the real executable in it, real X input through xdotool, screenshots with import.
# Sourced by the tests; expects WINEPREFIX and DISPLAY from script/wine-env.
set -euo pipefail
EXE=$(readlink -f "$1")
WORK=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-e2e.XXXXXX")
DESK=pix$$
PID=
trap 'e2e_stop; restore_desktop; [ -n "${KEEP:-}" ] || rm -rf "$WORK"' EXIT

# Writes 24-bit bitmaps of one colour each: solid_bmp FILE W H R G B [FILE W H R G B ...]
solid_bmp() {
  python3 - "$@" <<'PY'
import struct, sys
a = sys.argv[1:]
for i in range(0, len(a), 6):
    path, w, h, r, g, b = a[i], *map(int, a[i + 1:i + 6])
    row = bytes((b, g, r)) * w
    row += b"\0" * ((4 - len(row) % 4) % 4)
    data = row * h
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54) + info + data)
PY
}
fail() { echo "FAIL: $*" >&2; [ -n "${SHOT:-}" ] || shot failure; exit 1; }
pass() { echo "PASS: $*"; }

# The prefix's desktop folder, the folder tree's root: the program starts there.
# Only in the test run's own prefix, never in a user's.
[ -n "${PIX_WINENV:-}" ] && [ "$WINEPREFIX" = "$PIX_WINENV/prefix" ] || {
  echo "FAIL: run through script/wine-env" >&2; exit 1; }
DESKTOP=$(ls -d "$WINEPREFIX"/drive_c/users/*/Desktop | grep -v '/Public/' | head -1)
WINDESK="C:\\users\\$(basename "$(dirname "$DESKTOP")")\\Desktop"

# Makes folder $1 the prefix's desktop (the desktop folder becomes a link to it).
use_desktop() {
  if [ -L "$DESKTOP" ]; then rm -f "$DESKTOP"; else rm -rf "$DESKTOP"; fi
  ln -s "$1" "$DESKTOP"
}

# Starts the program (copied into $WORK/app with anything it needs) in a virtual
# desktop, with folder $1 as the prefix's desktop (default: an empty folder).
e2e_start() {
  mkdir -p "$WORK/app" "$WORK/desktop"
  cp "$EXE" "$WORK/app/Pixlumen.exe"
  local dir=${1:-$WORK/desktop}
  use_desktop "$dir"
  (cd "$dir" && exec wine explorer "/desktop=$DESK,1024x768" "$WORK/app/Pixlumen.exe" >/dev/null 2>&1) &
  PID=$!
}

# Runs a check until it succeeds, for at most about ten seconds (WAIT_TRIES polls
# 0.2 s apart: a caller that knows better sets its own).
wait_for() {
  local i
  for ((i = 0; i < ${WAIT_TRIES:-50}; i++)); do "$@" && return 0; sleep 0.2; done
  return 1
}

# The X id of a mapped window with this exact title; fails when there is none.
window_id() {
  local id
  id=$(xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null | head -1 || true)
  [ -n "$id" ] && echo "$id"
}
# Waits until a window with this exact title is mapped; prints its X id. A first
# start on a busy machine can take a while: allow a minute.
wait_window() { WAIT_TRIES=300 wait_for window_id "$1"; }
window_absent() { ! window_id "$1" >/dev/null; }
wait_gone() { WAIT_TRIES=100 wait_for window_absent "$1"; }

# Runs a helper program inside the program's virtual desktop; it writes into
# file $1, which must appear within ten seconds.
helper() {
  local out=$1; shift
  rm -f "$out"
  wine explorer "/desktop=$DESK" "$@" >/dev/null 2>&1 || true
  wait_for test -s "$out"
}

# A helper program built beside Pixlumen.exe; prints its path or fails.
need_helper() {
  local h=${PIX_BUILD:-$(dirname "$EXE")}/$1
  [ -f "$h" ] || fail "helper $h is missing"
  echo "$h"
}

# Reads the main window's layout and status bar through window_controls.exe
# (path in $CONTROLS) into CTL (the file) and variables, in desktop pixels:
# client CL CT CR CB; list LL LT LR LB with ITEMS ITEMH SEL; splitter SL ST_ SR SB;
# status bar BL BT BR BB (ST = BT); the toolbar's bottom TB; the navigation
# pane's right edge NR; panel texts PANEL0..PANEL2 without their centring tab.
describe_main() {
  CTL=$WORK/controls.txt
  CL= CT= CR= CB= LL= LT= LR= LB= ITEMS= ITEMH= SEL= SL= ST_= SR= SB= BL= BT= BR= BB= TB= NR=
  helper "$CTL" "$CONTROLS" "$(winepath -w "$CTL")" Pixlumen || fail "could not describe the main window"
  read -r _ CL CT CR CB < <(grep '^client ' "$CTL") || true
  read -r _ _ LL LT LR LB < <(grep -i '^child listbox ' "$CTL") || true
  read -r _ ITEMS ITEMH SEL < <(grep '^items ' "$CTL") || true
  read -r _ _ SL ST_ SR SB < <(grep -i '^child PixlumenSplitterWE ' "$CTL") || true
  read -r _ _ BL BT BR BB < <(grep -i '^child msctls_statusbar32 ' "$CTL") || true
  ST=$BT
  # The toolbar spans the client area's top; the navigation pane starts below it
  # at the left edge: the preview fills what is right of it and above the status bar.
  TB=$(awk -v l="$CL" -v t="$CT" -v r="$CR" '$1=="child" && $3==l && $4==t && $5==r {print $6}' "$CTL" | head -1)
  NR=$(awk -v l="$CL" -v t="${TB:-$CT}" '$1=="child" && $3==l && $4==t {print $5}' "$CTL" | head -1)
  PANEL0=$(sed -n 's/^panel 0 //p' "$CTL" | tr -d '\t')
  PANEL1=$(sed -n 's/^panel 1 //p' "$CTL" | tr -d '\t')
  PANEL2=$(sed -n 's/^panel 2 //p' "$CTL" | tr -d '\t')
}

# Checks for wait_for: the list holds N entries; entry N is selected.
main_items() { describe_main; [ "$ITEMS" = "$1" ]; }
main_selected() { describe_main; [ "$SEL" = "$1" ]; }
# N visible windows are captioned Pixlumen (the main window and an error box make two).
pixlumen_windows() { [ "$(xdotool search --onlyvisible --name '^Pixlumen$' | wc -l)" = "$1" ]; }

# Screenshot of the whole display into $WORK/NAME.png; prints the path.
shot() {
  SHOT=1 import -window root "$WORK/$1.png" 2>/dev/null || true
  echo "$WORK/$1.png"
}

# Pixels of the pictures' red (#C8281E) in screenshot $1 inside the preview (right of
# the splitter, below the bar, above the status bar), after describe_main.
red_in_preview() {
  convert "$1" -crop "$((CR - SR))x$((BT - TB))+$SR+$TB" +repage \
    -fill black +opaque "#C8281E" -fill white -opaque "#C8281E" -format '%[fx:round(mean*w*h)]' info:
}

# The program's windows through listwindows.exe (path in $LIST), one per line.
windows() {
  local out=$WORK/windows.txt
  helper "$out" "$LIST" "$(winepath -w "$out")" || fail "the window list was not written"
  WINDOWS=$(cat "$out")
}
# A visible window of class $1 (captioned $2 when given) in the program's process.
shown() {
  windows
  awk -F'\t' -v c="$1" -v t="${2-}" '$1 == 1 && $5 == c && (t == "" || $3 == t)' <<<"$WINDOWS" | grep -q .
}
not_shown() { ! shown "$@"; }

# Colour of one pixel of a screenshot as rrggbb.
pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -1 | grep -o '#[0-9A-F]\{6\}' | tr -d '#'
}

# True when screenshot pixel ($2,$3) of $1 is within 48 of colour $4 (rrggbb) on
# every channel.
near() {
  local got; got=$(pixel "$1" "$2" "$3")
  local i d
  for i in 0 2 4; do
    d=$(( 16#${got:i:2} - 16#${4:i:2} )); d=${d#-}
    [ "$d" -le 48 ] || { echo "pixel ($2,$3) is $got, expected $4" >&2; return 1; }
  done
}

# The folder tree's node labelled $1 in the last description (CTL): its label's
# centre NX NY, flags NSEL NEXP NKIDS and button BX; false when no node has it.
node() {
  local line
  line=$(grep '^node ' "$CTL" | while IFS= read -r l; do
    [ "$(cut -d' ' -f10- <<<"$l")" = "$1" ] && { echo "$l"; break; }; done)
  [ -n "$line" ] || return 1
  local l t r b
  read -r _ l t r b NSEL NEXP NKIDS BX _ <<<"$line"
  NX=$(( (l + r) / 2 )) NY=$(( (t + b) / 2 ))
}
# describe_main, and SELNODE: the label of the tree's selected node.
describe_tree() {
  describe_main
  SELNODE=$(awk '$1=="node" && $6==1 {print; exit}' "$CTL" | cut -d' ' -f10-)
}
# Checks for wait_for: node $1 is in the tree (node's variables set); a label is
# being edited.
tree_shows() { describe_tree; node "$1"; }
tree_editing() { describe_tree; grep -qi '^child edit ' "$CTL"; }
# Finds node $1 in the tree (NX NY: where to click it).
find_node() { describe_tree; node "$1" || fail "no node '$1': $(grep '^node' "$CTL")"; }
# Right-click on node $1, then the menu item's key $2.
menu_key() {
  find_node "$1"
  import -window root "$WORK/before-menu.png"
  xdotool mousemove "$NX" "$NY" click 3
  menu_shown() {
    import -window root "$WORK/now.png" 2>/dev/null
    [ "$(convert "$WORK/before-menu.png" -crop "120x60+$NX+$NY" -format '%#' info:)" != \
      "$(convert "$WORK/now.png" -crop "120x60+$NX+$NY" -format '%#' info:)" ]
  }
  wait_for menu_shown || fail "no menu after the right-click on '$1'"
  xdotool key "$2"
}

# Window geometry in desktop pixels: sets X Y W H. (xwininfo: xdotool reports a
# window inside the Wine desktop at twice its offset.)
geometry() {
  local info; info=$(xwininfo -id "$1")
  X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  W=$(awk '/Width:/ {print $NF}' <<<"$info")
  H=$(awk '/Height:/ {print $NF}' <<<"$info")
}

# Ends this test's copy of the program, found by its path (it is not a child of
# the shell), so no window titled Pixlumen is left for the next test to find.
program_gone() {
  local left
  left=$(pgrep -f "$WORK/app/Pixlumen.exe" || true)
  [ -z "$left" ] && return 0
  kill $left 2>/dev/null || true
  return 1
}
e2e_stop() {
  if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
    wine explorer /desktop="$DESK",shutdown >/dev/null 2>&1 || true
    WAIT_TRIES=3 wait_for eval "! kill -0 $PID 2>/dev/null" || kill "$PID" 2>/dev/null || true
  fi
  PID=
  WAIT_TRIES=15 wait_for program_gone || kill -9 $(pgrep -f "$WORK/app/Pixlumen.exe") 2>/dev/null || true
}

# The desktop folder goes back to an empty folder of the prefix's own.
restore_desktop() {
  if [ -L "$DESKTOP" ]; then rm -f "$DESKTOP"; mkdir -p "$DESKTOP"; fi
}
