#!/usr/bin/env bash
# Runs every fuzz target of a sanitizer build for FUZZ_SECONDS (default 60) from its seed
# corpus; the damaged-project target, which starts a process per input, for twice as long. A crash, leak, hang or sanitizer report fails the run; libFuzzer leaves the input
# that found it in build-sanitize/fuzz-findings/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-sanitize}
seconds=${FUZZ_SECONDS:-60}
. "$top/scripts/sanitizer-env.sh"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
findings=$build/fuzz-findings
mkdir -p "$findings"
status=0
for target in device_replies settings report_csv project_open; do
  exe=$build/tests/fuzz/fuzz_$target
  corpus=$build/fuzz-corpus/$target
  mkdir -p "$corpus"
  cp -n "$top/tests/fuzz/corpus/$target/"* "$corpus/" || true
  budget=$seconds
  [ "$target" = project_open ] && budget=$((2 * seconds))
  args=(-max_total_time="$budget" -timeout=20 -rss_limit_mb=2048 -malloc_limit_mb=512
        -print_final_stats=1 -artifact_prefix="$findings/$target-")
  [ -f "$top/tests/fuzz/$target.dict" ] && args+=(-dict="$top/tests/fuzz/$target.dict")
  echo "== fuzz_$target: $budget s"
  if ! "$exe" "${args[@]}" "$corpus" > "$build/fuzz-$target.log" 2>&1; then
    echo "fuzz_$target FAILED:"; tail -60 "$build/fuzz-$target.log"; status=1
  else
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov:' "$build/fuzz-$target.log" | tail -3
  fi
done
exit $status
