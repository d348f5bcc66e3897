#!/usr/bin/env bash
# Builds VexelApp for 64-bit Windows on Debian: the zip
# build/VexelApp-VERSION-win64.zip (unpack anywhere, run vexelapp.exe) and the
# installer build/VexelApp-VERSION-win64-setup.exe. Prints the installer's path,
# then, last, the zip's path.
#
# Qt is built from source for Windows once, with only what the programs use,
# into a cache folder outside the checkout, named after Qt's version and a hash
# of the options below: a later run, or another clone, reuses it. That first
# build takes most of an hour on two cores.
#
#   scripts/windows.sh          Qt if not cached yet, then the programs and packages
#   scripts/windows.sh qt       only Qt, printing its folder
#   scripts/windows.sh tests    Qt, then the programs and the test programs in
#                               build/windows, printing that folder
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
what="${1:-packages}"
jobs="${VEXEL_JOBS:-$(nproc)}"

"$root/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix cmake ninja-build dpkg-dev nsis zip \
    qt6-base-dev qt6-base-dev-tools xz-utils

qt_version=6.4.2
serialport_archive="$root/../shared/vendor/qtserialport-everywhere-src-$qt_version.tar.xz"
serialport_sha256=682626d3ae07074df0f707dab880f1eab1c133a04d5bed688a3ec63af305ae89
# Debian's own Qt tools (moc, rcc, uic) run on the build machine.
host_options=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
# Core, Gui, Widgets and Test with the Windows platform plugin (and the
# offscreen one, for the tests) and the picture formats Qt reads (BMP and PNG
# inside Gui; JPEG, GIF and ICO as plugins), with Qt's own copies of zlib,
# libpng, libjpeg and the rest. The rest is left out to keep the build short.
# Debian's source leaves out the tablet library whose licence forbids changes,
# so tablet events go; OpenGL stays, as the Windows plugin of this release
# cannot be built without it (dynamic OpenGL, which needs nothing installed).
qt_options=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_pkg_config=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_jpeg=ON -DFEATURE_gif=ON -DFEATURE_ico=ON -DFEATURE_png=ON
    -DFEATURE_testlib=ON -DFEATURE_widgets=ON
)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/vexelapp-windows"
options_hash="$( { printf '%s\n' "${qt_options[@]}" "${host_options[@]}" "$serialport_sha256"
                   cat "$root/cmake/mingw-w64.cmake"; } | sha256sum | cut -c1-12)"
qt="$cache/qt-$qt_version-$options_hash"

build_qt() {
    local sources="$cache/sources" work="$cache/build-$qt_version-$options_hash"
    mkdir -p "$sources" "$work"
    local qtbase
    qtbase="$(find "$sources" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)"
    if [ -z "$qtbase" ]; then
        fetch_qtbase_source "$sources"
        qtbase="$(find "$sources" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)"
    fi
    local serialport="$sources/qtserialport-everywhere-src-$qt_version"
    if [ ! -d "$serialport" ]; then
        echo "$serialport_sha256  $serialport_archive" | sha256sum --check --quiet \
            || { echo "$serialport_archive is not the Qt Serial Port $qt_version release" >&2; exit 1; }
        tar -xJf "$serialport_archive" -C "$sources"
    fi
    # The toolchain goes into the Qt folder: Qt's own toolchain file, which the
    # project uses, loads it from there, whichever clone built Qt.
    mkdir -p "$qt"
    cp "$root/cmake/mingw-w64.cmake" "$qt/mingw-w64.cmake"
    # At the lowest priority: the build only fills otherwise idle processors.
    cmake -S "$qtbase" -B "$work/qtbase" -G Ninja -DCMAKE_INSTALL_PREFIX="$qt" \
        -DCMAKE_TOOLCHAIN_FILE="$qt/mingw-w64.cmake" "${host_options[@]}" "${qt_options[@]}" \
        >"$work/qtbase-configure.log" || { tail -n 40 "$work/qtbase-configure.log" >&2; exit 1; }
    nice -n 19 cmake --build "$work/qtbase" --parallel "$jobs"
    cmake --install "$work/qtbase" --strip >/dev/null
    cmake -S "$serialport" -B "$work/qtserialport" -G Ninja -DCMAKE_INSTALL_PREFIX="$qt" \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        >"$work/qtserialport-configure.log" || { tail -n 40 "$work/qtserialport-configure.log" >&2; exit 1; }
    nice -n 19 cmake --build "$work/qtserialport" --parallel "$jobs"
    cmake --install "$work/qtserialport" --strip >/dev/null
    touch "$qt/.complete"
    rm -rf "$work"
}

# Debian's source package of qtbase, with Debian's patches applied, from the
# same archive as the system's packages.
fetch_qtbase_source() {
    local sources="$1" sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    local list=/etc/apt/sources.list.d/debian-sources.sources
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list; then
        $sudo tee "$list" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
        flock /tmp/vexel-apt.lock $sudo apt-get update -qq
    fi
    (cd "$sources" && apt-get source -qq qt6-base >/dev/null)
}

if [ ! -e "$qt/.complete" ]; then
    echo "Building Qt $qt_version for Windows into $qt (most of an hour)" >&2
    build_qt
fi
if [ "$what" = qt ]; then
    echo "$qt"
    exit 0
fi
