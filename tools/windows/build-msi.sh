#!/usr/bin/env bash
# Builds the installer from the zip's callpad.exe and README.txt with wixl (data/windows/callpad.wxs).
# wixl 0.101 writes only ASCII into the installer's tables, so the tables are built with ASCII names and the
# Japanese ones are set afterwards with msibuild, once the database's code page is 932.
# Usage: build-msi.sh <callpad-…-windows-x64.zip> <callpad.ico> <version> <output .msi>
set -euo pipefail
[ $# = 4 ] && [ -f "$1" ] && [ -f "$2" ] || { echo "usage: build-msi.sh <zip> <callpad.ico> <version> <output.msi>" >&2; exit 2; }
wxs=$(cd "$(dirname "$0")/../../data/windows" && pwd)/callpad.wxs
output=$(realpath -m "$4")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$1" callpad.exe README.txt -d "$work"
cp "$2" "$work/callpad.ico"
rm -f "$output"
mkdir -p "$(dirname "$output")"
# wixl takes the sources' paths relative to the folder it runs in.
(cd "$work" && wixl --arch x64 -D Version="$3" -D Exe=callpad.exe -D Readme=README.txt -D Icon=callpad.ico \
    -o "$output" "$wxs" 2> >(grep -v 'builder.vala:[0-9]*: unimplemented' >&2))
# wixl exits with 0 even when it could not write the file.
[ -s "$output" ] || { echo "build-msi: wixl wrote no $output" >&2; exit 1; }
printf '\r\n\r\n932\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
msibuild "$output" -i "$work/_ForceCodepage.idt"
# A name with no 8.3 form carries one before the bar, for volumes without long names.
msibuild "$output" -q "UPDATE Property SET Value = 'コールパッド' WHERE Property = 'ProductName'" \
    -q "UPDATE Property SET Value = 'コールパッド' WHERE Property = 'Manufacturer'" \
    -q "UPDATE Directory SET DefaultDir = 'CALLPAD|コールパッド' WHERE Directory = 'INSTALLDIR'" \
    -q "UPDATE Shortcut SET Name = 'CALLPAD|コールパッド' WHERE Shortcut = 'StartMenu'" \
    -q "UPDATE LaunchCondition SET Description = '新しい版のコールパッドがすでにインストールされています。' WHERE Condition = 'NOT WIX_DOWNGRADE_DETECTED'"
echo "$output: $(du -k "$output" | cut -f1) KiB"
