#!/usr/bin/env bash
# Installs what the fuzz targets need beyond scripts/install-deps.sh: clang
# and libFuzzer. Only scripts/fuzz.sh calls it. Run as root.
set -euo pipefail
bash "$(dirname "$0")/install-deps.sh"
missing=()
for p in clang-14 libfuzzer-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
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
