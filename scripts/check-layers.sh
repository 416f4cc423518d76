#!/usr/bin/env bash
# The folders of src/ are layers: each may include only itself and the folders
# below it. Prints every include that points upwards and fails if there is one.
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"
layers=(core store carriers services settings query update transfer manage app)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

bad=0
for folder in "${layers[@]}"; do
  [ -d "$src/$folder" ] || continue
  own=$(rank "$folder")
  while IFS= read -r hit; do
    target=${hit#*#include \"}
    target=${target%%/*}
    r=$(rank "$target")
    if [ "$r" -lt 0 ] || [ "$r" -gt "$own" ]; then
      echo "upward include: $hit"
      bad=1
    fi
  done < <(grep -rHn '^#include "[a-z]*/' "$src/$folder" || true)
done
exit $bad
