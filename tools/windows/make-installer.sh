#!/bin/bash
# Makes the Windows installer from a Windows build folder: stages the editor,
# sombrant, the DLLs they load (found by reading their import tables, as there
# is no cross windeployqt) and the Qt plugins they need, strips them, and runs
# NSIS on installer.nsi.
#   make-installer.sh BUILD_DIR QT_PREFIX_ROOT
# Leaves BUILD_DIR/SombrantEditor-<version>-setup.exe.
set -euo pipefail
BUILD=$(cd "${1:?build folder}" && pwd); QT=${2:?cross Qt cache folder}/qt6-mingw
HERE=$(cd "$(dirname "$0")" && pwd)
TOP=$(cd "$HERE/../.." && pwd)
CXX=x86_64-w64-mingw32-g++-posix
STAGE=$BUILD/installer/stage
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
[ -n "$VERSION" ] || { echo "make-installer.sh: no project version in $BUILD/CMakeCache.txt" >&2; exit 1; }

# Where the DLLs a program imports may come from; the system's own DLLs are
# not in these folders and stay where Windows keeps them.
SEARCH="$QT/bin $(dirname "$(readlink -f "$($CXX -print-file-name=libstdc++-6.dll)")") $(dirname "$(readlink -f "$($CXX -print-file-name=libwinpthread-1.dll)")")"

rm -rf "$STAGE"
mkdir -p "$STAGE/plugins"

# Copies FILE to DEST and then every DLL it imports from SEARCH, once each.
stage() {
    local file=$1 dest=$2 name dll dir
    cp "$file" "$dest/"
    for name in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -e "$STAGE/$name" ] && continue
        for dir in $SEARCH; do
            dll=$(find "$dir" -maxdepth 1 -iname "$name" -print -quit)
            if [ -n "$dll" ]; then stage "$dll" "$STAGE"; break; fi
        done
    done
}

stage "$BUILD/sombrant-editor.exe" "$STAGE"
stage "$BUILD/sombrant.exe" "$STAGE"
# The window system, the native look, TLS for the update check, and the
# icon format.
for plugin in platforms/qwindows styles/qwindowsvistastyle tls/qschannelbackend tls/qcertonlybackend \
              imageformats/qico; do
    mkdir -p "$STAGE/plugins/$(dirname "$plugin")"
    stage "$QT/plugins/$plugin.dll" "$STAGE/plugins/$(dirname "$plugin")"
done
printf '[Paths]\nPlugins = plugins\n' > "$STAGE/qt.conf"
find "$STAGE" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded

OUT="$BUILD/SombrantEditor-$VERSION-setup.exe"
makensis -V2 -DVERSION="$VERSION" -DSTAGE="$STAGE" -DOUTFILE="$OUT" "$HERE/installer.nsi"
echo "installer: $OUT ($(du -h "$OUT" | cut -f1))"
