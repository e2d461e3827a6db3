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
touch "$WINEPREFIX/.vantrel-ready"
status=0
ctest --preset windows -j2 "$@" || status=$?
wineserver -k </dev/null >/dev/null 2>&1 || true
exit $status
