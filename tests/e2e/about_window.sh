#!/usr/bin/env bash
# The about window exists from start-up, hidden, owned by the main window of the
# same process; the main window is the one shown.
source "$(dirname "$0")/lib.bash" "$@"
LIST=$(need_helper listwindows.exe)

e2e_start
wait_window Pixlumen >/dev/null || fail "no window titled Pixlumen appeared"
pass "main window is up"

# The helper joins the program's virtual desktop, so it sees the same windows.
out="$WORK/windows.txt"
wine explorer "/desktop=$DESK" "$LIST" "$(winepath -w "$out")" >/dev/null 2>&1 || true
wait_for test -s "$out" || fail "the window list was not written"

main=$(awk -F'\t' '$3 == "Pixlumen"' "$out")
about=$(awk -F'\t' '$3 == "О программе"' "$out")
[ "$(printf '%s\n' "$main" | grep -c .)" = 1 ] || fail "expected one main window: $(cat "$out")"
[ "$(printf '%s\n' "$about" | grep -c .)" = 1 ] || fail "expected one about window: $(cat "$out")"
[ "$(cut -f1 <<<"$main")" = 1 ] || fail "main window not visible: $main"
[ "$(cut -f1 <<<"$about")" = 0 ] || fail "about window is shown at start-up: $about"
[ "$(cut -f2 <<<"$about")" = "$(cut -f2 <<<"$main")" ] || fail "about window of another process"
[ "$(cut -f4 <<<"$about")" = Pixlumen ] || fail "about window not owned by the main window: $about"
pass "about window exists hidden, owned by the main window"
