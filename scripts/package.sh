#!/usr/bin/env bash
# Builds the Debian package ostrak_<version>_amd64.deb into build-deb/ (the
# program only, for the prefix /usr). With --install it then installs it with
# apt-get, which brings in what it depends on and what it recommends.
set -euo pipefail
cd "$(dirname "$0")/.."
install=0
if [ "${1:-}" = "--install" ]; then
  install=1
  shift
fi
bash scripts/install-deps.sh
build_dir=${BUILD_DIR:-build-deb}
BUILD_DIR=$build_dir bash scripts/build.sh \
  -DCMAKE_INSTALL_PREFIX=/usr -DOSTRAK_BUILD_TESTS=OFF -DOSTRAK_BUILD_BENCH=OFF "$@"
rm -f "$build_dir"/ostrak_*.deb
(cd "$build_dir" && cpack -G DEB)
deb=$(ls "$build_dir"/ostrak_*_amd64.deb)
echo "Package: $deb"
if [ "$install" = 1 ]; then
  apt-get install -y "./$deb"
fi
