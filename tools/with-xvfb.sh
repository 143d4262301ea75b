#!/bin/sh
# Runs a command on an X server of its own, which ends with it.
#
#   tools/with-xvfb.sh <command> [arguments...]
#
# Xvfb picks a free display itself and writes its number once it accepts connections (-displayfd), so
# runs started at the same moment never share a display, as they may when a display is chosen by
# looking for lock files (xvfb-run -a). It must not reset: by default Xvfb resets whenever its last
# client disconnects, and a program that connects during the reset is refused ("cannot connect to the
# X server").
set -eu
work=$(mktemp -d "${TMPDIR:-/tmp}/callpad-xvfb.XXXXXX")
xvfb=
trap 'if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" || true; fi; rm -rf "$work"' EXIT
trap 'exit 1' HUP INT TERM
Xvfb -noreset -nolisten tcp -screen 0 1280x1024x24 -displayfd 3 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
while [ ! -s "$work/display" ]; do
    if ! kill -0 "$xvfb" 2>/dev/null; then
        xvfb=
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    sleep 0.1
done
DISPLAY=:$(cat "$work/display")
export DISPLAY
"$@"
