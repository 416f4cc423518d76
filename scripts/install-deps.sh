#!/usr/bin/env bash
# Installs only the Debian packages that the build, the tests and the demo need
# and that are not yet present. Safe to run again and again.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
  postgresql libqt6sql6-psql libpq-dev
  qt6-webengine-dev qt6-webengine-dev-tools qt6-charts-dev
  qt6-translations-l10n
  libquazip1-qt6-dev libsqlite3-dev libxlsxwriter-dev libseccomp-dev
  dpkg-dev desktop-file-utils appstream
  sqlite3 gcovr
  clang libclang-rt-dev clang-format clang-tidy ccache
  qtkeychain-qt6-dev gnome-keyring dbus
  fonts-noto-cjk
  xvfb xauth x11-utils imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
