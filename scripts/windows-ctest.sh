#!/usr/bin/env bash
# Runs the Windows tests under Wine: a fresh prefix for this run and one persistent
# wineserver, started with no standard streams of ours, so that every test program starts in
# milliseconds and nothing Wine leaves running holds CTest's pipes open.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
wineserver -k </dev/null >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1
# Windows get their frames and title bars from a virtual desktop, as on Windows, so that
# screenshots show what a user sees.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1
# The desktop's own process outlives every program: started here, it holds no pipe of CTest's.
wine explorer /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 &
sleep 2
touch "$WINEPREFIX/.vantrel-ready"
status=0
ctest --preset windows -j2 "$@" || status=$?
wineserver -k </dev/null >/dev/null 2>&1 || true
exit $status
