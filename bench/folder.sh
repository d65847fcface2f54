#!/usr/bin/env bash
# Refilling the file list for 10,000 and 100,000 matching files against the bare
# FindFirstFileA enumeration of the same folder, in the same run. Details go to
# stderr.
set -euo pipefail
dir=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-folder-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
# Names created in a scattered order, so the enumeration is not sorted.
# Short mode (PIX_BENCH_SHORT=1): small folders, one run; the figures prove only that it runs.
short=${PIX_BENCH_SHORT:+1}
python3 - "$dir" "${short:-0}" <<'PY'
import os, sys
scale = 100 if sys.argv[2] == "1" else 1
for count, sub in ((10000 // scale, "f10k"), (100000 // scale, "f100k")):
    d = os.path.join(sys.argv[1], sub)
    os.mkdir(d)
    for i in range(count):
        k = (i * 7919) % count
        open(os.path.join(d, "Photo %06d.bmp" % k), "w").close()
PY
for run in "refill_10k f10k 7" "refill_100k f100k 5"; do
  read -r name sub repeats <<<"$run"
  [ -z "$short" ] || repeats=1
  out=$(wine "$PIX_BUILD/folder_bench.exe" "$name" "$(winepath -w "$dir/$sub")" "$repeats" 2>&1 | tr -d '\r')
  grep '^# ' <<<"$out" >&2 || true
  grep '^BENCH ' <<<"$out" || echo "BENCH $name failed: $(tail -1 <<<"$out")"
done
