#!/usr/bin/env bash
# Runs the data file fuzzer for a bounded time from the seed files, then prints how many inputs it
# tried and how many a second. A finding stops it with an error and leaves the input in build/fuzz/findings.
set -euo pipefail
fuzzer=$1
seconds=$2
top=$(cd "$(dirname "$0")/../.." && pwd)
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
findings=$top/build/fuzz/findings
mkdir -p "$findings"

"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" \
    "$top/tests/data/records" "$top/tests/data/names" "$top/tests/data/messages" 2>"$corpus.log" || {
    tail -n 60 "$corpus.log"
    rm -f "$corpus.log"
    echo "the fuzzer found a failing input; see $findings" >&2
    exit 1
}
runs=$(grep -E '^stat::number_of_executed_units' "$corpus.log" | awk '{print $2}')
rate=$(grep -E '^stat::average_exec_per_sec' "$corpus.log" | awk '{print $2}')
rm -f "$corpus.log"
echo "inputs fuzzed: ${runs:-0} in ${seconds} s (${rate:-0} a second), no finding"
