#!/usr/bin/env bash
# check-package.sh <build folder> <version>: builds the Debian package, unpacks
# it into a scratch root, checks what it installs, and starts the unpacked
# program as a new user would: an empty home, a virtual screen, no data yet.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  # On the virtual screen: wait for the main window and the provisioned data folder.
  program=$2 data=$3 log=$4
  "$program" >"$log" 2>&1 &
  pid=$!
  # A bound for a start that never comes; a busy machine may take a while.
  deadline=$((SECONDS + 180))
  while [ "$SECONDS" -lt "$deadline" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "FAIL: the program ended early" >&2
      cat "$log" >&2
      exit 1
    fi
    if xwininfo -root -tree 2>/dev/null | grep -q '"Tolvane V3.0"' && [ -f "$data/config.ini" ]; then
      kill "$pid"
      wait "$pid" 2>/dev/null || true
      exit 0
    fi
    sleep 0.25
  done
  kill "$pid"
  echo "FAIL: no main window or no config.ini in $data after 180 s" >&2
  cat "$log" >&2
  exit 1
fi

build=$(cd "$1" && pwd)
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Into the scratch folder, so that the test never touches build/'s own package.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  fail "cpack could not build the package"
fi
deb="$scratch/out/tolvane_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/tolvane usr/bin/tolvane-sheet usr/bin/tolvane-export; do
  [ -x "$root/$f" ] || fail "$f missing or not executable"
done
entry="$root/usr/share/applications/tolvane.desktop"
metainfo="$root/usr/share/metainfo/com.tolvane.Tolvane.metainfo.xml"
[ -f "$entry" ] || fail "no desktop entry"
[ -f "$metainfo" ] || fail "no AppStream metainfo"
for size in 48 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/tolvane.png"
  [ -f "$icon" ] || fail "no ${size}px icon"
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || fail "the ${size}px icon has another size"
done
unexpected=$(find "$root" -type f | grep -v -E '/usr/bin/tolvane(-sheet|-export)?$|/usr/share/(applications|metainfo|icons)/' || true)
[ -z "$unexpected" ] || fail "files that do not belong in the package: $unexpected"

desktop-file-validate "$entry" || fail "desktop-file-validate refuses the entry"
grep -qx 'Exec=tolvane' "$entry" || fail "Exec is not tolvane"
grep -qx 'Categories=Network;Office;' "$entry" || fail "categories"
grep -q '^Name\[zh_CN\]=' "$entry" || fail "no Chinese name"
appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 || {
  cat "$scratch/appstream.log" >&2
  fail "appstreamcli refuses the metainfo"
}
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6webenginecore6 libxlsxwriter4 libquazip1-qt6 libqt6sql6-sqlite; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
# .xls files are read by the program's own reader.
[[ "$depends" != *libfreexl* ]] || fail "Depends still names FreeXL: $depends"

# The unpacked program lies in <root>/usr/bin beside <root>/usr/share/applications,
# as installed: its data must go to the user's folder, not beside it.
home="$scratch/home"
mkdir -p "$home"
data="$home/.local/share/Tolvane"
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside "$root/usr/bin/tolvane" "$data" "$scratch/program.log"
for f in kd.db config.ini help.txt config; do
  [ -e "$data/$f" ] || fail "the data folder lacks $f"
done
beside=$(find "$root/usr/bin" -type f ! -name 'tolvane*' || true)
[ -z "$beside" ] || fail "the program wrote beside itself: $beside"
echo "package $deb: files, desktop entry, metainfo, dependencies and first start checked"
