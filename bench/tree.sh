#!/usr/bin/env bash
# Expanding a folder tree node of 10,000 sub-folders against the bare
# IShellFolder::EnumObjects walk of the same folder, in the same run. Details go
# to stderr.
set -euo pipefail
dir=$(mktemp -d "${TMPDIR:-/tmp}/pixlumen-tree-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
# Names created in a scattered order, so the enumeration is not sorted.
python3 - "$dir" <<'PY'
import os, sys
d = os.path.join(sys.argv[1], "d10k")
os.mkdir(d)
for i in range(10000):
    os.mkdir(os.path.join(d, "Folder %05d" % ((i * 7919) % 10000)))
PY
out=$(wine "$PIX_BUILD/tree_bench.exe" expand_10k "$(winepath -w "$dir")" d10k 5 2>&1 | tr -d '\r')
grep '^# ' <<<"$out" >&2 || true
grep '^BENCH ' <<<"$out" || echo "BENCH expand_10k failed: $(tail -1 <<<"$out")"
