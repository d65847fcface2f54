#!/usr/bin/env bash
# A short run of one fuzz target from its corpus and its seed corpus, ending in
# one line with its executions and coverage, so a target that starts blind shows:
#   FUZZ <name>: <runs> runs, <edges> edges, <features> features
# Fails when the target fails, or reaches fewer than LEAST edges.
#   smoke.sh TARGET CORPUS SEEDS LEAST [libFuzzer options...]
set -uo pipefail
target=$1 corpus=$2 seeds=$3 least=$4
shift 4
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$target" -max_total_time=10 -rss_limit_mb=2048 -timeout=5 "$@" "$corpus" "$seeds" 2>"$log"
rc=$?
last=$(grep -E '^#[0-9]+' "$log" | tail -1)
runs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$last")
edges=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")
features=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
echo "FUZZ $(basename "$target"): ${runs:-0} runs, ${edges:-0} edges, ${features:-0} features"
if [ $rc -ne 0 ]; then
  tail -40 "$log"
  exit $rc
fi
if [ "${edges:-0}" -lt "$least" ]; then
  echo "FUZZ $(basename "$target"): fewer than $least edges: is its seed corpus missing?"
  exit 1
fi
