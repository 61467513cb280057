#!/usr/bin/env bash
# Start-up: time from exec to the main window existing on the X server, and
# the resident memory once idle, for ostrak beside a bare Qt + QScintilla
# window measured in the same run. Needs an X display (e.g. under xvfb-run).
# Usage: bench/bench_startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
[ -n "${DISPLAY:-}" ] || { echo "needs DISPLAY (run it under xvfb-run -a)"; exit 1; }

measure() {
  local label=$1; shift
  local total=0 rss=0
  for ((i = 0; i < runs; i++)); do
    local start end pid
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 &
    pid=$!
    until xwininfo -root -tree 2>/dev/null | grep -q '"Untitled - Ostrak"'; do sleep 0.002; done
    end=$(date +%s%N)
    sleep 1
    rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
    kill $pid; wait $pid 2>/dev/null || true
    while xwininfo -root -tree 2>/dev/null | grep -q '"Untitled - Ostrak"'; do sleep 0.01; done
    total=$((total + (end - start) / 1000000))
  done
  printf '%-32s mapped after %4d ms (mean of %d), idle RSS %5d MiB\n' "$label" $((total / runs)) "$runs" \
    $((rss / 1024))
}

measure "bare Qt + QScintilla window" "$build/bench/bare_window"
measure "ostrak" "$build/bin/ostrak"
