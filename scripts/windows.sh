#!/usr/bin/env bash
# Builds VexelApp for 64-bit Windows on Debian: the zip
# build/VexelApp-VERSION-win64.zip (unpack anywhere, run vexelapp.exe) and the
# installer build/VexelApp-VERSION-win64-setup.exe. Prints the installer's path,
# then, last, the zip's path.
#
# Qt is built from source for Windows once, with only what the programs use,
# into a cache folder outside the checkout, named after Qt's version and a hash
# of the options below: a later run, or another clone, reuses it. That first
# build takes about half an hour on two cores.
#
#   scripts/windows.sh          Qt if not cached yet, then the programs and packages
#   scripts/windows.sh qt       only Qt, printing its folder
#   scripts/windows.sh tests    Qt, then the programs and the test programs in
#                               build/windows, printing that folder
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
what="${1:-packages}"
jobs="${VEXEL_JOBS:-$(nproc)}"

"$root/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix cmake ninja-build dpkg-dev nsis zip patch \
    qt6-base-dev qt6-base-dev-tools xz-utils fonts-wine

qt_version=6.4.2
# Debian's source package of Qt Serial Port cannot be had at present; the same
# upstream release is kept beside the checkout (VEXEL_VENDOR_DIR elsewhere).
serialport_archive="${VEXEL_VENDOR_DIR:-$root/../shared/vendor}/qtserialport-everywhere-src-$qt_version.tar.xz"
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
# Qt Serial Port is patched (scripts/qtserialport-windows.patch: a wait for
# line events that Wine would make block until a byte arrives, and a crash on
# a completion counted twice), and built again alone, into the same folder,
# when the patch changes: a few minutes, where Qt takes half an hour.
serialport_patch="$root/scripts/qtserialport-windows.patch"
serialport_built="$qt/.serialport-$(sha256sum "$serialport_patch" | cut -c1-12)"

build_qt() {
    local sources="$cache/sources" work="$cache/build-$qt_version-$options_hash"
    mkdir -p "$sources" "$work"
    local qtbase
    qtbase="$(find "$sources" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)"
    if [ -z "$qtbase" ]; then
        fetch_qtbase_source "$sources"
        qtbase="$(find "$sources" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)"
    fi
    # Qt 6.4.2 builds its DirectWrite font database only along with Direct2D,
    # which the panel does not need, yet the Windows platform plugin offers it
    # whenever DirectWrite 3 is there; without Direct2D the plugin keeps to
    # its default GDI font database.
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
        "$qtbase/src/plugins/platforms/windows/qwindowsintegration.cpp"
    # The toolchain goes into the Qt folder: Qt's own toolchain file, which the
    # project uses, loads it from there, whichever clone built Qt.
    mkdir -p "$qt"
    cp "$root/cmake/mingw-w64.cmake" "$qt/mingw-w64.cmake"
    # At the lowest priority: the build only fills otherwise idle processors.
    cmake -S "$qtbase" -B "$work/qtbase" -G Ninja -DCMAKE_INSTALL_PREFIX="$qt" \
        -DCMAKE_TOOLCHAIN_FILE="$qt/mingw-w64.cmake" "${host_options[@]}" "${qt_options[@]}" \
        >"$work/qtbase-configure.log" || { tail -n 40 "$work/qtbase-configure.log" >&2; exit 1; }
    nice -n 19 cmake --build "$work/qtbase" --parallel "$jobs" >"$work/qtbase-build.log" 2>&1 \
        || { grep -B2 -A12 '^FAILED' "$work/qtbase-build.log" | head -n 60 >&2; exit 1; }
    cmake --install "$work/qtbase" --strip >/dev/null
    build_serialport
    # Qt's licences, and those of the libraries it carries, go with every copy of its DLLs.
    mkdir -p "$qt/licences"
    cp "$qtbase/LICENSES/"*.txt "$qt/licences/"
    rm -f "$qt/licences/LicenseRef-Qt-Commercial.txt"
    touch "$qt/.complete"
    rm -rf "$work"
}

# Qt Serial Port from its release, with the patch, into Qt's folder.
build_serialport() {
    local sources="$cache/sources" work="$cache/build-serialport-$options_hash"
    local serialport="$sources/qtserialport-everywhere-src-$qt_version-patched"
    rm -rf "$serialport" "$work"
    mkdir -p "$sources" "$work"
    echo "$serialport_sha256  $serialport_archive" | sha256sum --check --quiet \
        || { echo "$serialport_archive is not the Qt Serial Port $qt_version release" >&2; exit 1; }
    tar -xJf "$serialport_archive" -C "$work"
    mv "$work/qtserialport-everywhere-src-$qt_version" "$serialport"
    patch -d "$serialport" -p1 --quiet <"$serialport_patch"
    cmake -S "$serialport" -B "$work/qtserialport" -G Ninja -DCMAKE_INSTALL_PREFIX="$qt" \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        >"$work/qtserialport-configure.log" || { tail -n 40 "$work/qtserialport-configure.log" >&2; exit 1; }
    nice -n 19 cmake --build "$work/qtserialport" --parallel "$jobs" >"$work/qtserialport-build.log" 2>&1 \
        || { grep -B2 -A12 '^FAILED' "$work/qtserialport-build.log" | head -n 60 >&2; exit 1; }
    cmake --install "$work/qtserialport" --strip >/dev/null
    rm -f "$qt"/.serialport-*
    touch "$serialport_built"
    rm -rf "$work" "$serialport"
}

