#!/bin/sh
# Builds a static Qt for 64-bit Windows (Core, Gui, Widgets, the windows platform plugin) from Debian's
# qt6-base source package with the MinGW-w64 cross compiler, once: a prefix whose stamp matches is reused.
# Debian's own moc, rcc and uic (the same Qt version) serve as host tools.
# Usage: build-qt.sh PREFIX   (for example build/qt-windows)
set -eu

[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
repo=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$(dirname "$1")"
prefix=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$prefix.work
staging=$prefix.staging

set -- \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" \
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
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
options=$(printf '%s\n' "$@")

# The stamp's first line names the source version; the rest are the configure options, which must match.
stamp=$prefix/callpad-qt-build.stamp
if [ -f "$stamp" ] && [ "$(tail -n +2 "$stamp")" = "$options" ]; then
    echo "Qt for Windows: reusing $prefix ($(head -n 1 "$stamp"))"
    exit 0
fi
rm -rf "$prefix" "$work" "$staging"
mkdir -p "$work/apt/lists/partial" "$work/apt/sources.list.d" "$work/source"

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
(cd "$work/source" && apt-get -q "$@" source qt6-base)
echo "Qt for Windows: apt-get source took $(($(seconds) - start)) s"
source_dir=$(find "$work/source" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*')
version=$(cd "$source_dir" && dpkg-parsechangelog -S Version)

start=$(seconds)
# shellcheck disable=SC2086 # the options are one per line, none contains a space
cmake -G Ninja -S "$source_dir" -B "$work/build" $options
echo "Qt for Windows: configure took $(($(seconds) - start)) s"
start=$(seconds)
cmake --build "$work/build"
echo "Qt for Windows: build took $(($(seconds) - start)) s"

# Install beside the prefix and rename it at the end, so that only a complete Qt is ever reused.
start=$(seconds)
DESTDIR=$staging cmake --install "$work/build"
printf 'qt6-base %s\n%s\n' "$version" "$options" >"$staging$prefix/callpad-qt-build.stamp"
mv "$staging$prefix" "$prefix"
rm -rf "$staging" "$work"
echo "Qt for Windows: install took $(($(seconds) - start)) s; $prefix holds qt6-base $version"
