#!/bin/sh
# Runs the test programs of the Windows cross build under Wine and prints how many tests passed.
# Each program runs twice: under a Japanese UTF-8 locale (Wine's ANSI code page is then 932, as on a
# Japanese Windows) and under a non-Japanese one, where only the wide-character API reaches Japanese
# file names. The Wine prefix, the generated locale and TMPDIR stay inside the build folder.
# Usage: run-under-wine.sh <build folder>
set -eu

build=$(cd "$1" && pwd)
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TMPDIR="$build/tmp"
mkdir -p "$TMPDIR"

seconds_since() {
    awk -v from="$1" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }'
}

# Wine finds Japanese file names only through a Japanese glibc locale, which Debian does not generate.
locales="$build/locale"
if [ ! -d "$locales/ja_JP.UTF-8" ]; then
    mkdir -p "$locales"
    localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    started=$(date +%s.%N)
    wineboot -i >/dev/null 2>&1
    wineserver -w
    echo "Wine prefix set up in $(seconds_since "$started") s"
fi

# One server for all the runs, so that each program starts in well under a second.
wineserver -p
trap 'wineserver -k' EXIT

started=$(date +%s.%N)
# The programs this configuration registers as tests, so that a leftover program of an older build is
# never run or counted.
programs=$(ctest --test-dir "$build" --show-only=json-v1 |
    python3 -c 'import json, sys; print("\n".join(t["command"][0] for t in json.load(sys.stdin)["tests"]))')
total=0
failed=""
for locale in ja_JP.UTF-8 C.UTF-8; do
    # Only the generated locale lives in LOCPATH; C.UTF-8 comes with the system.
    locpath=$([ "$locale" = ja_JP.UTF-8 ] && echo "$locales" || true)
    for program in $programs; do
        name="$(basename "$program" .exe) ($locale)"
        log="$TMPDIR/$(basename "$program" .exe)-$locale.log"
        if env -u LC_ALL LANG="$locale" ${locpath:+LOCPATH="$locpath"} wine "$program" >"$log" 2>&1; then
            count=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log")
            total=$((total + count))
            echo "passed: $name, $count tests"
        else
            cat "$log"
            failed="$failed $name"
        fi
    done
done
echo "Windows tests under Wine: $total tests passed in $(seconds_since "$started") s"
if [ -n "$failed" ]; then
    echo "FAILED:$failed"
    exit 1
fi
