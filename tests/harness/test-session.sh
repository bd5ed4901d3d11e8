#!/usr/bin/env bash
# Runs every test: a Wine prefix in the build folder, a persistent wineserver, a virtual X display
# with a Wine virtual desktop of 1366 x 768, then CTest over the 64-bit build.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

ensure_prefix
start_xvfb 1366x768x24
start_wineserver
trap 'stop_wineserver; stop_xvfb' EXIT
use_virtual_desktop 1366x768

export VARNELO_SOURCE_DIR=$(cd "$here/../.." && pwd)
ctest --test-dir "$BUILD_DIR/win64" --output-on-failure ${CTEST_ARGS:-}
