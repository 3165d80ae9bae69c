#!/usr/bin/env bash
# Runs every fuzz target of a sanitizer build for FUZZ_SECONDS (default 60) from its seed
# corpus, the damaged-project target for twice as long; FUZZ_TARGETS (names separated by
# spaces) runs only those. A crash, leak, hang or sanitizer report fails the run; the input
# that found it is left in build-sanitize/fuzz-findings/.
#
# The damaged-project target runs under libFuzzer's -fork, opening the files in its job
# processes: a crash there ends one job, not the run. A crash inside the engine is counted and
# its input kept in build-sanitize/fuzz-tolerated/. Every other input a job stopped on is run
# again alone, opened in a fresh process as a user opens it: only what fails there too is a
# finding. What the engine's memory kept from earlier files in the same job does not count.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-sanitize}
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-device_replies settings report_csv project_open}
. "$top/scripts/sanitizer-env.sh"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
findings=$build/fuzz-findings
mkdir -p "$findings"
status=0

# Each job opens a file several times per input, and the engine writes it with O_DSYNC: on
# a RAM disk that costs no disk flush.
scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/vorn-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Runs the damaged-project target forked: $1 its log, $2 the target, the rest libFuzzer's
# arguments.
fuzz_project_open() {
  local log=$1 exe=$2; shift 2
  local staged=$build/fuzz-project_open-stopped tolerated=$build/fuzz-tolerated/project_open
  rm -rf "$staged"; mkdir -p "$staged" "$tolerated"
  # A job has no probe child, whose 6 s limit turns a hang into a refusal: it waits for the
  # time-out, which ends the job. An open takes 0.1-0.3 s; an input that runs out of 3 s by
  # chance is tolerated when it is run again alone.
  local -a forked=(-fork=2 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -timeout=3
                   -print_funcs=0)
  # A job's own log goes with it; the sanitizers' reports stay, one file per process.
  local reports=$build/fuzz-tolerated/project_open-reports
  rm -rf "$reports"; mkdir -p "$reports"
  # The exit status is that of the last job, so the log and the inputs tell how it went.
  TMPDIR=$scratch VORN_FUZZ_IN_PROCESS=1 VORN_FUZZ_PRISTINE=$scratch/pristine.fdb \
    VORN_FUZZ_ENGINE_CRASHES=$tolerated ASAN_OPTIONS=$ASAN_OPTIONS:log_path=$reports/report \
    "$exe" "$@" "${forked[@]}" \
    -artifact_prefix="$staged/" > "$log" 2>&1 || true
  if ! grep -q '^INFO: exiting:' "$log"; then
    echo "the forking process did not end normally"; return 1
  fi
  local failed=0 input name verdict
  for input in "$staged"/*; do
    [ -e "$input" ] || continue
    name=$(basename "$input")
    if TMPDIR=$scratch VORN_FUZZ_PRISTINE=$scratch/pristine.fdb "$exe" -timeout=20 \
         -rss_limit_mb=2048 "$input" > "$log.$name" 2>&1; then
      verdict="not found again alone"
      grep -q 'the engine crashed' "$log.$name" && verdict="crashed the engine again alone"
      echo "tolerated $name: $verdict"
      mv "$input" "$tolerated/"
      rm -f "$log.$name"
    else
      echo "finding $name (found again alone, log in $log.$name)"
      mv "$input" "$findings/project_open-$name"
      failed=1
    fi
  done
  # Why each job stopped, and the first frame past the runtimes: mostly the engine itself,
  # an exception it throws through its own interface, or a wait on its lock.
  local report why where
  for report in "$reports"/report.*; do
    [ -e "$report" ] || continue
    why=$(grep -m1 -oE 'ERROR: [A-Za-z]+: [a-z -]+|CrashCallback|AlarmCallback|Tracer caught' \
          "$report" || echo "report")
    where=$(grep -E '^ +#[0-9]+ ' "$report" |
            grep -m1 -vE '__sanitizer|fuzzer::|/libc\.so|libstdc\+\+|libgcc_s|nptl|stdlib/|signal/' |
            sed -E 's/^ +#[0-9]+ 0x[0-9a-f]+ //; s/ \(BuildId.*//' | cut -c1-110)
    case $why in CrashCallback) why="deadly signal" ;; AlarmCallback) why="time-out" ;; esac
    echo "job $(basename "$report"): $why at $where"
  done
  echo "engine crashes tolerated: $(grep -c 'SEGV inside the engine' "$log" || true)"
  return $failed
}

for target in $targets; do
  exe=$build/tests/fuzz/fuzz_$target
  corpus=$build/fuzz-corpus/$target
  mkdir -p "$corpus"
  cp -n "$top/tests/fuzz/corpus/$target/"* "$corpus/" || true
  budget=$seconds
  [ "$target" = project_open ] && budget=$((2 * seconds))
  args=(-max_total_time="$budget" -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1)
  [ -f "$top/tests/fuzz/$target.dict" ] && args+=(-dict="$top/tests/fuzz/$target.dict")
  echo "== fuzz_$target: $budget s"
  log=$build/fuzz-$target.log
  if [ "$target" = project_open ]; then
    if ! fuzz_project_open "$log" "$exe" "${args[@]}" "$corpus"; then
      echo "fuzz_$target FAILED:"; grep -v NEW_FUNC "$log" | tail -60; status=1
    else
      grep -E '^#[0-9]+: cov:' "$log" | tail -1
    fi
  elif ! "$exe" "${args[@]}" -timeout=20 -artifact_prefix="$findings/$target-" "$corpus" > "$log" 2>&1; then
    echo "fuzz_$target FAILED:"; tail -60 "$log"; status=1
  else
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov:' "$log" | tail -3
  fi
done
exit $status
