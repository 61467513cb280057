#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang into build-fuzz and runs each on
# a copy of its seeds (fuzz/seeds/<target>) for FUZZ_SECONDS seconds (20 by
# default). A crash, a sanitizer report or an input that runs over 5 seconds
# fails the run, and the input is printed. FUZZ_TARGETS="fuzz_list ..."
# runs only those. Each target's coverage and executions per second are
# printed at its end. Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --fuzz
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRAK_FUZZ=ON \
  -DOSTRAK_BUILD_TESTS=OFF -DOSTRAK_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$build_dir" --target ostrak_fuzzers --parallel "$(nproc)"

seconds=${FUZZ_SECONDS:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
for target in ${FUZZ_TARGETS:-$(cat "$build_dir/fuzz/targets.txt")}; do
  mkdir -p "$work/$target/corpus" "$work/$target/found"
  cp -r "fuzz/seeds/$target/." "$work/$target/corpus/"
  log=$work/$target/log
  if ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 "$build_dir/fuzz/bin/$target" \
      -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/$target/found/" "$work/$target/corpus" >"$log" 2>&1; then
    coverage=$(sed -n 's/^#[0-9]*[[:space:]]*DONE .*cov: \([0-9]*\).*/\1/p' "$log" | tail -1)
    rate=$(sed -n 's/.*stat::average_exec_per_sec: *//p' "$log" | tail -1)
    echo "$target: $rate executions/s, coverage $coverage edges after ${seconds} s"
  else
    failed+=("$target")
    echo "$target FAILED; the end of its log:" >&2
    tail -40 "$log" >&2
    for input in "$work/$target/found"/*; do
      [ -e "$input" ] || continue
      echo "--- input $(basename "$input") ($(stat -c %s "$input") bytes):" >&2
      head -c 4096 "$input" | od -A d -c | head -60 >&2 || true
    done
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]}" >&2
  exit 1
fi
