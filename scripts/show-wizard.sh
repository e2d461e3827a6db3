#!/usr/bin/env bash
# Runs the built installer under Wine in a fresh prefix. With a display the wizard is the
# user's; without one it runs on a virtual screen, which is photographed, and then ends.
set -euo pipefail
cd "$(dirname "$0")/.."
installer="$PWD/build/windows/InstallVantrel7.05a.exe"
export WINEPREFIX="$PWD/build/windows/run-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
wineserver -k </dev/null >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1

if [ -n "${DISPLAY:-}" ] && [ -z "${VANTREL_HEADLESS:-}" ]; then
    wine "$installer" </dev/null >/dev/null 2>&1 || true
    wineserver -k </dev/null >/dev/null 2>&1 || true
    exit 0
fi

shots="$PWD/build/windows/screenshots"
mkdir -p "$shots"
wine explorer /desktop=Vantrel,1024x768 "$installer" </dev/null >/dev/null 2>&1 &
sleep 6
import -window root "$shots/wizard-start.png"
echo "The wizard is up; its start page: $shots/wizard-start.png"
wineserver -k </dev/null >/dev/null 2>&1 || true
