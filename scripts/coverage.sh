#!/usr/bin/env bash
# Line and branch coverage of tolvane_core per folder of src/, from the counts
# the tests left in a build made with -DTOLVANE_COVERAGE=ON. Branches that only
# throw or that gcc marks unreachable are left out: they are not our choices.
set -euo pipefail
dir=${1:-build-coverage}
cd "$(dirname "$0")/.."

mkdir -p "$dir/coverage"
gcovr --root . --object-directory "$dir" --filter 'src/' --exclude '.*_autogen/.*' --exclude-directories '.*/\.rcc$' \
  --exclude-throw-branches --exclude-unreachable-branches --gcov-ignore-parse-errors \
  --json "$dir/coverage.json" --txt "$dir/coverage.txt" --html-details "$dir/coverage/index.html"

summary() {  # folder: "covered total" for lines, then for branches
  gcovr --root . --add-tracefile "$dir/coverage.json" --filter "src/$1/" --print-summary --txt /dev/null |
    sed -n 's/^\(lines\|branches\): .*(\([0-9]*\) out of \([0-9]*\)).*/\2 \3/p' | tr '\n' ' '
}
percent() { if [ "$2" -gt 0 ]; then echo "$(( $1 * 1000 / $2 ))" | sed 's/\(.\)$/.\1/'; else echo -; fi; }

printf '%-10s %22s %22s\n' folder lines branches
for folder in core store carriers query transfer update settings manage app; do
  read -r lc lt bc bt <<<"$(summary "$folder")"
  [ "${lt:-0}" -gt 0 ] || continue
  printf '%-10s %6s%% %7s/%-7s %6s%% %7s/%-7s\n' "$folder" "$(percent "$lc" "$lt")" "$lc" "$lt" \
    "$(percent "$bc" "$bt")" "$bc" "$bt"
done
