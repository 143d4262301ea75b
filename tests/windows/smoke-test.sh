#!/usr/bin/env bash
# Uses callpad.exe under Wine on a virtual X server as a person would, with clicks and typing, and the
# Linux program the same way, then compares what both wrote:
#   smoke-test.sh <callpad.exe> <Linux callpad> <scratch folder>
#     start, 報告する, a message for tanaka saved with Alt+S, the box closed with Return, 戻る,
#     報告確認, tanaka, 確認へ, 切取, 戻る, 終了 (exit status 0); then the two message files must agree
#     record by record (date and time masked) and the two workbooks cell by cell.
#   smoke-test.sh --start-only <callpad.exe> <scratch folder>
#     starts the program, waits for its menu and ends it.
# Windows are found by their exact title and clicked at their controls' twips rectangles (15 twips
# per pixel at 96 DPI); keys go through XTEST. Each Wine prefix is new and lives in the scratch folder.
set -euo pipefail

start_only=false
if [ "$1" = --start-only ]; then
    start_only=true
    shift
fi
exe=$(realpath "$1")
if $start_only; then
    linux_program=
    scratch=$2
else
    linux_program=$(realpath "$2")
    scratch=$3
fi
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
readonly message="Please call back after 3pm about order 1234."
readonly step_seconds=30

seconds_since() {
    awk -v from="$1" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }'
}
fail() {
    echo "smoke test: $*" >&2
    exit 1
}

program=
finish() {
    if [ -n "$program" ]; then kill "$program" 2>/dev/null || true; fi
    end_wine_session
}
# shellcheck source=../../tools/windows/wine-session.sh
. "$here/../../tools/windows/wine-session.sh"
start_wine_session "$scratch"
trap finish EXIT

# A visible window titled exactly $1 (other than $2), within the step's time.
wait_window() {
    local id
    for _ in $(seq 1 $((step_seconds * 10))); do
        for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true); do
            if [ "$id" != "${2:-}" ]; then
                echo "$id"
                return
            fi
        done
        sleep 0.1
    done
    fail "no window \"$1\" appeared within $step_seconds s"
}
wait_gone() {
    for _ in $(seq 1 $((step_seconds * 10))); do
        xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -qx "$2" || return 0
        sleep 0.1
    done
    fail "the window \"$1\" stayed open"
}
wait_file() {
    for _ in $(seq 1 $((step_seconds * 10))); do
        [ -s "$1" ] && return
        sleep 0.1
    done
    fail "$1 was not written"
}
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
# pixels (6420 x 3465 twips), so that the twips rectangles below are where the controls are.
start_program() {
    timeout 180 "$@" >"$scratch/program.log" 2>&1 &
    program=$!
    menu=$(wait_window コールパッド)
    local size
    size=$(xdotool getwindowgeometry "$menu" | sed -n 's/^ *Geometry: //p')
    [ "$size" = 428x231 ] || fail "the menu's client area is $size pixels, not 428x231"
}
end_program() {
    click "$menu" 3960 1920 1575 975 # 終了
    local status=0
    wait "$program" || status=$?
    program=
    [ "$status" = 0 ] || fail "the program ended with status $status: $(cat "$scratch/program.log")"
}

walk() {
    local entry box selection viewer
    start_program "$@"
    click "$menu" 360 720 1575 1095 # 報告する
    entry=$(wait_window 連絡)
    click "$entry" 120 2880 5655 735 # Txthoukoku
    type_text "$message"
    click "$entry" 3840 360 1575 405 # CmbUke
    type_text tanaka
    press alt+s
    box=$(wait_window コールパッド "$menu")
    # Wine hands the keyboard to a window that is clicked, not to one that X focuses; the corner
    # holds no control.
    xdotool mousemove --sync --window "$box" 5 5 click 1
    press Return
    wait_gone コールパッド "$box"
    click "$entry" 3360 4320 1215 495 # 戻る(&R)
    wait_gone 連絡 "$entry"

    click "$menu" 2160 720 1575 1095 # 報告確認
    selection=$(wait_window 受取者確認)
    click "$selection" 1320 600 1695 405 # CmbKaku
    type_text tanaka
    click "$selection" 600 1800 1575 735 # 確認へ
    viewer=$(wait_window 連絡管理)
    click "$viewer" 2400 6360 1095 495 # 切取
    wait_file "$workbook"
    click "$viewer" 3840 6360 1095 495 # 戻る(&R)
    wait_gone 連絡管理 "$viewer"
    end_program
}

# One static Windows GUI program: every DLL it imports is one that Windows itself has (Wine's system
# folder of the new prefix, or an API set such as api-ms-win-core-synch-l1-2-0), none of MinGW's or Qt's.
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
grep -Eq '^Subsystem[[:space:]]+0+2[[:space:]]+\(Windows GUI\)' <<<"$headers" || fail "$exe is no Windows GUI program"
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u)
[ -n "$dlls" ] || fail "no imported DLLs found in $exe"
for dll in $dlls; do
    case $dll in
    lib*.dll | qt*.dll) fail "$exe imports $dll" ;;
    api-ms-win-*.dll) continue ;;
    esac
    [ -f "$WINEPREFIX/drive_c/windows/system32/$dll" ] || fail "$exe imports $dll, which Windows does not have"
done
echo "callpad.exe: Windows GUI, $(du -k "$exe" | cut -f1) KiB, imports only system DLLs:" $dlls

started=$(date +%s.%N)
if $start_only; then
    start_program wine "$exe"
    end_program
    echo "callpad.exe started, showed its menu and ended under Wine in $(seconds_since "$started") s"
    exit 0
fi
windows_data=$WINEPREFIX/drive_c/callpad
workbook=$windows_data/callpad.xls
walk wine "$exe"
[ -f "$windows_data/tanakacallpad.txt" ] || fail "callpad.exe did not write C:\\callpad\\tanakacallpad.txt"
timeout 60 wineserver -k || true
echo "callpad.exe walked under Wine in $(seconds_since "$started") s"

started=$(date +%s.%N)
linux=$scratch/linux
mkdir -p "$linux/home/Documents" "$linux/data" "$linux/runtime"
chmod 700 "$linux/runtime"
workbook=$linux/home/Documents/callpad.xls
HOME=$linux/home XDG_DATA_HOME=$linux/data XDG_CONFIG_HOME=$linux/home/.config XDG_RUNTIME_DIR=$linux/runtime \
    QT_QPA_PLATFORM=xcb walk "$linux_program"
echo "the Linux program walked in $(seconds_since "$started") s"

/usr/bin/python3 "$here/compare-runs.py" "$windows_data/tanakacallpad.txt" "$linux/data/callpad/tanakacallpad.txt" \
    "$windows_data/callpad.xls" "$linux/home/Documents/callpad.xls" "$message"
# The prefix takes about 700 MB; what it held has been compared.
end_wine_session
rm -rf "$scratch"
