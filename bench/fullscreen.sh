#!/usr/bin/env bash
# The full-screen view over 24-megapixel baseline JPEGs: the next picture after
# a Right key (posted key to the picture painted), against libjpeg-turbo's djpeg
# decoding the same files with the floating-point DCT in this run; and the
# repaint of the unchanged view, against the same repaint of a window whose paint
# is a plain BitBlt of the view's size, and the view's drawing alone against a
# bare BitBlt onto the same window. Rounds of ours and djpeg's alternate, so
# both meet the same load on a shared machine.
set -euo pipefail
BENCH=$PIX_BUILD/fullscreen_bench.exe
FILES=3
ROUNDS=${FULLSCREEN_BENCH_ROUNDS:-3}
KEYS=${FULLSCREEN_BENCH_KEYS:-4}
SIZE=(6000 4000)
# Short mode (PIX_BENCH_SHORT=1): small pictures, one round; the figures prove only that it runs.
[ -z "${PIX_BENCH_SHORT:-}" ] || { ROUNDS=1; KEYS=2; SIZE=(600 400); }
command -v djpeg >/dev/null || { echo "BENCH fullscreen failed: djpeg (libjpeg-turbo-progs) is missing"; exit 1; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-fullscreen-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

source "$(dirname "$0")/lib.bash"

wine "$BENCH" make "$(winepath -w "$dir")" "$FILES" "${SIZE[@]}"
ours= ref= repaint= blit= rereduce= draw= bare=
for round in $(seq 1 "$ROUNDS"); do
  out=$(wine "$BENCH" run "$(winepath -w "$dir")" "$KEYS" | tr -d '\r')
  grep -v '^key ' <<<"$out" | sed 's/^/# /' >&2 || true
  ours+=" $(sed -n 's/^key //p' <<<"$out")"
  read -r _ r _ b _ rr _ size < <(grep '^repaint ' <<<"$out")
  repaint+=" $r" blit+=" $b" rereduce+=" $rr"
  read -r _ d _ bb < <(grep '^draw ' <<<"$out")
  draw+=" $d" bare+=" $bb"
  # djpeg over the files in the order the keys visit them.
  for i in $(seq 1 "$KEYS"); do
    ref+=" $(djpeg_times 1 "$dir/$((i % FILES)).jpg")"
  done
done
ours=$(median <<<"$ours") ref=$(median <<<"$ref")
repaint=$(median <<<"$repaint") blit=$(median <<<"$blit") rereduce=$(median <<<"$rereduce")
draw=$(median <<<"$draw") bare=$(median <<<"$bare")
awk -v a="$ours" -v b="$ref" 'BEGIN {
  printf "BENCH fullscreen_next_24mp %.1f ms ratio %.2f vs djpeg_float_bmp (%.1f ms; goal 1.3)\n", a, a / b, b }'
awk -v a="$repaint" -v b="$blit" -v c="$rereduce" -v s="$size" 'BEGIN {
  printf "BENCH fullscreen_repaint_24mp %.2f ms ratio %.2f vs bitblt_paint_%s (%.2f ms; goal 3; reducing afresh each time %.2f ms)\n", a, a / b, s, b, c }'
awk -v a="$draw" -v b="$bare" -v s="$size" 'BEGIN {
  printf "BENCH fullscreen_draw_24mp %.2f ms ratio %.2f vs bitblt_%s (%.2f ms; the drawing alone, no paint cycle)\n", a, a / b, s, b }'
