# Sourced by demo.sh and screenshots.sh: starts the local tracking service
# and writes an endpoints.ini that points every host at it.
#   start_local_service SIM NAME  sets sim_pid and host, and stops the
#                                 service when the script exits; NAME prefixes
#                                 its messages; $on_exit, if set, runs at exit too
#   write_hosts                   prints the [hosts] section for $host

start_local_service() {
  local sim=$1 name=$2
  sim_out="$(mktemp)"
  "$sim" --port 0 >"$sim_out" &
  sim_pid=$!
  trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -f "$sim_out"; eval "${on_exit:-}"' EXIT
  trap 'exit 130' INT TERM
  local port="" line
  for _ in $(seq 1 100); do
    line="$(head -n 1 "$sim_out" 2>/dev/null || true)"
    if [[ "$line" =~ ^listening\ on\ 127\.0\.0\.1:([0-9]+)$ ]]; then
      port="${BASH_REMATCH[1]}"
      break
    fi
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "$name: tracking-sim did not start" >&2; exit 1; }
  host="http://127.0.0.1:$port"
}

write_hosts() {
  echo "[hosts]"
  for key in tracking_service default_source default_source_alternate backup_source_1 \
             backup_source_2 maker_site update_server kuaidi100 kdniao 17track; do
    echo "$key=$host"
  done
}
