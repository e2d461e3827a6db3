#!/usr/bin/env bash
# The main job: builds InstallVantrel7.05a.exe with its default payload, then lists and tests
# the payload it carries with the release engineer's tool.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
installer=build/windows/InstallVantrel7.05a.exe
tool=build/windows/host-tools/tools/payload
echo
echo "== $installer ($(stat -c %s "$installer") bytes)"
"$tool" list "$installer"
"$tool" test "$installer"
