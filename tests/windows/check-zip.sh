#!/usr/bin/env bash
# Checks the Windows zip: callpad.exe (stripped) and README.txt at the top and nothing else, the read-me
# in UTF-8 with a byte-order mark and CR LF line ends naming the Windows versions, the data folder and
# the sections the messages name; the manifest in the exe;
# then unpacks it and starts the program in it under Wine.
# Usage: check-zip.sh <callpad-VERSION-windows-x64.zip> <scratch folder>
set -euo pipefail
fail() {
    echo "check-zip: $*" >&2
    exit 1
}
[ $# = 2 ] && [ -f "$1" ] || fail "usage: check-zip.sh <the zip just built> <scratch folder>; not found: ${1-}"
zip=$1
scratch=$2

entries=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$entries" = "README.txt callpad.exe " ] || fail "$zip holds: $entries"
rm -rf "$scratch"
mkdir -p "$scratch/unpacked"
unzip -q "$zip" -d "$scratch/unpacked"
readme=$scratch/unpacked/README.txt
[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README.txt does not start with a byte-order mark"
iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null || fail "README.txt is not UTF-8"
[ "$(tr -d '\r' <"$readme" | wc -l)" = "$(grep -c $'\r$' "$readme")" ] || fail "README.txt has lines without CR LF"
for text in 'Windows 10' 'Windows 11' '64' 'C:\callpad\' 'データの置き場所' 'Where the files live'; do
    grep -qF "$text" "$readme" || fail "README.txt does not mention $text"
done
# The sections that the program's messages name: the Japanese heading on a line of its own, and the
# English heading that names it.
for text in 'C:\ に置いていたファイル' '権限がないとき' 'ほかのプログラムが開いているとき' '読み取り専用のファイル'; do
    grep -qxF "$text"$'\r' "$readme" && grep -qF "(「$text」)" "$readme" ||
        fail "README.txt lacks the section $text in one of its languages"
done
# The application manifest, which the resource compiler embeds as it stands.
for text in asInvoker PerMonitorV2 '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    grep -qaF "$text" "$scratch/unpacked/callpad.exe" || fail "callpad.exe's manifest lacks $text"
done
! x86_64-w64-mingw32-objdump -h "$scratch/unpacked/callpad.exe" | grep '\.debug_' ||
    fail "callpad.exe in the zip is not stripped"
echo "zip: callpad.exe ($(du -k "$scratch/unpacked/callpad.exe" | cut -f1) KiB) and README.txt; $(du -k "$zip" | cut -f1) KiB"
"$(dirname "$0")/smoke-test.sh" --start-only "$scratch/unpacked/callpad.exe" "$scratch/run"
rm -rf "$scratch"
