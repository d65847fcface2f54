#!/usr/bin/env bash
# The full-screen view over 24-megapixel baseline JPEGs: the next picture after
# a Right key (posted key to the picture painted), against libjpeg-turbo's djpeg
# decoding the same files with the floating-point DCT in this run; and the
# repaint of the unchanged view, against a BitBlt of the view's size.
set -euo pipefail
BENCH=$PIX_BUILD/fullscreen_bench.exe
FILES=3
KEYS=${FULLSCREEN_BENCH_KEYS:-9}
command -v djpeg >/dev/null || { echo "BENCH fullscreen failed: djpeg (libjpeg-turbo-progs) is missing"; exit 1; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-fullscreen-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

wine "$BENCH" make "$(winepath -w "$dir")" "$FILES"
out=$(wine "$BENCH" run "$(winepath -w "$dir")" "$KEYS" | tr -d '\r')
grep -v '^key ' <<<"$out" | sed 's/^/# /' >&2 || true

# djpeg over the files in the order the keys visit them.
ref=$(for i in $(seq 1 "$KEYS"); do
  f=$dir/$((i % FILES)).jpg
  t0=$EPOCHREALTIME
  djpeg -dct float -bmp -outfile /dev/null "$f"
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.1f ", (b - a) * 1000}'
done | median)
ours=$(sed -n 's/^key //p' <<<"$out" | median)
awk -v a="$ours" -v b="$ref" 'BEGIN {
  printf "BENCH fullscreen_next_24mp %.1f ms ratio %.2f vs djpeg_float_bmp (%.1f ms; goal 1.3)\n", a, a / b, b }'
read -r _ repaint _ blit _ rereduce _ size < <(grep '^repaint ' <<<"$out")
awk -v a="$repaint" -v b="$blit" -v c="$rereduce" -v s="$size" 'BEGIN {
  printf "BENCH fullscreen_repaint_24mp %.2f ms ratio %.2f vs bitblt_%s (%.2f ms; goal 3; reducing afresh %.2f ms)\n", a, a / b, s, b, c }'
