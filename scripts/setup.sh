#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need. Safe to run again:
# only missing packages are installed, and the package lists are fetched once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  libz-mingw-w64-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libssl-dev libcurl4-openssl-dev libsqlite3-dev libcpp-httplib-dev sqlite3
  wine wine64 xvfb xauth x11-apps imagemagick fonts-wqy-microhei
  python3 procps locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # A fresh machine has no package lists at all; fetch them once.
  if [ -z "$(ls -A /var/lib/apt/lists 2>/dev/null | grep -v -e lock -e partial)" ] || [ -n "${MERVOLT_APT_UPDATE:-}" ]; then
    $sudo apt-get update
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}" || {
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  }
fi
# Wine converts command lines, file names and console text through the host's locale: without
# zh_CN.UTF-8 generated, every non-ASCII byte of an argument loses its high bit.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
echo "setup: all packages present"
