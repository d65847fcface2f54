#!/usr/bin/env bash
# JPEG: load plus first draw of 24-megapixel files (baseline, progressive,
# grayscale) into a 1280 x 960 view, against libjpeg-turbo's own djpeg decoding
# the same file to a bitmap with the floating-point DCT, natively, in this run.
# Then the peak working set while a baseline or progressive picture is shown, against its
# 24-bit pixels plus the file's bytes. Last the baseline photo tagged to be turned
# 90 degrees clockwise (Exif orientation 6), against the untagged one in this run,
# and its peak beside the untagged one's.
set -euo pipefail
BENCH=$PIX_BUILD/jpeg_bench.exe
REPEATS=${JPEG_BENCH_REPEATS:-5}
SIZE=(6000 4000)
# Short mode (PIX_BENCH_SHORT=1): small pictures, one repeat; the figures prove only that it runs.
[ -z "${PIX_BENCH_SHORT:-}" ] || { REPEATS=1; SIZE=(600 400); }
command -v djpeg >/dev/null || { echo "BENCH jpeg failed: djpeg (libjpeg-turbo-progs) is missing"; exit 1; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-jpeg-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

source "$(dirname "$0")/lib.bash"

for kind in baseline progressive gray; do
  file=$dir/$kind.jpg
  wine "$BENCH" make "$kind" "$(winepath -w "$file")" "${SIZE[@]}"
  out=$(wine "$BENCH" run "$(winepath -w "$file")" "$REPEATS" | tr -d '\r')
  ours=$(sed -n 's/^ms //p' <<<"$out" | median)
  ref=$(djpeg_times "$REPEATS" "$file" | median)
  ratio=$(awk -v a="$ours" -v b="$ref" 'BEGIN {printf "%.2f", a / b}')
  [ "$kind" != baseline ] || baseline_ms=$ours
  echo "BENCH jpeg_${kind}_24mp_load_draw $ours ms ratio $ratio vs djpeg_float_bmp ($ref ms)"
  if [ "$kind" = gray ]; then
    # The picture's own output: 236 grays with Floyd-Steinberg dithering.
    ref=$(djpeg_times "$REPEATS" "$file" -- -colors 236 -dither fs | median)
    ratio=$(awk -v a="$ours" -v b="$ref" 'BEGIN {printf "%.2f", a / b}')
    echo "BENCH jpeg_gray_24mp_load_draw_236 $ours ms ratio $ratio vs djpeg_float_236_fs_bmp ($ref ms)"
  fi
  if [ "$kind" = baseline ] || [ "$kind" = progressive ]; then
    # The peak of a process that showed the picture once.
    out1=$(wine "$BENCH" run "$(winepath -w "$file")" 1 | tr -d '\r')
    read -r _ peak _ w h size < <(grep '^peak ' <<<"$out1")
    [ "$kind" != baseline ] || baseline_peak=$peak
    awk -v p="$peak" -v w="$w" -v h="$h" -v s="$size" -v k="$kind" 'BEGIN {
      base = w * h * 3 + s
      printf "BENCH jpeg_%s_peak_working_set %.1f MB ratio %.2f vs pixels_x3_plus_file (%.1f MB; goal %.1f MB = 1.1x + 30 MB)\n",
        k, p / 1048576, p / base, base / 1048576, (1.1 * base) / 1048576 + 30 }'
  fi
done

file=$dir/rotated.jpg
wine "$BENCH" make rotated "$(winepath -w "$file")" "${SIZE[@]}"
out=$(wine "$BENCH" run "$(winepath -w "$file")" "$REPEATS" | tr -d '\r')
ours=$(sed -n 's/^ms //p' <<<"$out" | median)
ratio=$(awk -v a="$ours" -v b="$baseline_ms" 'BEGIN {printf "%.2f", a / b}')
echo "BENCH jpeg_24mp_rotated $ours ms ratio $ratio vs jpeg_baseline_24mp_load_draw ($baseline_ms ms; goal 1.10)"
out1=$(wine "$BENCH" run "$(winepath -w "$file")" 1 | tr -d '\r')
read -r _ peak _ w h size < <(grep '^peak ' <<<"$out1")
awk -v p="$peak" -v b="$baseline_peak" -v w="$w" -v h="$h" 'BEGIN {
  printf "BENCH jpeg_24mp_rotated_peak_working_set %.1f MB ratio %.3f vs jpeg_baseline_peak_working_set (%.1f MB; goal 1.05; shown %dx%d)\n",
    p / 1048576, p / b, b / 1048576, w, h }'
