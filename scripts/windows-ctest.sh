#!/usr/bin/env bash
# Runs the Windows tests under Wine, in a fresh prefix of their own with a virtual desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-prefix.sh
fresh_wine_prefix "$PWD/build/windows/wineprefix" desktop
status=0
ctest --preset windows -j2 "$@" || status=$?
wineserver -k </dev/null >/dev/null 2>&1 || true
exit $status
