#!/usr/bin/env bash
# Runs a test program against a real keyring of its own: a private session
# bus, and in it a GNOME keyring created and unlocked for the run, filed in a
# scratch home, so the user's own keyring is never read or written.
# Exits 77 (skipped) where the keyring daemon or the bus is not installed.
set -euo pipefail
program="$1"
shift

for tool in dbus-run-session gnome-keyring-daemon; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed" >&2
    exit 77
  fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-keyring.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/data" "$scratch/config" "$scratch/cache" "$scratch/run"
chmod 700 "$scratch/run"
export HOME="$scratch/home" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config"
export XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/run"
# Whatever desktop the caller runs, QtKeychain is to take the Secret Service
# (a KDE session would send it to KWallet, which the private bus lacks).
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_SESSION_VERSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
# The test looks through it for the key in the clear.
export TOLVANE_KEYRING_SCRATCH="$scratch"

status=0
dbus-run-session -- bash -c '
  set -euo pipefail
  # The password on stdin creates the login keyring, unlocked, with no prompt
  # (there is no display to show one). What the daemon prints is its
  # environment for the clients.
  set -a
  eval "$(printf %s tolvane-test | gnome-keyring-daemon --unlock --components=secrets)"
  set +a
  exec "$@"
' bash "$program" "$@" || status=$?
exit "$status"
