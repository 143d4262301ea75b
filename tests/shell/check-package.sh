#!/usr/bin/env bash
# Checks a built Debian package: its launcher and AppStream data validate, it declares what the
# program needs at run time, and the program it installs into a scratch root starts and shows its
# main window.
# Usage: check-package.sh <callpad_VERSION_ARCH.deb>
set -euo pipefail
[ $# = 1 ] && [ -f "$1" ] || { echo "usage: check-package.sh <the .deb just built>; not found: ${1-}" >&2; exit 1; }
package=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 qt6-qpa-plugins fonts-ipafont-gothic; do
    grep -q "$needed" <<<"$depends" || { echo "the package does not depend on $needed" >&2; exit 1; }
done

dpkg-deb -x "$package" "$root"
for file in usr/bin/callpad usr/share/applications/jp.callpad.Callpad.desktop \
    usr/share/metainfo/jp.callpad.Callpad.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/jp.callpad.Callpad.svg \
    usr/share/icons/hicolor/48x48/apps/jp.callpad.Callpad.png; do
    [ -e "$root/$file" ] || { echo "the package lacks /$file" >&2; exit 1; }
done
! command -v desktop-file-validate >/dev/null ||
    desktop-file-validate "$root/usr/share/applications/jp.callpad.Callpad.desktop"
! command -v appstreamcli >/dev/null ||
    appstreamcli validate --no-net "$root/usr/share/metainfo/jp.callpad.Callpad.metainfo.xml"
"$top/tests/shell/start-program.sh" "$root/usr/bin/callpad"
echo "package checked: $(basename "$package")"
