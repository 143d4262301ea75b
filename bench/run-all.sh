#!/bin/sh
# Runs every benchmark and prints one table: each figure next to its reference from the same run.
#
#   bench/run-all.sh <build dir>     (a build with CALLPAD_BENCH=ON, e.g. build/bench)
#
# Needs python3-xlwt (the export's peer) and xvfb (start-up under an X server of its own).
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
xvfb=
trap 'if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" || true; fi; rm -rf "$memory"' EXIT

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

# The start-up runs get an X server that lives exactly as long as this script. It must not reset: by
# default Xvfb resets whenever its last client disconnects, which here is after every start-up, and a
# program that connects during the reset is refused ("cannot connect to the X server", about one
# connection in ten). -displayfd writes the display number once the server accepts connections.
echo "Start-up under Xvfb..." >&2
Xvfb -noreset -nolisten tcp -screen 0 1280x1024x24 -displayfd 3 3>"$memory/display" 2>"$results/xvfb.log" &
xvfb=$!
while [ ! -s "$memory/display" ]; do
    if ! kill -0 "$xvfb" 2>/dev/null; then
        xvfb=
        cat "$results/xvfb.log" >&2
        exit 1
    fi
    sleep 0.1
done
DISPLAY=:$(cat "$memory/display")
export DISPLAY
if ! "$here/startup.sh" "$build" "${STARTUP_RUNS:-15}" >"$results/startup.txt" 2>"$results/startup.log"; then
    cat "$results/startup.log" >&2
    exit 1
fi

/usr/bin/python3 "$here/report.py" "$results"
