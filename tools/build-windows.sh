#!/bin/bash
# Builds Sombrant Editor for x86_64 Windows on Debian 12, with MinGW-w64 and a
# Qt cross-built from Debian's own source package, and runs it under Wine.
#
#   tools/build-windows.sh            set up, build the editor, sombrant and the tests
#   tools/build-windows.sh --test     ... then run every test under Wine
#   tools/build-windows.sh --package  ... then make the NSIS installer and
#                                     install, run and uninstall it under Wine
#   tools/build-windows.sh --qt-only  only make sure the cross Qt is in the cache
#
# The cross Qt lives in a cache folder outside the checkout, one subfolder per
# Qt version and recipe (the files in tools/windows/), made once and reused:
#   SOMBRANT_WINDOWS_CACHE  the cache folder (default ~/.cache/sombrant-windows)
#   SOMBRANT_WINDOWS_PREBUILT  a folder holding a prebuilt Qt and GoogleTest
#       (default ../shared/toolchains/windows beside the checkout); used only
#       when its archives match the checksums in tools/windows/prebuilt.sha256
#       and its recipe files match ours
#   SOMBRANT_WINDOWS_FROM_SOURCE=1  build the cache from source even so
#   SOMBRANT_WINDOWS_BUILD  the build folder (default build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
TOP=$PWD
RECIPE=$TOP/tools/windows
QT_VERSION=6.4.2

run_tests=0; make_package=0; qt_only=0
for arg in "$@"; do
    case $arg in
        --test) run_tests=1 ;;
        --package) make_package=1 ;;
        --qt-only) qt_only=1 ;;
        -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "build-windows.sh: unknown option $arg (try --help)" >&2; exit 2 ;;
    esac
done

if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi
say() { printf '== %s\n' "$*"; }
seconds() { date +%s; }

