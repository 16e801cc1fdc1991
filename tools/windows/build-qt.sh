#!/bin/bash
# Builds the cross Qt from source into PREFIX_ROOT: qtbase 6.4.2 from Debian's
# own source package (patched, configured by configure-qtbase.sh), qtserialport
# 6.4.2 from the source kept beside the prebuilt Qt (Debian's archive no longer
# holds its source package), and GoogleTest from Debian's /usr/src/googletest.
#   build-qt.sh PREFIX_ROOT SOURCE_CACHE KEPT_SOURCES
# Leaves PREFIX_ROOT/qt6-mingw and PREFIX_ROOT/gtest-mingw.
set -euo pipefail
ROOT=${1:?prefix root}; SRC=${2:?source cache}; KEPT=${3:?folder with qtserialport-6.4.2-src.tar.xz}
HERE=$(cd "$(dirname "$0")" && pwd)
QT=$ROOT/qt6-mingw
JOBS=$(nproc)
if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi
mkdir -p "$SRC"

# qtbase: a deb-src entry beside the deb one, then apt-get source.
if ! ls "$SRC"/qt6-base-6.4.2*/ >/dev/null 2>&1; then
    if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
        echo "adding a deb-src entry for bookworm"
        $SUDO tee /etc/apt/sources.list.d/sombrant-deb-src.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
        $SUDO apt-get update -qq
    fi
    (cd "$SRC" && apt-get source -qq qt6-base=6.4.2+dfsg-10 2>/dev/null || apt-get source -qq qt6-base)
fi
QTBASE=$(ls -d "$SRC"/qt6-base-6.4.2*/ | head -n 1)
if [ ! -f "$QTBASE/.sombrant-patched" ]; then
    (cd "$QTBASE" && patch -p1 < "$HERE/qtbase-mingw-nodirect2d.patch" && touch .sombrant-patched)
fi
rm -rf "$SRC/build-qtbase" && mkdir -p "$SRC/build-qtbase"
(cd "$SRC/build-qtbase" && "$HERE/configure-qtbase.sh" "$QTBASE" "$QT" >/dev/null \
    && ninja -j "$JOBS" >/dev/null && ninja install >/dev/null)

# qtserialport from the kept source, checked first.
(cd "$KEPT" && grep qtserialport "$HERE/prebuilt.sha256" | sha256sum --check --quiet --strict)
rm -rf "$SRC/qtserialport-6.4.2" "$SRC/build-qtserialport"
tar -xJf "$KEPT/qtserialport-6.4.2-src.tar.xz" -C "$SRC"
"$QT/bin/qt-cmake" -G Ninja -S "$SRC/qtserialport-6.4.2" -B "$SRC/build-qtserialport" \
    -DCMAKE_BUILD_TYPE=Release -DQT_CHAINLOAD_TOOLCHAIN_FILE="$HERE/mingw64-posix.cmake" >/dev/null
ninja -C "$SRC/build-qtserialport" install >/dev/null

# GoogleTest with the same toolchain.
rm -rf "$SRC/build-googletest"
cmake -G Ninja -S /usr/src/googletest -B "$SRC/build-googletest" \
    -DCMAKE_TOOLCHAIN_FILE="$HERE/mingw64-posix.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$ROOT/gtest-mingw" >/dev/null
ninja -C "$SRC/build-googletest" install >/dev/null
