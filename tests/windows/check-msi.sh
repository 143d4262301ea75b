#!/usr/bin/env bash
# Checks the installer under Wine as IT would use it: a silent install; the program and its read-me in
# Program Files\コールパッド\, the Start-menu shortcut to it, one product registered with Windows Installer
# and one entry in Apps & features with the version and the icon; the program started from the shortcut
# saves a message; an installer of a higher version (built here from the same zip) installed over it
# leaves one product and one entry; a silent removal takes the program, its folder, the shortcut, the
# product and the entry away and keeps C:\callpad\ and the message byte for byte.
# Usage: check-msi.sh <callpad-VERSION-x64.msi> <the zip it was built from> <callpad.ico> <scratch folder>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=drive-program.sh
. "$here/drive-program.sh"
[ $# = 4 ] && [ -f "$1" ] && [ -f "$2" ] && [ -f "$3" ] ||
    fail "usage: check-msi.sh <the msi just built> <its zip> <callpad.ico> <scratch folder>; not found: ${1-}"
msi=$(realpath "$1")
start_driving "$4"

property() {
    msiinfo export "$msi" Property | tr -d '\r' | sed -n "s/^$1\t//p"
}
version=$(property ProductVersion)
upgrade_code=$(property UpgradeCode)
[ -n "$version" ] && [ -n "$upgrade_code" ] || fail "$msi has no ProductVersion or UpgradeCode"
higher=${version%.*}.$((${version##*.} + 1))
"$here/../../tools/windows/build-msi.sh" "$2" "$3" "$higher" "$scratch/callpad-$higher-x64.msi" >/dev/null

drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/コールパッド"
data=$drive_c/callpad
msiexec() {
    local started status=0
    started=$(date +%s.%N)
    timeout 300 wine msiexec "$@" /qn >"$scratch/msiexec.log" 2>&1 || status=$?
    timeout 60 wineserver -w
    [ "$status" = 0 ] || fail "msiexec $* ended with status $status: $(cat "$scratch/msiexec.log")"
    echo "msiexec $1 $(basename "$2") /qn: $(seconds_since "$started") s"
}
# The Start-menu shortcut. Wine makes a per-machine installation's shortcut in the installing account's
# Start menu; Windows makes it in the one of all accounts.
shortcut() {
    local link
    for link in "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/コールパッド.lnk" \
        "$drive_c"/users/*/"AppData/Roaming/Microsoft/Windows/Start Menu/Programs/コールパッド.lnk"; do
        [ ! -f "$link" ] || { echo "$link"; return; }
    done
}
# A product or upgrade code as Windows Installer's registry keys spell it: the first three groups' hex
# digits reversed, and the two digits of each later byte swapped.
packed() {
    local hex=${1//[^[:xdigit:]]/}
    printf '%s' "$(rev <<<"${hex:0:8}")" "$(rev <<<"${hex:8:4}")" "$(rev <<<"${hex:12:4}")"
    sed -E 's/(.)(.)/\2\1/g' <<<"${hex:16}"
}
# The text of the registry value $2 of the key $1.
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' | sed -n "s/^ *$2 *REG_SZ *//p"
}
# The entries of Apps & features named コールパッド, as "version icon" lines (the icon from the
# product's registration, where Apps & features takes it).
entries() {
    local uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' key icon
    for key in $(wine reg query "$uninstall" 2>/dev/null | tr -d '\r' | grep -o '{[0-9A-F-]*}$'); do
        [ "$(reg_value "$uninstall\\$key" DisplayName)" = コールパッド ] || continue
        icon=$(reg_value "HKCR\\Installer\\Products\\$(packed "$key")" ProductIcon)
        echo "$(reg_value "$uninstall\\$key" DisplayVersion) ${icon##*\\}"
    done
}
# Checks the Apps & features entries and the number of products that Windows Installer has registered
# under the installer's upgrade code, which a major upgrade keeps at one.
expect_entries() {
    local found products
    found=$(entries | tr '\n' ';')
    [ "$found" = "$1" ] || fail "Apps & features holds \"$found\", not \"$1\""
    products=$(wine reg query "HKCR\\Installer\\UpgradeCodes\\$(packed "$upgrade_code")" 2>/dev/null | tr -d '\r' |
        grep -cE '^ +[0-9A-F]{32} ' || true)
    [ "$products" = "$2" ] || fail "Windows Installer holds $products products of the upgrade code, not $2"
}

msiexec /i "Z:${msi//\//\\}"
[ -f "$folder/callpad.exe" ] && [ -f "$folder/README.txt" ] || fail "Program Files\\コールパッド\\ holds: $(ls "$folder" 2>&1)"
cmp -s "$folder/callpad.exe" <(unzip -p "$2" callpad.exe) || fail "the installed callpad.exe is not the zip's"
link=$(shortcut)
[ -n "$link" ] || fail "no Start-menu shortcut コールパッド.lnk"
python3 -c 'import sys
data = open(sys.argv[1], "rb").read()
target = "Program Files\\コールパッド\\callpad.exe"
sys.exit(0 if target.encode("utf-16-le") in data or target.encode("cp932") in data else 1)' "$link" ||
    fail "the shortcut does not lead to Program Files\\コールパッド\\callpad.exe"
expect_entries "$version callpad.ico;" 1

started=$(date +%s.%N)
start_program wine start /wait /unix "$link"
save_message "Installed from the MSI." tanaka
end_program
message_file=$data/tanakacallpad.txt
[ -s "$message_file" ] || fail "the program started from the shortcut saved no C:\\callpad\\tanakacallpad.txt"
saved=$(sha256sum <"$message_file")
echo "started from the shortcut, saved a message and ended: $(seconds_since "$started") s"

msiexec /i "Z:${scratch//\//\\}\\callpad-$higher-x64.msi"
expect_entries "$higher callpad.ico;" 1
[ -f "$folder/callpad.exe" ] || fail "the upgrade left no callpad.exe"

msiexec /x "Z:${scratch//\//\\}\\callpad-$higher-x64.msi"
expect_entries "" 0
[ ! -e "$folder" ] || fail "the removal left Program Files\\コールパッド\\: $(ls "$folder")"
[ -z "$(shortcut)" ] || fail "the removal left the shortcut $(shortcut)"
[ "$(sha256sum <"$message_file")" = "$saved" ] || fail "the removal changed C:\\callpad\\tanakacallpad.txt"
echo "msi: $(basename "$msi") ($(du -k "$msi" | cut -f1) KiB) installs, upgrades to $higher and is removed; C:\\callpad\\ kept"
end_wine_session
rm -rf "$scratch"
