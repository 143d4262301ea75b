#!/usr/bin/env bash
# Runs the Windows build of the screenshot tool under Wine, in a new prefix with a Japanese locale on
# its own virtual X server, at a display scale of PERCENT (Windows' LogPixels, 96 at 100 %), and writes the
# six pictures into the output folder. Each picture must be its screen's client area in twips at that
# scale, and the tool itself fails on a caption that is cut or drawn in the wrong face.
# Usage: screenshots-under-wine.sh <callpad_screenshots.exe> <output folder> <scratch folder> [PERCENT]
set -euo pipefail
exe=$(realpath "$1")
mkdir -p "$2"
output=$(cd "$2" && pwd)
percent=${4:-100}
rm -rf "$3"
mkdir -p "$3"
# shellcheck source=wine-session.sh
. "$(dirname "$0")/wine-session.sh"
start_wine_session "$(cd "$3" && pwd)"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((96 * percent / 100)) /f >/dev/null
timeout 60 wineserver -w
# The tool takes a Windows path; Wine's drive Z: is the root folder.
timeout 120 wine "$exe" "Z:${output//\//\\}"

status=0
while read -r screen width height; do
    expected="$(((width * percent + 750) / 1500)) x $(((height * percent + 750) / 1500))"
    actual=$(python3 -c 'import struct, sys
print("%d x %d" % struct.unpack(">II", open(sys.argv[1], "rb").read(24)[16:24]))' "$output/$screen.png")
    if [ "$actual" != "$expected" ]; then
        echo "$screen.png is $actual pixels, not $expected ($width x $height twips at $percent %)" >&2
        status=1
    fi
done <<'TWIPS'
FrmMein 6420 3465
Frmrenraku 6090 5655
FrmUkekaku 4680 3195
Frmrenuke 6165 6960
FrmTouroku 4965 3270
FrmUkesha 4965 3270
TWIPS
exit $status
