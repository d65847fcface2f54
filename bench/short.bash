#!/usr/bin/env bash
# Runs one benchmark script once in its short mode (small pictures, single runs),
# so that a benchmark can't break unseen. Its figures are printed, not judged; it
# fails when the script fails, prints no figure, or reports a figure as failed.
# Usage (inside a prepared Wine state): bench/short.bash bench/NAME.sh
set -uo pipefail
export PIX_BENCH_SHORT=1
out=$(bash "$1")
rc=$?
printf '%s\n' "$out"
if [ $rc -ne 0 ]; then echo "short bench: $1 ended with status $rc" >&2; exit 1; fi
if ! grep -q '^BENCH ' <<<"$out"; then echo "short bench: $1 printed no figure" >&2; exit 1; fi
if grep -q '^BENCH [^ ]* failed' <<<"$out"; then echo "short bench: $1 reported a failure" >&2; exit 1; fi
exit 0
