#!/usr/bin/env bash
# Installs what is missing, builds Ostrak and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. To run Ostrak without one, start it under a virtual X server:"
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' build/bin/ostrak"
  exit 0
fi
exec build/bin/ostrak "$@"
