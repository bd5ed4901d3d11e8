#!/usr/bin/env bash
# Runs the shipped 32-bit Varnelo.exe end to end: makes this machine able to run 32-bit Windows
# programs (Debian's 32-bit Wine loader, natively or through qemu user emulation), keeps a
# 32-bit-capable Wine prefix in the build folder, and drives the program on its own virtual display.
# Usage: smoke32.sh PROGRAM PROBE PROBE32   (BUILD_DIR set; run as root on Debian 12 for the set-up)
#        smoke32.sh --prepare   (only the machine's set-up, which needs root's full rights: the test
#                                session runs it before the tests, which run without them)
# Exit codes: 0 passed, 1 failed, 77 could not run here (the reason is printed on one line and
# left in $BUILD_DIR/smoke32/not-run.txt for the test session to repeat at its end).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prepare_only=0
if [[ ${1:-} == --prepare ]]; then
  prepare_only=1
  set -- - - -
fi
program=${1:?usage: smoke32.sh PROGRAM PROBE PROBE32}
probe=${2:?usage: smoke32.sh PROGRAM PROBE PROBE32}
probe32=${3:?usage: smoke32.sh PROGRAM PROBE PROBE32}
state="${BUILD_DIR:?}/smoke32"
mkdir -p "$state"
rm -f "$state/not-run.txt"

not_run() {
  local line="32-bit smoke test did not run: $*"
  echo "$line" | tee "$state/not-run.txt"
  exit 77
}

# Every step logs with its elapsed time, so that the cost of a cold build folder can be read off.
started=$SECONDS
say() { echo "[smoke32 +$((SECONDS - started))s] $*"; }

WINE32=/usr/lib/wine/wine
QEMU_I386=/usr/bin/qemu-i386-static
BINFMT=/proc/sys/fs/binfmt_misc

apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "$@" </dev/null >"$state/apt.log" 2>&1
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"
}

ensure_wine32() {
  installed wine32:i386 && return 0
  [[ $(id -u) == 0 ]] || not_run "wine32:i386 is not installed and installing it needs root"
  say "installing wine32:i386 (i386 architecture added to dpkg)"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386 || not_run "dpkg cannot add the i386 architecture"
  fi
  apt-get update -qq -o DPkg::Lock::Timeout=600 </dev/null >"$state/apt.log" 2>&1 ||
    not_run "apt-get update failed (see $state/apt.log)"
  apt_install wine32:i386 || not_run "no i386 packages reachable: wine32:i386 did not install (see $state/apt.log)"
}

# True when the kernel starts i386 programs, natively or through a registered interpreter.
runs_i386() {
  "$WINE32" --version >/dev/null 2>&1
}

ensure_i386_exec() {
  if runs_i386; then
    say "i386 programs run here ($([[ -e $BINFMT/qemu-i386 ]] && echo "through qemu-i386" || echo natively))"
    return 0
  fi
  [[ $(id -u) == 0 ]] || not_run "the kernel cannot run i386 programs and registering qemu needs root"
  if ! installed qemu-user-static; then
    say "installing qemu-user-static"
    apt_install qemu-user-static || not_run "qemu-user-static did not install (see $state/apt.log)"
  fi
  if [[ ! -e $BINFMT/register ]]; then
    mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null || not_run "binfmt_misc cannot be mounted"
  fi
  if [[ -e $BINFMT/qemu-i386 ]]; then
    # Registered already (by another session, perhaps switched off around a prefix creation).
    grep -qx enabled "$BINFMT/qemu-i386" || echo 1 >"$BINFMT/qemu-i386"
  else
    say "registering $QEMU_I386 for i386 programs"
    # qemu's usual i386 ELF magic and mask; F opens the interpreter now, so it works in any mount
    # namespace and chroot.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU_I386"':F' \
      >"$BINFMT/register" 2>/dev/null || not_run "the qemu-i386 interpreter cannot be registered with binfmt_misc"
  fi
  runs_i386 || not_run "i386 programs still do not start after registering qemu-i386"
  say "i386 programs run through qemu-i386"
}

ensure_wine32
ensure_i386_exec
((prepare_only)) && exit 0
# qemu keeps the emulated program's memory away from where Wine looks for it from outside, so
# no probe can read the folder picker's tree then (smoke32.py falls back to WM_SETTEXT).
through_qemu=0
[[ -e $BINFMT/qemu-i386 ]] && grep -qx enabled "$BINFMT/qemu-i386" && through_qemu=1

PREFIX_NAME=test32
source "$here/../harness/wine-env.sh"

# A prefix whose 32-bit half exists: Wine builds it while the 32-bit loader can run.
ensure_prefix32() {
  [[ -f "$WINEPREFIX/.varnelo-ready" ]] && return 0
  say "creating the 32-bit-capable prefix $WINEPREFIX (minutes under qemu)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINESERVER" -w
  [[ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]] || {
    echo "the prefix has no 32-bit system folder (syswow64)" >&2
    exit 1
  }
  rm -f "$WINEPREFIX/dosdevices/z:"
  # Set before any desktop process of the prefix starts, so the first one is the virtual desktop.
  use_virtual_desktop 1366x768
  "$WINESERVER" -w
  touch "$WINEPREFIX/.varnelo-ready"
  say "prefix ready"
}

ensure_prefix32
start_xvfb 1366x768x24
start_wineserver
trap 'stop_wineserver; stop_xvfb' EXIT

# A 32-bit program started by the 64-bit loader must lie on a Wine drive (this prefix has no Z:).
mkdir -p "$WINEPREFIX/drive_c/Varnelo"
cp "$probe32" "$WINEPREFIX/drive_c/Varnelo/probe32.exe"

say "driving the 32-bit program"
export VARNELO_SOURCE_DIR=$(cd "$here/../.." && pwd)
export VARNELO_EXE="$program" VARNELO_PROBE="$probe" VARNELO_PROBE32='C:\Varnelo\probe32.exe' WINE32 VARNELO_E2E_DEADLINE=300 \
  SMOKE32_THROUGH_QEMU=$through_qemu
PYTHONDONTWRITEBYTECODE=1 python3 "$here/smoke32.py"
say "passed"