# --- Packages: the Linux Qt (its moc, rcc and uic are the host tools), the
# cross compiler, Wine, NSIS and a virtual display for the screenshot.
"$TOP/tools/setup-debian.sh"
PACKAGES="g++-mingw-w64-x86-64-posix wine wine64 nsis xvfb xauth xz-utils dpkg-dev patch fonts-liberation"
installed=$( (dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' $PACKAGES 2>/dev/null || true) | awk '$1 == "ii"' | wc -l)
if [ "$installed" -ne "$(echo $PACKAGES | wc -w)" ]; then
    say "installing $PACKAGES"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq $PACKAGES >/dev/null
fi

# --- The cross Qt, keyed by its version and the recipe that makes it.
CACHE=${SOMBRANT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/sombrant-windows}
RECIPE_FILES="mingw64-posix.cmake configure-qtbase.sh qtbase-mingw-nodirect2d.patch prebuilt.sha256"
recipe_hash=$(cd "$RECIPE" && cat $RECIPE_FILES "$TOP/tools/windows/build-qt.sh" | sha256sum | cut -c1-12)
QT_CACHE=$CACHE/qt-$QT_VERSION-$recipe_hash
PREBUILT=${SOMBRANT_WINDOWS_PREBUILT:-$TOP/../shared/toolchains/windows}

prebuilt_usable() {
    [ "${SOMBRANT_WINDOWS_FROM_SOURCE:-0}" != 1 ] || return 1
    [ -d "$PREBUILT" ] || return 1
    local f
    for f in mingw64-posix.cmake configure-qtbase.sh qtbase-mingw-nodirect2d.patch; do
        cmp -s "$RECIPE/$f" "$PREBUILT/$f" || { say "prebuilt Qt: $f differs from ours, not used"; return 1; }
    done
    (cd "$PREBUILT" && grep -E 'qt6.*-mingw64-posix.tar.xz|googletest-mingw64.tar.xz' "$RECIPE/prebuilt.sha256" \
        | sha256sum --check --quiet --strict) || { say "prebuilt Qt: checksum mismatch, not used"; return 1; }
}

if [ ! -f "$QT_CACHE/complete" ]; then
    started=$(seconds)
    rm -rf "$QT_CACHE.partial"
    mkdir -p "$QT_CACHE.partial"
    if prebuilt_usable; then
        say "unpacking the prebuilt Qt $QT_VERSION from $PREBUILT"
        tar -xJf "$PREBUILT/qt$QT_VERSION-mingw64-posix.tar.xz" -C "$QT_CACHE.partial"
        tar -xJf "$PREBUILT/googletest-mingw64.tar.xz" -C "$QT_CACHE.partial"
        echo "prebuilt" > "$QT_CACHE.partial/origin"
    else
        say "building Qt $QT_VERSION for Windows from source (about 35 minutes on two cores)"
        "$RECIPE/build-qt.sh" "$QT_CACHE.partial" "$CACHE/src" "$PREBUILT"
        echo "source" > "$QT_CACHE.partial/origin"
    fi
    echo "$(( $(seconds) - started )) s" > "$QT_CACHE.partial/took"
    touch "$QT_CACHE.partial/complete"
    rm -rf "$QT_CACHE"
    mv "$QT_CACHE.partial" "$QT_CACHE"
    say "cross Qt ready in $(cat "$QT_CACHE/took"): $QT_CACHE"
else
    say "cross Qt from the cache: $QT_CACHE ($(cat "$QT_CACHE/origin"))"
fi
[ "$qt_only" = 1 ] && exit 0

# --- Wine: one 64-bit prefix of our own, made once.
export WINEARCH=win64 WINEPREFIX=${SOMBRANT_WINE_PREFIX:-$CACHE/wine-prefix} WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "making the Wine prefix $WINEPREFIX"
    # Without .NET and the HTML engine: nothing here needs them, and asking
    # to download them would wait for an answer.
    WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
fi
# The windows ask for Arial, which Wine lacks: Liberation Sans has its metrics.
if [ ! -f "$WINEPREFIX/.sombrant-fonts" ]; then
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null 2>&1
    touch "$WINEPREFIX/.sombrant-fonts"
fi

# --- The editor, sombrant and the tests.
BUILD=${SOMBRANT_WINDOWS_BUILD:-build-windows}
say "configuring $BUILD"
cmake -S . -B "$BUILD" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$QT_CACHE/qt6-mingw/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$RECIPE/mingw64-posix.cmake" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DGTest_DIR="$QT_CACHE/gtest-mingw/lib/cmake/GTest" \
    -DSOMBRANT_BUILD_BENCHMARKS=OFF \
    -DSOMBRANT_WINE_PREFIX="$WINEPREFIX" \
    >/dev/null
started=$(seconds)
cmake --build "$BUILD" ${SOMBRANT_WINDOWS_BUILD_ARGS:-}
say "built in $(( $(seconds) - started )) s"

if [ "$run_tests" = 1 ]; then
    started=$(seconds)
    # One Wine server for the whole run, kept a minute after the last
    # program ends: each test program then starts warm.
    /usr/lib/wine/wineserver --persistent=60
    ctest --test-dir "$BUILD" --output-on-failure ${SOMBRANT_WINDOWS_CTEST_ARGS:-}
    # ctest counts suites here (one program start each); the tests in them:
    log=$BUILD/Testing/Temporary/LastTest.log
    passed=$(tr -d '\r' < "$log" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\.$/\1/p' | awk '{n += $1} END {print n + 0}')
    skipped=$(tr -d '\r' < "$log" | sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:$/\1/p' | awk '{n += $1} END {print n + 0}')
    say "Windows tests under Wine: $passed passed, $skipped skipped, in $(( $(seconds) - started )) s"
fi
if [ "$make_package" = 1 ]; then
    started=$(seconds)
    "$RECIPE/make-installer.sh" "$BUILD" "$QT_CACHE"
    "$RECIPE/test-installer.sh" "$BUILD"/SombrantEditor-*-setup.exe
    say "installer made and tested in $(( $(seconds) - started )) s"
fi
