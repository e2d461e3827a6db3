#!/usr/bin/env bash
# Builds everything and runs every test: the host tests under the sanitizers, then the
# Windows tests under Wine, in a fresh Wine prefix on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset windows >/dev/null
cmake --build --preset windows

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

ctest --preset host -j2 2>&1 | tee "$results/host.log" || true
xvfb-run -a -s "-screen 0 1024x768x24" bash scripts/windows-ctest.sh 2>&1 | tee "$results/windows.log" || true

# One closing count over both runs.
summary=$(cat "$results/host.log" "$results/windows.log" |
    sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' |
    awk '{ failed += $1; total += $2; runs += 1 } END { printf "%d %d %d", total - failed, failed, runs }')
read -r passed failed runs <<<"$summary"
if [ "$runs" -ne 2 ]; then
    echo "test: a test run did not finish" >&2
    failed=$((failed + 1))
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
