#!/usr/bin/env bash
# The installation benchmark: our installer and an NSIS installer of the same reference
# payload, timed under Wine in a fresh prefix. Needs a display: run it under xvfb-run.
#   xvfb-run -a -s "-screen 0 1024x768x24" bash bench/install_bench.sh [ROUNDS [BASELINE_INSTALLER]]
set -euo pipefail
baseline=()
[ $# -lt 2 ] || baseline=("$(realpath "$2")")
cd "$(dirname "$0")/.."
command -v makensis >/dev/null || apt-get install -y nsis
cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target reference_files >/dev/null
cmake --preset windows -DVANTREL_BENCH=OFF -DVANTREL_INSTALL_BENCH=ON >/dev/null
cmake --build --preset windows -j2 --target installer install_bench vantrel_program sample_dsetup >/dev/null
. scripts/wine-prefix.sh
fresh_wine_prefix "$PWD/build/bench-install/wineprefix" desktop
status=0
python3 bench/install_bench.py "${1:-5}" "${baseline[@]}" || status=$?
wineserver -k </dev/null >/dev/null 2>&1 || true
exit $status
