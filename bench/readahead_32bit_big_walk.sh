#!/usr/bin/env bash
# The 32-bit build steps with Right through a folder of three 100-megapixel
# baseline JPEGs in the full-screen view, a pause of one decode after each
# picture: every picture must show (else the figure is "failed"), and the peak
# working set with reading ahead is set against the same walk without it. The
# goal: no more above it than the larger of one picture's pixels and 10 %.
set -euo pipefail
BENCH=$PIX_BUILD/readahead_bench.exe
FILES=3 KEYS=3
SIZE=(12000 8334)
# Short mode (PIX_BENCH_SHORT=1): small pictures; the figure proves only that it runs.
[ -z "${PIX_BENCH_SHORT:-}" ] || SIZE=(1200 834)
command -v djpeg >/dev/null || { echo "BENCH readahead_32bit_big_walk failed: djpeg (libjpeg-turbo-progs) is missing"; exit 1; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-bigwalk-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

source "$(dirname "$0")/lib.bash"
w=$(winepath -w "$dir")
wine "$PIX_BUILD/fullscreen_bench.exe" make "$w" "$FILES" "${SIZE[@]}"
pause=$(djpeg_times 1 "$dir"/*.jpg | median)
# Prints "<peak bytes> <width> <height>", or nothing when a picture failed.
walk() { wine "$BENCH" peak "$w" "$KEYS" "$pause" "$1" 2>&1 | tr -d '\r' | sed -n 's/^peak //p' || true; }
read -r on pw ph <<<"$(walk on)" || true
read -r off _ _ <<<"$(walk off)" || true
if [ -z "${on:-}" ] || [ -z "${off:-}" ]; then
  echo "BENCH readahead_32bit_big_walk failed: a picture did not show (with: ${on:-failed}, without: ${off:-failed})"
  exit 0
fi
awk -v a="$on" -v b="$off" -v w="$pw" -v h="$ph" 'BEGIN {
  pic = w * h * 3; allowed = (pic > b / 10) ? pic : b / 10
  printf "BENCH readahead_32bit_big_walk %.1f MB ratio %.2f vs without_readahead (%.1f MB; %.1f MB above it, %.2f pictures of %.1f MB; goal: at most %.1f MB above)\n",
    a / 1048576, a / b, b / 1048576, (a - b) / 1048576, (a - b) / pic, pic / 1048576, allowed / 1048576 }'
