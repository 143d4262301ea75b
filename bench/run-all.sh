#!/bin/sh
# Runs every benchmark and prints one table: each figure next to its reference from the same run.
#
#   bench/run-all.sh <build dir>     (a build with CALLPAD_BENCH=ON, e.g. build/bench)
#
# Needs python3-xlwt (the export's peer) and xvfb (start-up under an X server of its own, tools/with-xvfb.sh).
# STARTUP_RUNS (default 15) sets the start-up runs of each program.
set -eu
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
results=$build/bench-results
mkdir -p "$results"

# The figures without flush run on a tmpfs, where the disk costs nothing.
memory_root=/dev/shm
if [ ! -w "$memory_root" ]; then
    memory_root=${TMPDIR:-/tmp}
    echo "warning: /dev/shm is not writable; the figures without flush use $memory_root" >&2
fi
memory=$(mktemp -d "$memory_root/callpad-bench.XXXXXX")
trap 'rm -rf "$memory"' EXIT

echo "Record codec, saving, viewer, export (about two minutes)..." >&2
if ! "$build/bench/callpad_bench" "$build/bench-data" "$memory/data" \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_min_time=0.2 \
    --benchmark_out="$results/core.json" --benchmark_out_format=json >"$results/core.txt" 2>"$results/core.log"; then
    cat "$results/core.log" >&2
    exit 1
fi

echo "python3-xlwt..." >&2
/usr/bin/python3 "$here/xlwt_export.py" "$build/bench-data/exportcallpad.txt" "$memory/xlwt.xls" 50 \
    >"$results/xlwt.txt"

echo "Start-up under Xvfb..." >&2
if ! "$here/../tools/with-xvfb.sh" "$here/startup.sh" "$build" "${STARTUP_RUNS:-15}" \
    >"$results/startup.txt" 2>"$results/startup.log"; then
    cat "$results/startup.log" >&2
    exit 1
fi

/usr/bin/python3 "$here/report.py" "$results"
