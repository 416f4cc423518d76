#!/usr/bin/env bash
# Runs every benchmark of a build folder and prints its timings.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
found=0
for bench in "$build"/bench_*; do
  [ -x "$bench" ] || continue
  found=1
  echo "== $(basename "$bench")"
  "$bench"
done
if [ "$found" = 0 ]; then
  echo "no benchmarks in $build" >&2
  exit 1
fi
