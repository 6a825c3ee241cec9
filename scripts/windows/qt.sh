#!/usr/bin/env bash
# Builds Qt's Core, Gui, Widgets and Test for x86_64 Windows with MinGW-w64,
# from the source of Debian's own Qt base (the Linux build's version), once:
# the result is cached outside the checkout under a key made of the Qt version
# and these options, and reused while both are the same. Sourced by
# scripts/windows.sh, which reads QT_WINDOWS_PREFIX afterwards.
set -euo pipefail

: "${TOLVANE_WINDOWS_CACHE:=/var/cache/tolvane-windows}"
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

qt_features=(
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF
    -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_vulkan=OFF -DFEATURE_sql_sqlite=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_freetype=ON
    # What the programs never show, left out to keep a first build short.
    -DFEATURE_pdf=OFF -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF
    -DFEATURE_textmarkdownwriter=OFF -DFEATURE_movie=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
    -DFEATURE_ico=OFF -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_calendarwidget=OFF
    -DFEATURE_datetimeedit=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF -DFEATURE_fontcombobox=OFF
    -DFEATURE_fontdialog=OFF -DFEATURE_wizard=OFF -DFEATURE_undoview=OFF -DFEATURE_columnview=OFF
    -DFEATURE_keysequenceedit=OFF -DFEATURE_splashscreen=OFF -DFEATURE_toolbox=OFF
    # direct2d stays on although the direct2d plugin compiles the windows one
    # again: without it Qt 6.4.2 leaves DirectWrite's font database out of Gui
    # while the windows plugin still links against it.
)

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
key=$(printf '%s\n' "$qt_version" "${qt_features[@]}" "$(cat "$HERE/mingw-toolchain.cmake")" | sha256sum | cut -c1-16)
QT_WINDOWS_PREFIX="$TOLVANE_WINDOWS_CACHE/qt-${qt_version%%+*}-$key"

if [ -f "$QT_WINDOWS_PREFIX/.complete" ]; then
    echo "Qt for Windows: cached in $QT_WINDOWS_PREFIX"
else
    echo "Qt for Windows: building $qt_version into $QT_WINDOWS_PREFIX (about 30 minutes on 2 idle cores)"
    # apt-get source needs a deb-src entry for the machine's own Debian sources.
    if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            > /etc/apt/sources.list.d/tolvane-deb-src.sources
        apt-get update -q
    fi
    work=$(mktemp -d /var/tmp/tolvane-qt-windows.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && apt-get source -q --download-only "qt6-base=$qt_version" >/dev/null \
        && dpkg-source --no-check -x qt6-base_*.dsc src >/dev/null)
    rm -rf "$QT_WINDOWS_PREFIX"
    cmake -S "$work/src" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$HERE/mingw-toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$QT_WINDOWS_PREFIX" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        "${qt_features[@]}" >"$work/configure.log" 2>&1 \
        || { tail -n 80 "$work/configure.log" >&2; exit 1; }
    cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 \
        || { grep -m 20 -B 5 'error' "$work/build.log" >&2; tail -n 40 "$work/build.log" >&2; exit 1; }
    cmake --install "$work/build" >/dev/null
    touch "$QT_WINDOWS_PREFIX/.complete"
    rm -rf "$work"
    trap - EXIT
fi
export QT_WINDOWS_PREFIX
