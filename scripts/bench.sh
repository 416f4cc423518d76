#!/usr/bin/env bash
# Runs every benchmark that the build produced, then prints one table of the
# figures they measured against their goals (their FIGURE lines:
# FIGURE<TAB>what<TAB>measured<TAB>goal<TAB>ok|over|n/a).
set -uo pipefail
build=${1:-build}
status=0
figures=$(mktemp)
out=$(mktemp)
trap 'rm -f "$figures" "$out"' EXIT
for b in "$build"/bench_*; do
  [ -x "$b" ] || continue
  name=$(basename "$b")
  echo "== $name"
  QT_QPA_PLATFORM=offscreen "$b" | tee "$out"
  rc=${PIPESTATUS[0]}
  grep '^FIGURE' "$out" | sed "s/^FIGURE\t/$name\t/" >>"$figures"
  if [ "$rc" -ne 0 ]; then
    status=1
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" "(the bench failed: exit $rc)" "n/a" "" "n/a" >>"$figures"
  fi
done
echo
echo "Figures against goals"
if ! command -v python3 >/dev/null; then
  { printf 'bench\twhat\tmeasured\tgoal\tverdict\n'; cat "$figures"; } | column -t -s $'\t'
  exit $status
fi
# Chinese characters take two columns.
python3 - "$figures" <<'PY'
import sys, unicodedata
def width(s):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in s)
rows = [["bench", "what", "measured", "goal", "verdict"]]
rows += [line.rstrip("\n").split("\t") for line in open(sys.argv[1], encoding="utf-8") if line.strip()]
rows = [(r + [""] * 5)[:5] for r in rows]
widths = [max(width(r[i]) for r in rows) for i in range(5)]
for n, r in enumerate(rows):
    print("  ".join(c + " " * (widths[i] - width(c)) for i, c in enumerate(r)).rstrip())
    if n == 0:
        print("  ".join("-" * w for w in widths))
PY
exit $status
