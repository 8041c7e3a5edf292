#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang-14, libFuzzer, ASan and UBSan)
# and runs one of them, or all, for the given number of seconds each.
#
#   fuzz/run.sh TARGET|all SECONDS
#
# Targets: invoice_reader sql_literal dbf_table company_db. FUZZ_JOBS=N runs up
# to N targets at once (default 1). Everything a run writes (new inputs, crash
# files, the targets' own files) goes into a temporary folder, removed when
# the run passes and kept, with its path printed, when it fails. Seeds are
# read from fuzz/corpus/TARGET and never changed.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(invoice_reader sql_literal dbf_table company_db)
if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh TARGET|all SECONDS   (targets: ${targets[*]})" >&2
  exit 2
fi
if [ "$1" = all ]; then
  selected=("${targets[@]}")
elif [[ " ${targets[*]} " == *" $1 "* ]]; then
  selected=("$1")
else
  echo "fuzz/run.sh: unknown target '$1' (targets: ${targets[*]})" >&2
  exit 2
fi
seconds=$2
jobs=${FUZZ_JOBS:-1}

cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j 2 --target "${selected[@]/#/fuzz_}"

work=$(mktemp -d "${TMPDIR:-/tmp}/brivane-fuzz.XXXXXX")
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

run() {
  local t=$1
  mkdir -p "$work/$t/corpus" "$work/$t/tmp"
  # The target's own files go under $work too.
  TMPDIR="$work/$t/tmp" "build/fuzz/fuzz/fuzz_$t" "$work/$t/corpus" "fuzz/corpus/$t" \
    -max_total_time="$seconds" -max_len=4096 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$work/$t/" >"$work/$t/log" 2>&1
}

pids=()
for t in "${selected[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do sleep 1; done
  run "$t" &
  pids+=("$!")
done

failed=0
printf '%-16s %12s %8s  %s\n' target executions seconds result
for i in "${!selected[@]}"; do
  t=${selected[$i]}
  if wait "${pids[$i]}"; then result=ok; else result=FAILED; failed=1; fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t/log" | tail -1)
  printf '%-16s %12s %8s  %s\n' "$t" "${execs:-?}" "$seconds" "$result"
  if [ "$result" = FAILED ]; then
    grep -E '^(fuzz |==[0-9]+==ERROR|SUMMARY)|runtime error' "$work/$t/log" | head -5 >&2 || true
    ls "$work/$t"/crash-* "$work/$t"/leak-* "$work/$t"/timeout-* "$work/$t"/oom-* 2>/dev/null >&2 || true
  fi
done

if [ "$failed" -ne 0 ]; then
  echo "fuzz/run.sh: a target failed; logs and inputs kept in $work" >&2
  exit 1
fi
rm -rf "$work"
