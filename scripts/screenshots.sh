#!/usr/bin/env bash
# `make screenshots`: the README's pictures, taken by the program itself under
# Xvfb (real fonts, the real embedded page) against the local tracking service,
# over a demo register in a temporary folder. Writes docs/*.png.
#   scripts/screenshots.sh [BUILD_DIR] [--maximised FILE]
set -euo pipefail

BUILD_DIR="${1:-build}"
BUILD_DIR="$(cd "$BUILD_DIR" && pwd)"
shift || true
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SIM="$BUILD_DIR/tracking-sim"
SHOTS="$BUILD_DIR/tolvane-screenshots"
for f in "$SIM" "$SHOTS"; do
  if [ ! -x "$f" ]; then
    echo "screenshots: $f is missing; build first (make build)" >&2
    exit 1
  fi
done
command -v xvfb-run >/dev/null || { echo "screenshots: xvfb-run is missing (scripts/install-deps.sh)" >&2; exit 1; }

work="$(mktemp -d)"
on_exit='rm -rf "$work"'
. "$ROOT/scripts/local-service.sh"
start_local_service "$SIM" screenshots
mkdir -p "$work/data" "$ROOT/docs"
write_hosts >"$work/data/endpoints.ini"
# No update question over the pictures.
printf '[设置]\r\n自动更新=1\r\n' | iconv -f UTF-8 -t GBK >"$work/data/config.ini"

export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --no-sandbox"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" "$SHOTS" "$work/data" "$ROOT/docs" "$@"