# giflib, which reads the GIFs, from Debian's source package with Debian's
# patches, as a static library: a few C files, built in seconds.
giflib_version=5.2.1
giflib_sources=(dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c openbsd-reallocarray.c quantize.c)
giflib_flags=(-O2 -std=gnu99 -Wall -Wno-format-truncation)
build_giflib() {
    local sources="$cache/sources"
    mkdir -p "$sources"
    local source
    source="$(find "$sources" -maxdepth 1 -type d -name "giflib-$giflib_version" | head -n 1)"
    if [ -z "$source" ]; then
        add_source_archive
        (cd "$sources" && apt-get source -qq giflib >/dev/null)
        source="$sources/giflib-$giflib_version"
    fi
    local objects="$giflib/objects"
    mkdir -p "$objects" "$giflib/include" "$giflib/lib" "$giflib/licences"
    for file in "${giflib_sources[@]}"; do
        x86_64-w64-mingw32-gcc-posix "${giflib_flags[@]}" -c "$source/$file" -o "$objects/${file%.c}.o"
    done
    rm -f "$giflib/lib/libgif.a"
    x86_64-w64-mingw32-ar rcD "$giflib/lib/libgif.a" "$objects"/*.o
    rm -rf "$objects"
    cp "$source/gif_lib.h" "$giflib/include/"
    cp "$source/COPYING" "$giflib/licences/giflib.txt"
    touch "$giflib/.complete"
}

# Debian's source packages, with Debian's patches applied, from the same
# archive as the system's packages.
add_source_archive() {
    local sudo=""
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
}

fetch_qtbase_source() {
    add_source_archive
    (cd "$1" && apt-get source -qq qt6-base >/dev/null)
}

if [ ! -e "$qt/.complete" ]; then
    echo "Building Qt $qt_version for Windows into $qt (about half an hour)" >&2
    build_qt
fi
if [ ! -e "$serialport_built" ]; then
    echo "Building Qt Serial Port $qt_version for Windows into $qt, patched for Wine" >&2
    build_serialport
fi
if [ "$what" = qt ]; then
    echo "$qt"
    exit 0
fi
giflib_hash="$( { printf '%s\n' "${giflib_sources[@]}" "${giflib_flags[@]}"
                  x86_64-w64-mingw32-gcc-posix --version; } | sha256sum | cut -c1-12)"
giflib="$cache/giflib-$giflib_version-$giflib_hash"
[ -e "$giflib/.complete" ] || build_giflib

# The project, with Qt's toolchain file, which loads ours. Neither the
# checkout's folder nor the build folder reaches the executables (as in
# scripts/package.sh), and the linker writes no time into them, so that any
# clone of a commit gives the same bytes.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH="$(git -C "$root" log -1 --format=%ct)"
fi
export SOURCE_DATE_EPOCH
export CCACHE_BASEDIR=""
build="$root/build/windows"
prefix_maps="-ffile-prefix-map=$root=. -ffile-prefix-map=$build=."
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR=wine -DVEXEL_WERROR="${VEXEL_WERROR:-OFF}" \
    -DGIF_INCLUDE_DIR="$giflib/include" -DGIF_LIBRARY="$giflib/lib/libgif.a" \
    -DCMAKE_CXX_FLAGS="$prefix_maps" >"$build/configure.log" 2>&1 \
    || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" --parallel "$jobs" >"$build/build.log" 2>&1 || { grep -v '^\[' "$build/build.log" >&2; exit 1; }
if [ "$what" = tests ]; then
    echo "$build"
    exit 0
fi

# What the programs need beside them: Qt's libraries and plugins (the Windows
# platform, its native style, the picture formats beyond BMP and PNG) and the
# compiler's runtime. Qt stays in its own DLLs: each program would otherwise
# carry its own copy, and the LGPL lets a user put in a Qt of their own.
version="$(sed -n 's/^project(VexelApp VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
name="VexelApp-$version-win64"
stage="$build/$name"
rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/imageformats"
# Every executable and DLL goes in stripped, which also sets the time stamp
# in its header to SOURCE_DATE_EPOCH, whenever Qt was built.
stage_binary() { x86_64-w64-mingw32-strip --strip-unneeded -o "$stage/$2/$(basename "$1")" "$1"; }
for program in vexelapp vexelapp-with-module vexel-send vexel-module vexel-ports; do
    stage_binary "$build/$program.exe" .
done
# Qt Gui's picture readers, which vexel-send loads from its own folder for a
# PNG, BMP or JPEG.
stage_binary "$build/vexel-picturereader.dll" .
cp "$root/assets/vexel.ini" "$root/assets/dotf.BMP" "$root/assets/dotb.JPG" "$stage/"
# The panel's face, Wine's metric-compatible Tahoma: Wine's own is not one
# that Qt's FreeType fonts can find, and a Windows without Tahoma has none.
mkdir -p "$stage/fonts"
cp /usr/share/wine/fonts/tahoma.ttf "$stage/fonts/"
for library in Core Gui Widgets SerialPort; do
    stage_binary "$qt/bin/Qt6$library.dll" .
done
stage_binary "$qt/plugins/platforms/qwindows.dll" platforms
stage_binary "$qt/plugins/styles/qwindowsvistastyle.dll" styles
for format in qjpeg qgif qico; do
    stage_binary "$qt/plugins/imageformats/$format.dll" imageformats
done
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
for library in "$runtime/libgcc_s_seh-1.dll" "$runtime/libstdc++-6.dll" \
    "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)"; do
    stage_binary "$library" .
done
mkdir -p "$stage/licences"
cp "$root/LICENSE" "$stage/licences/VexelApp.txt"
cp "$qt/licences/"* "$giflib/licences/"* "$stage/licences/"
cp /usr/share/doc/fonts-wine/copyright "$stage/licences/wine-fonts.txt"
find "$stage" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# The zip: its members in a fixed order with the commit's time, no extra
# fields (owners, Unix times).
zip="$root/build/$name.zip"
rm -f "$zip"
(cd "$build" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D "$zip" -@)

# The installer, from the same folder: every file listed once to install and
# once to remove, so that uninstalling takes away exactly what was put there.
installer="$root/build/$name-setup.exe"
nsis="$build/nsis"
rm -rf "$nsis"
mkdir -p "$nsis"
(cd "$stage" && find . -mindepth 1 -type d | LC_ALL=C sort) | sed 's|^\./||; s|/|\\|g' >"$nsis/folders"
(cd "$stage" && find . -type f | LC_ALL=C sort) | sed 's|^\./||; s|/|\\|g' >"$nsis/files"
{
    echo 'SetOutPath "$INSTDIR"'
    while read -r file; do
        folder="${file%\\*}"
        [ "$folder" = "$file" ] && folder="" || folder="\\$folder"
        echo "SetOutPath \"\$INSTDIR$folder\""
        # The settings file is the administrator's once installed: an
        # upgrade or a repair leaves an existing one as it is.
        overwrite=on
        [ "$file" != vexel.ini ] || overwrite=off
        echo "SetOverwrite $overwrite"
        echo "File \"/oname=\$INSTDIR\\$file\" \"$stage/${file//\\//}\""
    done <"$nsis/files"
} >"$nsis/install.nsh"
# The settings file goes with the program only as it was shipped; a changed
# one stays, and the uninstaller says so. Its lines are compared one by one.
{
    echo 'ClearErrors'
    echo 'FileOpen $0 "$INSTDIR\vexel.ini" r'
    echo 'IfErrors settings_done'
    while IFS= read -r line; do
        line="${line//\$/\$\$}"
        echo 'FileRead $0 $1'
        echo "StrCmpS \$1 \"${line//\"/\$\\\"}\$\\n\" 0 settings_changed"
    done <"$stage/vexel.ini"
    echo 'ClearErrors'
    echo 'FileRead $0 $1'
    echo 'IfErrors 0 settings_changed'
    echo 'FileClose $0'
    echo 'Delete "$INSTDIR\vexel.ini"'
    echo 'Goto settings_done'
    echo 'settings_changed:'
    echo 'FileClose $0'
    echo 'DetailPrint "Kept $INSTDIR\vexel.ini: it was changed after installation."'
    echo 'settings_done:'
} >"$nsis/settings.nsh"
{
    grep -vx 'vexel.ini' "$nsis/files" | while read -r file; do echo "Delete \"\$INSTDIR\\$file\""; done
    LC_ALL=C sort -r "$nsis/folders" | while read -r folder; do echo "RMDir \"\$INSTDIR\\$folder\""; done
} >"$nsis/uninstall.nsh"
# What Windows' list of apps shows as the size, in KiB.
size_kib="$(find "$stage" -type f -printf '%s\n' | awk '{ total += $1 } END { print int((total + 1023) / 1024) }')"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DLISTS="$nsis" -DOUTFILE="$installer" -DSIZE_KIB="$size_kib" \
    "$root/dist/windows/vexelapp.nsi" >"$nsis/makensis.log" || { cat "$nsis/makensis.log" >&2; exit 1; }
touch -d "@$SOURCE_DATE_EPOCH" "$installer" "$zip"
echo "$installer"
echo "$zip"
