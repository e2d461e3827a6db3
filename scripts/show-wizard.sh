#!/usr/bin/env bash
# Runs the built installer under Wine in a fresh prefix. With a display the wizard is the
# user's; without one a driver makes a quick installation on a virtual screen, photographs
# every page it passes and prints what the installation page logged.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$PWD/build/windows"
installer="$build/InstallVantrel7.05a.exe"
. scripts/wine-prefix.sh
if [ -z "${VANTREL_HEADLESS:-}" ]; then
    fresh_wine_prefix "$build/run-prefix"
    wine "$installer" </dev/null >/dev/null 2>&1 || true
    wineserver -k </dev/null >/dev/null 2>&1 || true
    exit 0
fi
fresh_wine_prefix "$build/run-prefix" desktop

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
