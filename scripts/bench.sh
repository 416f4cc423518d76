#!/usr/bin/env bash
# Runs every benchmark that the build produced.
set -euo pipefail
build=${1:-build}
status=0
for b in "$build"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM=offscreen "$b" || status=1
done
exit $status
