#!/usr/bin/env bash
# `make demo`: starts the local tracking service and a copy of the program in
# its own folder (BUILD_DIR/demo) whose endpoints.ini points every host at it.
# The service is stopped when the program ends.
set -euo pipefail

BUILD_DIR="${1:-build}"
BUILD_DIR="$(cd "$BUILD_DIR" && pwd)"
SIM="$BUILD_DIR/tracking-sim"
PROGRAM="$BUILD_DIR/tolvane"
for f in "$SIM" "$PROGRAM"; do
  if [ ! -x "$f" ]; then
    echo "demo: $f is missing; build first (make build)" >&2
    exit 1
  fi
done

. "$(dirname "$0")/local-service.sh"
start_local_service "$SIM" demo
demo="$BUILD_DIR/demo"
mkdir -p "$demo"
cp -f "$PROGRAM" "$demo/tolvane"
{
  write_hosts
  # DEMO_REFRESH_SECONDS=30 make demo: the background refresh on, every 30 s.
  if [ -n "${DEMO_REFRESH_SECONDS:-}" ]; then
    echo "[refresh]"
    echo "interval_seconds=$DEMO_REFRESH_SECONDS"
  fi
} >"$demo/endpoints.ini"
if [ -n "${DEMO_REFRESH_SECONDS:-}" ] && [ ! -e "$demo/config.ini" ]; then
  printf '[设置]\r\n自动刷新=1\r\n' | iconv -f UTF-8 -t GBK >"$demo/config.ini"
fi

echo "demo: tracking service on $host, program folder $demo"
echo "demo: waybill numbers ending in 1 are signed for, 2 delivered, 0 unknown, others in transit;"
echo "demo: endings 73-78 and 83-88 give the other statuses (tools/tracking-sim/README.md)"
# WebEngine refuses to run as root with its sandbox on; an ordinary user keeps it.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --no-sandbox"
fi
"$demo/tolvane"
