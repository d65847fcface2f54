#!/usr/bin/env bash
# Expanding a folder tree node of 10,000 sub-folders against the bare
# IShellFolder::EnumObjects walk of the same folder, in the same run. Details go
# to stderr.
set -euo pipefail
dir=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-tree-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
# Names created in a scattered order, so the enumeration is not sorted.
# Short mode (PIX_BENCH_SHORT=1): 100 folders, one run; the figure proves only that it runs.
count=10000 repeats=5
[ -z "${PIX_BENCH_SHORT:-}" ] || { count=100; repeats=1; }
python3 - "$dir" "$count" <<'PY'
import os, sys
d = os.path.join(sys.argv[1], "d10k")
n = int(sys.argv[2])
os.mkdir(d)
for i in range(n):
    os.mkdir(os.path.join(d, "Folder %05d" % ((i * 7919) % n)))
PY
out=$(wine "$PIX_BUILD/tree_bench.exe" expand_10k "$(winepath -w "$dir")" d10k "$repeats" 2>&1 | tr -d '\r')
grep '^# ' <<<"$out" >&2 || true
grep '^BENCH ' <<<"$out" || echo "BENCH expand_10k failed: $(tail -1 <<<"$out")"
