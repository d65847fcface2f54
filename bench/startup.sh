#!/usr/bin/env bash
# Start-up: from launch until the main window is shown, listing the prefix's
# desktop folder (the program starts there), against Wine's own notepad started
# the same way on the same prefix until its window shows. Medians of runs taken
# in turns, after one warm-up of each. Details go to stderr.
set -euo pipefail
source "$(dirname "$0")/lib.bash"
app=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-startup-bench.XXXXXX")
trap 'rm -rf "$app"' EXIT
cp "$PIX_BUILD/Pixlumen.exe" "$app/"
desktop=$(wine cmd /c echo %USERPROFILE%\\Desktop 2>/dev/null | tr -d '\r')
desktop=$(winepath -u "$desktop" 2>/dev/null)
mkdir -p "$desktop"

now_ms() { date +%s%3N; }

# True when a visible window titled like $1 is up that is not among the ids in $2.
new_window() {
  local id
  for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
    case " $2 " in *" $id "*) ;; *) return 0 ;; esac
  done
  return 1
}

# Launches "$@" from the desktop folder and prints the milliseconds until a
# visible window whose title matches $1 appears; then ends that process.
time_to_window() {
  local title=$1; shift
  local start pid i t before
  # Only a window this launch made counts, not one an earlier run leaves behind.
  before=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | tr '\n' ' ' || true)
  start=$(now_ms)
  (cd "$desktop" && exec wine "$@" >/dev/null 2>&1) &
  pid=$!
  t=
  for i in $(seq 1 3000); do
    if new_window "$title" "$before"; then
      t=$(($(now_ms) - start))
      break
    fi
    sleep 0.01
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for i in $(seq 1 100); do
    xdotool search --onlyvisible --name "$title" >/dev/null 2>&1 || break
    sleep 0.05
  done
  echo "${t:-timeout}"
}

# Short mode (PIX_BENCH_SHORT=1): one launch of each, no warm-up.
runs=$(seq 1 9)
if [ -z "${PIX_BENCH_SHORT:-}" ]; then
  time_to_window '^Pixlumen$' "$app/Pixlumen.exe" >/dev/null
  time_to_window 'Notepad$' notepad >/dev/null
else
  runs=1
fi
ours=() theirs=()
for run in $runs; do
  ours+=("$(time_to_window '^Pixlumen$' "$app/Pixlumen.exe")")
  theirs+=("$(time_to_window 'Notepad$' notepad)")
done
echo "# Pixlumen: ${ours[*]} ms; notepad: ${theirs[*]} ms" >&2
if printf '%s\n' "${ours[@]}" "${theirs[@]}" | grep -q timeout; then
  echo "BENCH startup failed: a window did not show"
  exit 0
fi
a=$(printf '%s\n' "${ours[@]}" | median)
b=$(printf '%s\n' "${theirs[@]}" | median)
echo "BENCH startup $a ms ratio $(awk -v a="$a" -v b="$b" 'BEGIN {printf "%.2f", a / b}') vs notepad"
