#!/usr/bin/env bash
# Runs every test: a Wine prefix in the build folder, a persistent wineserver, a virtual X display
# with a Wine virtual desktop of 1366 x 768, then CTest over the 64-bit build.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

ensure_prefix
start_xvfb 1366x768x24
start_wineserver_as_user
trap 'stop_wineserver; stop_xvfb' EXIT
use_virtual_desktop 1366x768

export VARNELO_SOURCE_DIR=$(cd "$here/../.." && pwd)
# The 32-bit smoke test leaves a line here when this machine cannot run it; repeated at the end,
# where it cannot be missed among the other tests' output.
not_run="$BUILD_DIR/smoke32/not-run.txt"
rm -f "$not_run"
# Installing the 32-bit Wine needs root's full rights; the tests themselves do not get them.
if [[ -z "${CTEST_ARGS:-}" || "${CTEST_ARGS}" == *smoke32* ]]; then
  bash "$here/../smoke32/smoke32.sh" --prepare || true
fi
# Every test runs without root's file-permission override, as a user's programs would: a folder
# of mode 000 cannot be listed and a read-only file cannot be overwritten. A wineserver that a
# test starts anew inherits the same rights.
status=0
as_user ctest --test-dir "$BUILD_DIR/win64" --output-on-failure ${CTEST_ARGS:-} || status=$?
[[ -f "$not_run" ]] && cat "$not_run"
exit "$status"
