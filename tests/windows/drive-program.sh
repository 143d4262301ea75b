# Sourced by the scripts that use コールパッド as a person would, on a virtual X server: windows are found
# by their exact title and clicked at their controls' twips rectangles (15 twips per pixel at 96 DPI); keys
# go through XTEST. start_driving sets scratch, the folder for the program's output.

readonly step_seconds=30
program=
menu=
# shellcheck source=../../tools/windows/wine-session.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/windows/wine-session.sh"

fail() {
    echo "$(basename "$0" .sh): $*" >&2
    exit 1
}

# A new scratch folder $1 with a new Wine prefix and virtual X server in it; they and the program end on exit.
start_driving() {
    rm -rf "$1"
    mkdir -p "$1"
    scratch=$(realpath "$1")
    start_wine_session "$scratch"
    trap 'stop_program; end_wine_session' EXIT
}

seconds_since() {
    awk -v from="$1" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }'
}

# Runs $2... every 0.1 s until it succeeds, for at most the step's time; else fails saying $1.
until_ok() {
    local why=$1
    shift
    for _ in $(seq 1 $((step_seconds * 10))); do
        "$@" && return
        sleep 0.1
    done
    fail "$why"
}
# shown: the first visible window titled exactly $1 other than $2; gone: whether the window $2 titled $1 has gone.
shown() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vxm1 "${2:-}"; }
gone() { ! xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -qx "$2"; }
wait_window() { until_ok "no window \"$1\" appeared within $step_seconds s" shown "$@"; }
wait_gone() { until_ok "the window \"$1\" stayed open" gone "$@"; }
wait_file() { until_ok "$1 was not written" test -s "$1"; }
# Clicks the middle of a control given as left, top, width and height in twips.
click() {
    xdotool mousemove --sync --window "$1" $((($2 + $4 / 2) / 15)) $((($3 + $5 / 2) / 15)) click 1
    sleep 0.3
}
type_text() {
    xdotool type --delay 20 "$1"
    sleep 0.3
}
press() {
    xdotool key "$1"
    sleep 0.3
}

# Starts the program given as arguments and waits for its menu, whose client area must be 428 x 231
# pixels (6420 x 3465 twips), so that the twips rectangles are where the controls are.
start_program() {
    timeout 180 "$@" >"$scratch/program.log" 2>&1 &
    program=$!
    menu=$(wait_window コールパッド)
    local size
    size=$(xdotool getwindowgeometry "$menu" | sed -n 's/^ *Geometry: //p')
    [ "$size" = 428x231 ] || fail "the menu's client area is $size pixels, not 428x231"
}
# 終了, and the program must end with status 0.
end_program() {
    click "$menu" 3960 1920 1575 975 # 終了
    local status=0
    wait "$program" || status=$?
    program=
    [ "$status" = 0 ] || fail "the program ended with status $status: $(cat "$scratch/program.log")"
}
stop_program() {
    if [ -n "$program" ]; then kill "$program" 2>/dev/null || true; fi
}

# 報告する, the message $1 for the recipient $2 saved with Alt+S, the box closed with Return, 戻る.
save_message() {
    local entry box
    click "$menu" 360 720 1575 1095 # 報告する
    entry=$(wait_window 連絡)
    click "$entry" 120 2880 5655 735 # Txthoukoku
    type_text "$1"
    click "$entry" 3840 360 1575 405 # CmbUke
    type_text "$2"
    press alt+s
    box=$(wait_window コールパッド "$menu")
    # Wine hands the keyboard to a window that is clicked, not to one that X focuses; the corner
    # holds no control.
    xdotool mousemove --sync --window "$box" 5 5 click 1
    press Return
    wait_gone コールパッド "$box"
    click "$entry" 3360 4320 1215 495 # 戻る(&R)
    wait_gone 連絡 "$entry"
}
