#!/usr/bin/env bash
# Opens the program under Wine on the user's X display. Without a display it says so, starts a
# virtual one, and saves a screenshot of the window instead.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
PREFIX_NAME=run
source "$here/wine-env.sh"

ensure_prefix
# The program runs from a Wine drive, so that its own folder can become its current directory.
install_dir="$WINEPREFIX/drive_c/Varnelo"
mkdir -p "$install_dir"
cp "$BUILD_DIR/win64/Varnelo.exe" "$install_dir/"

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  echo "Varnelo runs on $DISPLAY; close its window to end."
  exec "$WINE64" 'C:\Varnelo\Varnelo.exe'
fi

shot="$BUILD_DIR/varnelo-window.png"
echo "There is no X display (DISPLAY is unset or unreachable), so the program cannot be shown here."
echo "To use it, run 'make run' in a graphical session, or copy $BUILD_DIR/win32/Varnelo.exe to Windows."
echo "Starting it on a virtual display instead, to save a screenshot to $shot ..."
start_xvfb 1366x768x24
start_wineserver
trap 'stop_wineserver; stop_xvfb' EXIT
"$WINE64" 'C:\Varnelo\Varnelo.exe' &
for _ in $(seq 300); do
  if xdotool search --name '^Varnelo$' >/dev/null 2>&1; then
    window=$(xdotool search --name '^Varnelo$' | head -n 1)
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
    import -window root "$shot"
    echo "Saved $shot"
    exit 0
  fi
  sleep 0.2
done
echo "The window did not appear." >&2
exit 1
