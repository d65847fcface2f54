#!/usr/bin/env bash
# Stepping through a folder of 24-megapixel baseline JPEGs with reading ahead,
# each figure against libjpeg-turbo's djpeg decoding the same files with the
# floating-point DCT in this run: the next picture in the full-screen view and
# in the main list (preview reduced to fit) after a pause of one decode, the
# picture after the last of 20 Right keys posted 33 ms apart; and the peak working
# set of the full-screen walk with reading ahead against the same walk without.
set -euo pipefail
BENCH=$PIX_BUILD/readahead_bench.exe
FILES=6 KEYS=4 HELD=20 REPEATS=3
SIZE=(6000 4000)
# Short mode (PIX_BENCH_SHORT=1): small pictures, few keys; the figures prove only that it runs.
[ -z "${PIX_BENCH_SHORT:-}" ] || { FILES=4 KEYS=2 HELD=4 REPEATS=1 SIZE=(600 400); }
command -v djpeg >/dev/null || { echo "BENCH readahead failed: djpeg (libjpeg-turbo-progs) is missing"; exit 1; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-readahead-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

source "$(dirname "$0")/lib.bash"
# Runs the bench; prints its milliseconds, its other lines to stderr.
ours() {
  local out
  out=$(wine "$BENCH" "$@" | tr -d '\r')
  grep -v '^ms ' <<<"$out" | sed 's/^/# /' >&2 || true
  sed -n 's/^ms //p' <<<"$out"
}

w=$(winepath -w "$dir")
wine "$PIX_BUILD/fullscreen_bench.exe" make "$w" "$FILES" "${SIZE[@]}"
ref=$(djpeg_times "$REPEATS" "$dir"/*.jpg | median)
full="" list="" held=""
for round in $(seq 1 "$REPEATS"); do
  full+=" $(ours fullscreen "$w" "$KEYS" "$ref")"
  list+=" $(ours list "$w" "$KEYS" "$ref")"
  held+=" $(ours held "$w" "$HELD" 33)"
done
ref2=$(djpeg_times "$REPEATS" "$dir"/*.jpg | median)
ref=$(awk -v a="$ref" -v b="$ref2" 'BEGIN {printf "%.1f", (a + b) / 2}')
for fig in "fullscreen_after_pause_24mp:$full:0.2" "list_after_pause_24mp:$list:0.2" "held_key_24mp:$held:1.1"; do
  IFS=: read -r name values goal <<<"$fig"
  [ -n "${values// /}" ] || { echo "BENCH $name failed: nothing measured"; continue; }
  m=$(median <<<"$values")
  awk -v n="$name" -v a="$m" -v b="$ref" -v g="$goal" 'BEGIN {
    printf "BENCH %s %.1f ms ratio %.2f vs djpeg_float_bmp (%.1f ms; goal %s)\n", n, a, a / b, b, g }'
done
read -r _ on pw ph < <(wine "$BENCH" peak "$w" "$KEYS" "$ref" on | tr -d '\r' | grep '^peak ')
read -r _ off _ _ < <(wine "$BENCH" peak "$w" "$KEYS" "$ref" off | tr -d '\r' | grep '^peak ')
awk -v a="$on" -v b="$off" -v w="$pw" -v h="$ph" 'BEGIN {
  pic = w * h * 3
  printf "BENCH readahead_peak_working_set %.1f MB ratio %.2f vs without_readahead (%.1f MB; %.2f pictures of %.1f MB above it; goal 2)\n",
    a / 1048576, a / b, b / 1048576, (a - b) / pic, pic / 1048576 }'
