#!/usr/bin/env bash
# Paint of a 24-megapixel picture reduced into a 1600 x 1200 view, against a plain
# BitBlt of a 1600 x 1200 DIB measured in the same run. Details go to stderr.
set -euo pipefail
out=$(wine "$PIX_BUILD/view_bench.exe" ${PIX_BENCH_SHORT:+short} 2>/dev/null | tr -d '\r')
grep '^# ' <<<"$out" >&2 || true
grep '^BENCH ' <<<"$out"
