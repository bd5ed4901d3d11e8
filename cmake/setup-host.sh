#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (as root), once; later runs only check.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool x11-utils imagemagick
  fonts-wqy-microhei locales googletest python3 clang-format)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page (936) from this locale. Listed in locale.gen too, so that an
# upgrade of the locales package (the 32-bit Wine packages bring one) generates it again.
grep -qx 'zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  echo "setup: generating the zh_CN.UTF-8 locale"
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
