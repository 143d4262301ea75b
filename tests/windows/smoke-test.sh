#!/usr/bin/env bash
# Uses callpad.exe under Wine on a virtual X server as a person would, with clicks and typing, and the
# Linux program the same way, then compares what both wrote:
#   smoke-test.sh <callpad.exe> <Linux callpad> <scratch folder>
#     start, 報告する, a message for tanaka saved with Alt+S, the box closed with Return, 戻る,
#     報告確認, tanaka, 確認へ, 切取, 戻る, 終了 (exit status 0); then the two message files must agree
#     record by record (date and time masked) and the two workbooks cell by cell.
#   smoke-test.sh --start-only <callpad.exe> <scratch folder>
#     starts the program, waits for its menu and ends it.
# Each Wine prefix is new and lives in the scratch folder.
set -euo pipefail

start_only=false
if [ "$1" = --start-only ]; then
    start_only=true
    set -- "$2" "" "$3" # no Linux program
fi
exe=$(realpath "$1")
linux_program=${2:+$(realpath "$2")}
here=$(cd "$(dirname "$0")" && pwd)
readonly message="Please call back after 3pm about order 1234."
# shellcheck source=drive-program.sh
. "$here/drive-program.sh"
start_driving "$3"

walk() {
    local selection viewer
    start_program "$@"
    save_message "$message" tanaka

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
mkdir -p "$linux/home/Documents" "$linux/data"
mkdir -m 700 "$linux/runtime"
workbook=$linux/home/Documents/callpad.xls
HOME=$linux/home XDG_DATA_HOME=$linux/data XDG_CONFIG_HOME=$linux/home/.config XDG_RUNTIME_DIR=$linux/runtime \
    QT_QPA_PLATFORM=xcb walk "$linux_program"
echo "the Linux program walked in $(seconds_since "$started") s"

/usr/bin/python3 "$here/compare-runs.py" "$windows_data/tanakacallpad.txt" "$linux/data/callpad/tanakacallpad.txt" \
    "$windows_data/callpad.xls" "$workbook" "$message"
# The prefix takes about 700 MB; what it held has been compared.
end_wine_session
rm -rf "$scratch"
