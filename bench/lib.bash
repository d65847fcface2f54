# Shell functions the benchmark scripts share; sourced, never run on its own
# (not named *.sh, so it is no benchmark itself).

# The median of the numbers on stdin, separated by spaces or new lines.
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

# Milliseconds of each djpeg run (floating-point DCT, to a bitmap) over the
# files given, in $1 rounds over all of them; djpeg options may follow a "--".
# Usage: djpeg_times ROUNDS FILE... [-- OPTION...]
djpeg_times() {
  local rounds=$1 files=() i f t0 t1
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    files+=("$1")
    shift
  done
  [ $# -eq 0 ] || shift
  for i in $(seq 1 "$rounds"); do
    for f in "${files[@]}"; do
      t0=$EPOCHREALTIME
      djpeg -dct float "$@" -bmp -outfile /dev/null "$f"
      t1=$EPOCHREALTIME
      awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.1f ", (b - a) * 1000}'
    done
  done
}
