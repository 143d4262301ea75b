#!/bin/sh
# Start-up of the program against the minimal Qt Widgets program (an empty window, and the same window with
# one Japanese label), on the X server of $DISPLAY (run-all.sh starts its own Xvfb for it). They take turns,
# after one run each to warm the caches that are not cleared between runs.
# Prints one line a run: "<program> <ms until its window is mapped> <peak memory in KiB>".
#
#   bench/startup.sh <build dir> <runs>
set -eu
build=$1
runs=$2
probe=$build/bench/callpad_startup_probe
settle_ms=300

# No session bus: the programs' D-Bus library fails at once. Without an address it would start
# dbus-launch from each program, which costs more than the rest of the start-up and varies widely.
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/callpad-bench-bus

# The program must not read or write the user's data folder.
XDG_DATA_HOME=$(mktemp -d)
export XDG_DATA_HOME
trap 'rm -rf "$XDG_DATA_HOME"' EXIT
export QT_QPA_PLATFORM=xcb

minimal=$build/bench/callpad_minimal_window
run_all() {
    program=$("$probe" "コールパッド" "$settle_ms" "$build/callpad")
    empty=$("$probe" "minimal" "$settle_ms" "$minimal")
    label=$("$probe" "minimal" "$settle_ms" "$minimal" --label)
    printf 'callpad %s\nminimal %s\nlabel %s\n' "$program" "$empty" "$label"
}

run_all >/dev/null
i=0
while [ "$i" -lt "$runs" ]; do
    run_all
    i=$((i + 1))
done
