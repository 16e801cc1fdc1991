#!/bin/bash
# Installs the Windows installer silently under Wine, checks what it installed
# by running it with nothing but the installed folder on its path, starts the
# installed editor on a virtual display, then uninstalls and checks that the
# folder and the Start-menu entry are gone.
#   test-installer.sh SETUP_EXE [SCREENSHOT.png]
# The screenshot of the running editor is taken only when a file is named
# (it needs xwd and ImageMagick's convert).
set -euo pipefail
SETUP=$(readlink -f "${1:?installer}"); SHOT=${2:-}
export WINEARCH=win64 WINEPREFIX=${SOMBRANT_WINE_PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/sombrant-windows/wine-prefix}
export WINEDEBUG=-all WINEPATH=
WINE=/usr/lib/wine/wine64
fail() { echo "installer test: $*" >&2; exit 1; }

# Installed where a guitarist's copy goes, in our own Wine prefix.
target='C:\Program Files\Sombrant Editor'
unix_target=$($WINE winepath -u "$target" 2>/dev/null | tr -d '\r')
menu=$($WINE winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Sombrant Editor.lnk' 2>/dev/null | tr -d '\r')
rm -rf "$unix_target"

$WINE "$SETUP" /S || fail "the silent install ended with status $?"
for f in sombrant-editor.exe sombrant.exe Uninstall.exe qt.conf Qt6Core.dll plugins/platforms/qwindows.dll \
         plugins/tls/qschannelbackend.dll; do
    [ -f "$unix_target/$f" ] || fail "$f was not installed"
done
[ -f "$menu" ] || fail "no Start-menu entry"
[ ! -e "$unix_target/FTD2XX.DLL" ] && [ ! -e "$unix_target/ftd2xx.dll" ] || fail "the D2XX library was shipped"

# The installed tool, with no DLL from outside its folder.
status=$($WINE "$unix_target/sombrant.exe" --simulate status | tr -d '\r')
grep -q '^Firmware: 08$' <<<"$status" || fail "the installed sombrant did not read the simulated pedal: $status"

# The installed editor on a virtual display: it must come up and keep running.
display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 2
DISPLAY=$display $WINE "$unix_target/sombrant-editor.exe" --simulate >/dev/null 2>&1 &
editor=$!
sleep 15
kill -0 $editor 2>/dev/null || fail "the installed editor did not keep running"
if [ -n "$SHOT" ]; then
    xwd -root -display "$display" | convert xwd:- -crop 1280x800+0+0 "$SHOT"
fi
# The editor under Wine is this very process: ending it ends the program.
kill $editor 2>/dev/null || true
wait $editor 2>/dev/null || true

$WINE "$unix_target/Uninstall.exe" /S || fail "the silent uninstall ended with status $?"
# The uninstaller copies itself away and finishes from there.
for _ in $(seq 1 30); do [ -e "$unix_target" ] || break; sleep 1; done
[ ! -e "$unix_target" ] || fail "the uninstaller left $(ls "$unix_target")"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu entry"
echo "installer test: installed, ran the tool and the editor, uninstalled"
