#!/usr/bin/env bash
# Installs what is missing, builds Ostrak and its tests, and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh "$@"
cd "${BUILD_DIR:-build}"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
