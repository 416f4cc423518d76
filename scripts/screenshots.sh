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
"$SIM" --port 0 >"$work/sim.out" &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

port=""
for _ in $(seq 1 100); do
  line="$(head -n 1 "$work/sim.out" 2>/dev/null || true)"
  if [[ "$line" =~ ^listening\ on\ 127\.0\.0\.1:([0-9]+)$ ]]; then
    port="${BASH_REMATCH[1]}"
    break
  fi
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$port" ] || { echo "screenshots: tracking-sim did not start" >&2; exit 1; }

host="http://127.0.0.1:$port"
mkdir -p "$work/data" "$ROOT/docs"
{
  echo "[hosts]"
  for key in tracking_service default_source default_source_alternate backup_source_1 \
             backup_source_2 maker_site update_server; do
    echo "$key=$host"
  done
} >"$work/data/endpoints.ini"
# No update question over the pictures.
printf '[设置]\r\n自动更新=1\r\n' | iconv -f UTF-8 -t GBK >"$work/data/config.ini"

export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --no-sandbox"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" "$SHOTS" "$work/data" "$ROOT/docs" "$@"
