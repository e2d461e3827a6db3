#!/usr/bin/env bash
# The main job: builds InstallVantrel7.05a.exe with its default payload, lists and tests the
# payload it carries with the release engineer's tool, then runs the installer: the wizard on
# this display, or, without one, a quick installation on a virtual screen, photographed.
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
if [ -n "${DISPLAY:-}" ]; then
    bash scripts/show-wizard.sh
else
    VANTREL_HEADLESS=1 xvfb-run -a -s "-screen 0 1024x768x24" bash scripts/show-wizard.sh
fi
