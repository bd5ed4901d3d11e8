# Sourced by the scripts that run Windows programs: one Wine prefix per purpose inside the build
# folder, code page 936, quiet Wine. Expects BUILD_DIR; sets WINEPREFIX from PREFIX_NAME.
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX="${BUILD_DIR:?}/wine/${PREFIX_NAME:-test}"

# Runs a command with the qemu-i386 interpreter (registered by the 32-bit smoke test) switched off:
# while it can run the 32-bit Wine loader, wineboot builds a 32-bit half that these tests never use
# (minutes instead of seconds).
without_qemu_i386() {
  local entry=/proc/sys/fs/binfmt_misc/qemu-i386
  if [[ -w $entry ]] && grep -qx enabled "$entry"; then
    echo 0 >"$entry"
    local status=0
    "$@" || status=$?
    echo 1 >"$entry"
    return "$status"
  fi
  "$@"
}

boot_prefix() {
  "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINESERVER" -w
}

# Creates the prefix once; its C: keeps the Windows folder, Z: (the whole Unix root) is removed.
ensure_prefix() {
  if [[ ! -f "$WINEPREFIX/.varnelo-ready" ]]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    without_qemu_i386 boot_prefix
    rm -f "$WINEPREFIX/dosdevices/z:"
    touch "$WINEPREFIX/.varnelo-ready"
  fi
}

# One persistent wineserver, so that each Wine process starts in a fraction of a second.
start_wineserver() {
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
}

# Runs a command without root's file-permission override (as it is, where that cannot be dropped).
# The wineserver opens files for every Wine process: without these two capabilities it meets
# folders of mode 000 and read-only files as a user would.
as_user() {
  if setpriv --bounding-set=-dac_override,-dac_read_search true 2>/dev/null; then
    setpriv --bounding-set=-dac_override,-dac_read_search "$@"
  else
    "$@"
  fi
}

start_wineserver_as_user() {
  as_user "$WINESERVER" -p </dev/null >/dev/null 2>&1
}

# Wine's mount manager reads the drive letters once, when Wine's background programs start: after
# changing the letters, end every Wine process of the prefix and start the wineserver again.
restart_wine_as_user() {
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  start_wineserver_as_user
  # The first Wine process starts Wine's background programs, and they keep its output open (a
  # test runner would wait on it): start them here, away from the caller's output.
  "$WINE64" reg query 'HKCU\Software\Wine' </dev/null >/dev/null 2>&1 || true
}

stop_wineserver() {
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
}

# Makes every process of the prefix share one virtual desktop of the given size.
use_virtual_desktop() {
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$1" /f >/dev/null 2>&1
}

# Starts Xvfb on a free display and exports DISPLAY; XVFB_PID is set for stop_xvfb.
start_xvfb() {
  local size="${1:-1366x768x24}" number
  for number in $(seq 90 140); do
    [[ -e "/tmp/.X$number-lock" || -e "/tmp/.X11-unix/X$number" ]] && continue
    Xvfb ":$number" -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
      if [[ -e "/tmp/.X11-unix/X$number" ]]; then
        export DISPLAY=":$number"
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  return 1
}

stop_xvfb() {
  [[ -n "${XVFB_PID:-}" ]] && kill "$XVFB_PID" 2>/dev/null || true
}
