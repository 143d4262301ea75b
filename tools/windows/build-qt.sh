#!/bin/sh
# Builds a static Qt for 64-bit Windows (Core, Gui, Widgets, the windows platform plugin) from Debian's
# qt6-base source package with the MinGW-w64 cross compiler, once per machine: into the user's cache,
# under a key of what decides the result (qt6-base version, compiler version, configure options without
# paths, the toolchain file's content), so that every clone and `make clean` reuse it. LINK is made a
# symbolic link to it. Debian's own moc, rcc and uic (the same Qt version) serve as host tools.
# Usage: build-qt.sh LINK   (for example build/qt-windows)
set -eu

[ $# -eq 1 ] || { echo "usage: $0 LINK" >&2; exit 2; }
repo=$(cd "$(dirname "$0")/../.." && pwd)
link=$1
cache=${XDG_CACHE_HOME:-$HOME/.cache}/callpad
mkdir -p "$cache" "$(dirname "$link")"

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
compiler=$(x86_64-w64-mingw32-g++-posix --version | head -n 1)
toolchain_source=$repo/cmake/mingw-w64-x86_64.cmake
options=$(printf '%s\n' \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DQT_QPA_DEFAULT_PLATFORM=windows \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF -DFEATURE_testlib=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_opengl=OFF -DINPUT_opengl=no \
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF \
    -DFEATURE_tabletevent=OFF \
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF \
    -DFEATURE_png=ON -DFEATURE_freetype=ON -DFEATURE_harfbuzz=ON \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF)
key=$({
    printf 'qt6-base %s\n%s\n%s\n' "$version" "$compiler" "$options"
    cat "$toolchain_source"
} | sha256sum | cut -c1-16)
prefix=$cache/qt-windows-$key
# The installed Qt's toolchain file includes the one it was configured with, so that one lives in the
# cache too, never in a clone.
toolchain=$prefix.toolchain.cmake

use_prefix() {
    ln -sfn "$prefix" "$link"
    echo "Qt for Windows: $link -> $prefix (qt6-base $version)"
}

# One build at a time per machine; a second caller waits and then reuses the first one's result.
exec 9>"$cache/qt-windows.lock"
flock 9
if [ -f "$prefix/callpad-qt-build.stamp" ]; then
    use_prefix
    exit 0
fi

work=$prefix.work
staging=$prefix.staging
rm -rf "$work" "$staging"
mkdir -p "$work/apt/lists/partial" "$work/apt/sources.list.d" "$work/source"
cp "$toolchain_source" "$toolchain"

# apt reads a private copy of the machine's sources turned into deb-src entries, and a private lists
# folder, so that the machine's apt configuration and state stay untouched.
sourcelist='' sourceparts=''
eval "$(apt-config shell sourcelist Dir::Etc::sourcelist/f sourceparts Dir::Etc::sourceparts/d)"
n=0
for file in "$sourcelist" "$sourceparts"*.list "$sourceparts"*.sources; do
    [ -f "$file" ] || continue
    n=$((n + 1))
    case $file in
    *.list) sed -n -E 's/^[[:space:]]*deb(-src)?[[:space:]]/deb-src /p' "$file" | sort -u \
        >"$work/apt/sources.list.d/$n.list" ;;
    *.sources) sed -E 's/^Types:.*/Types: deb-src/' "$file" >"$work/apt/sources.list.d/$n.sources" ;;
    esac
done
set -- -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/apt/sources.list.d" \
    -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
seconds() { date +%s; }
start=$(seconds)
apt-get -q "$@" update
# The source of the installed host tools' version, so that moc and the libraries agree.
(cd "$work/source" && apt-get -q "$@" source "qt6-base=$version")
echo "Qt for Windows: apt-get source took $(($(seconds) - start)) s"
source_dir=$(find "$work/source" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*')

start=$(seconds)
# shellcheck disable=SC2086 # the options are one per line, none contains a space
cmake -G Ninja -S "$source_dir" -B "$work/build" $options \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
echo "Qt for Windows: configure took $(($(seconds) - start)) s"
start=$(seconds)
cmake --build "$work/build"
echo "Qt for Windows: build took $(($(seconds) - start)) s"

# Install beside the prefix and rename it at the end, so that only a complete Qt is ever reused.
start=$(seconds)
DESTDIR=$staging cmake --install "$work/build"
# qmake's .prl and .pri files record the build and source folders; CMake never reads them.
if grep -rlI --exclude='*.prl' --exclude='*.pri' -e "$repo" -e "$work" "$staging$prefix" >"$work/stray-paths"; then
    echo "Qt for Windows: installed files name the clone or the build folder:" >&2
    cat "$work/stray-paths" >&2
    exit 1
fi
printf 'qt6-base %s\n%s\n%s\n' "$version" "$compiler" "$options" >"$staging$prefix/callpad-qt-build.stamp"
mv "$staging$prefix" "$prefix"
rm -rf "$staging" "$work"
echo "Qt for Windows: install took $(($(seconds) - start)) s"
use_prefix
