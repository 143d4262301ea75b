# Sourced by bash scripts that run Windows programs: start_wine_session SCRATCH gives them a virtual X
# server and a new Wine prefix with a Japanese locale, all inside SCRATCH, and ends both on exit
# (the caller's EXIT trap is replaced; a caller with its own clean-up calls end_wine_session in it).

end_wine_session() {
    timeout 20 wineserver -k 2>/dev/null || true
    if [ -n "${wine_session_xvfb:-}" ]; then
        kill "$wine_session_xvfb" 2>/dev/null || true
        wait "$wine_session_xvfb" 2>/dev/null || true
        wine_session_xvfb=
    fi
}

start_wine_session() {
    local scratch=$1 started
    # No Mono or Gecko installer, and no menu entries on this machine's desktop for the prefix's shortcuts.
    export WINEPREFIX=$scratch/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    trap end_wine_session EXIT
    # The X server must not reset when a client leaves (see bench/run-all.sh); -displayfd writes the
    # display number once it accepts connections.
    Xvfb -noreset -nolisten tcp -screen 0 1280x1024x24 -displayfd 3 3>"$scratch/display" 2>"$scratch/xvfb.log" &
    wine_session_xvfb=$!
    while [ ! -s "$scratch/display" ]; do
        if ! kill -0 "$wine_session_xvfb" 2>/dev/null; then
            cat "$scratch/xvfb.log" >&2
            return 1
        fi
        sleep 0.1
    done
    DISPLAY=:$(cat "$scratch/display")
    export DISPLAY
    # A Japanese glibc locale makes Wine a Japanese Windows (ANSI code page 932); Debian does not
    # generate it.
    localedef -i ja_JP -f UTF-8 "$scratch/ja_JP.UTF-8"
    export LOCPATH=$scratch LANG=ja_JP.UTF-8
    unset LC_ALL
    started=$(date +%s.%N)
    if ! timeout 120 wineboot -i >"$scratch/wineboot.log" 2>&1 || ! timeout 60 wineserver -w; then
        cat "$scratch/wineboot.log" >&2
        return 1
    fi
    echo "new Wine prefix in $(awk -v from="$started" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }') s"
}
