#!/usr/bin/env bash
# Loading a 70 MB 24-bit bitmap against reading its bytes, in the same run.
# Details go to stderr.
set -euo pipefail
out=$(wine "$PIX_BUILD/bmp_bench.exe" ${PIX_BENCH_SHORT:+short} 2>/dev/null | tr -d '\r')
grep '^# ' <<<"$out" >&2 || true
grep '^BENCH ' <<<"$out"
