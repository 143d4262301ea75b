#!/usr/bin/env bash
# Starts the program under a virtual X server, waits until its window "コールパッド" is mapped,
# then ends it. Fails when the window does not appear or the program writes to its data folder.
set -euo pipefail
program=$1
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME=$data
export XDG_RUNTIME_DIR=$data/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

# -noreset: Xvfb otherwise resets when its last client leaves (here each xwininfo before the program
# connects) and refuses the program if it connects just then.
xvfb-run -a -s "-noreset -screen 0 1024x768x24" bash -c '
    "$1" & pid=$!
    for _ in $(seq 1 100); do
        if xwininfo -root -tree 2>/dev/null | grep -q "\"コールパッド\""; then
            kill "$pid"; wait "$pid" 2>/dev/null || true
            echo "window コールパッド is mapped"; exit 0
        fi
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    echo "no window コールパッド appeared within 10 s" >&2; exit 1
' _ "$program"

if [ -n "$(find "$data" -mindepth 1 -not -path "$data/runtime*" -print -quit)" ]; then
    echo "the program wrote into its data folder at start:" >&2
    find "$data" -mindepth 1 >&2
    exit 1
fi
