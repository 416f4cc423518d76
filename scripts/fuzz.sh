#!/usr/bin/env bash
# Runs every fuzz target of <build dir> for <seconds> each, one after another,
# from a copy of its committed seed corpus. Any finding (a crash, a sanitizer
# report or a failed check) is kept under <build dir>/findings/<target>/ and
# fails the run. Usage: fuzz.sh <build dir> <seconds> [target...]
set -uo pipefail
build=${1:?build dir}
seconds=${2:?seconds}
shift 2
here=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(inifile textimport xlsx xls xlsread conciseanswer harvestrules)

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/tests/fuzz/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$corpus" "$findings"
  cp -n "$here/tests/fuzz/corpus/$t/"* "$corpus/" 2>/dev/null || true
  log="$build/findings/$t.log"
  options=$ASAN_OPTIONS
  [ -f "$here/tests/fuzz/$t.supp" ] && options="$options:suppressions=$here/tests/fuzz/$t.supp"
  echo "fuzz: $t for ${seconds}s"
  ASAN_OPTIONS=$options "$build/fuzz_$t" -max_total_time="$seconds" -timeout=45 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1
  status=$?
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed "s/^/  $t /"
  if [ $status -ne 0 ]; then
    echo "fuzz: $t FOUND A FAILURE (exit $status), see $log and $findings/"
    grep -m5 -E 'ERROR|runtime error|abort|SUMMARY|: [a-z].*' "$log" | head -5
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
