#!/usr/bin/env bash
# Installs the Debian 12 packages that Ostrak needs to build, run and test,
# only those that are missing. Run as root. With --fuzz it also installs
# clang and libFuzzer, which only the fuzz targets need (scripts/fuzz.sh).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqscintilla2-qt6-dev qt6-webengine-dev
  libcurl4-openssl-dev libssl-dev libssh-dev libx11-dev libgl-dev
  perl libpadwalker-perl default-jdk-headless python3 python3-pyftpdlib python3-openssl openssl openssh-server socat inetutils-telnetd vsftpd
  xvfb xauth xterm x11-utils imagemagick fonts-dejavu-core
  dpkg-dev desktop-file-utils appstream
  perltidy libperl-critic-perl perl-doc
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang-14 libfuzzer-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}; run this script as root (or install them with apt-get)." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
