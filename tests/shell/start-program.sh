#!/usr/bin/env bash
# Starts the program under a virtual X server, waits until its window "コールパッド" is mapped,
# then ends it. Fails when the window does not appear or the program writes to its data folder.
set -euo pipefail
program=$1
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME=$data XDG_RUNTIME_DIR=$data/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

top=$(cd "$(dirname "$0")/../.." && pwd)

"$top/tools/with-xvfb.sh" bash -c '
    "$1" & pid=$!
    # A loaded machine may take long to start it; the loop ends as soon as the window shows.
    for _ in $(seq 1 600); do
        if xwininfo -root -tree 2>/dev/null | grep -q "\"コールパッド\""; then
            kill "$pid"; wait "$pid" 2>/dev/null || true
            echo "window コールパッド is mapped"; exit 0
        fi
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "the program ended without showing its window" >&2; exit 1
        fi
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    echo "no window コールパッド appeared within 60 s" >&2; exit 1
' _ "$program"

written=$(find "$data" -mindepth 1 -not -path "$data/runtime*")
[ -z "$written" ] || { echo "the program wrote into its data folder at start: $written" >&2; exit 1; }
