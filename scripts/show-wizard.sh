#!/usr/bin/env bash
# Runs the built installer under Wine in a fresh prefix. With a display the wizard is the
# user's; without one a driver makes a quick installation on a virtual screen, photographs
# every page it passes and prints what the installation page logged.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$PWD/build/windows"
installer="$build/InstallVantrel7.05a.exe"
export WINEPREFIX="$build/run-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
wineserver -k </dev/null >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1

if [ -z "${VANTREL_HEADLESS:-}" ]; then
    wine "$installer" </dev/null >/dev/null 2>&1 || true
    wineserver -k </dev/null >/dev/null 2>&1 || true
    exit 0
fi

# A virtual desktop gives the windows their frames, as a user would see them.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1
wine explorer /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 &
sleep 2

shots="$build/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
log="$shots/installation-log.txt"
status=0
wine "$build/tests/bin/quick_install.exe" "$(winepath -w "$shots")" "$(winepath -w "$log")" \
    </dev/null >/dev/null 2>&1 || status=$?
for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo
echo "== What the installation page logged"
[ -f "$log" ] && cat "$log"
echo
echo "== Screenshots of every page passed: $shots"
ls "$shots"
wineserver -k </dev/null >/dev/null 2>&1 || true
exit "$status"
