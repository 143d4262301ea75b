#!/usr/bin/env bash
# ctest's emulator for the Windows build: runs a test program under Wine with the prefix, the generated
# Japanese locale and TMPDIR inside the build folder. LANG picks the locale: under ja_JP.UTF-8 Wine's
# ANSI code page is 932 as on a Japanese Windows; under C.UTF-8 only the wide-character API reaches
# Japanese file names.
# Usage: wine-run.sh <build folder> <program.exe> [arguments]
#        wine-run.sh <build folder> --set-up   (the locale and the prefix, once; then one wineserver)
#        wine-run.sh <build folder> --stop     (ends that wineserver)
set -euo pipefail
build=$1
shift
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TMPDIR="$build/tmp"
locales=$build/locale

if [ "${1-}" = --stop ]; then
    wineserver -k 2>/dev/null || true
    exit 0
fi
# Wine finds Japanese file names only through a Japanese glibc locale, which Debian does not generate.
# Test discovery may come before the set-up test; two at once share one set-up.
mkdir -p "$TMPDIR"
exec 9>"$build/wine-set-up.lock"
flock 9
if [ ! -d "$locales/ja_JP.UTF-8" ]; then
    mkdir -p "$locales"
    localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    SECONDS=0
    wineboot -i >/dev/null 2>&1
    wineserver -w
    echo "Wine prefix set up in $SECONDS s" >&2
fi
flock -u 9
# One server for all the runs, so that each program starts in well under a second; it ends on its own
# 30 s after the last program when --stop does not come. It gets none of our output: ctest waits for
# whatever holds a test's output open.
wineserver -p30 </dev/null >/dev/null 2>&1 || true # status 2: one is running already
[ "${1-}" != --set-up ] || exit 0
unset LC_ALL
[ "${LANG-}" != ja_JP.UTF-8 ] || export LOCPATH=$locales
# The program writes to files, not to ctest's pipes: the Wine processes it starts (services, devices)
# outlive it and would hold them open. MinGW's C runtime ends lines with CR LF, which neither ctest's
# output nor GoogleTest's test discovery wants.
out=$(mktemp "$TMPDIR/out.XXXXXX")
err=$(mktemp "$TMPDIR/err.XXXXXX")
trap 'rm -f "$out" "$err"' EXIT
status=0
wine "$@" >"$out" 2>"$err" </dev/null || status=$?
tr -d '\r' <"$out"
tr -d '\r' <"$err" >&2
exit "$status"
