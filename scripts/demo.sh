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

sim_out="$(mktemp)"
"$SIM" --port 0 >"$sim_out" &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -f "$sim_out"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

port=""
for _ in $(seq 1 100); do
  line="$(head -n 1 "$sim_out" 2>/dev/null || true)"
  if [[ "$line" =~ ^listening\ on\ 127\.0\.0\.1:([0-9]+)$ ]]; then
    port="${BASH_REMATCH[1]}"
    break
  fi
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "demo: tracking-sim did not start" >&2
  exit 1
fi

host="http://127.0.0.1:$port"
demo="$BUILD_DIR/demo"
mkdir -p "$demo"
cp -f "$PROGRAM" "$demo/tolvane"
{
  echo "[hosts]"
  for key in tracking_service default_source default_source_alternate backup_source_1 \
             backup_source_2 maker_site update_server; do
    echo "$key=$host"
  done
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
